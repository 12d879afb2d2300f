#!/usr/bin/env bash
# Installs what is missing, builds, and starts the toolkit: the desktop
# programs when there is a display, otherwise a console run of an example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The programs alone: the tests are scripts/test.sh's.
scripts/build.sh release programs
bin=build/release/bin
example=examples/hello.asm
out=examples/hello.8xe

echo "==> assembling $example"
"$bin/zerlant" "$example" </dev/null
echo "==> $out holds:"
cat "$out"
echo

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/emulator" ]; then
  echo "==> starting the emulator and the editor"
  [ -x "$bin/editor" ] && "$bin/editor" &
  exec "$bin/emulator"
elif [ -x "$bin/emurun" ]; then
  echo "==> no display: running $out headless"
  "$bin/emurun" "$out"
fi
