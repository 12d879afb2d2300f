#!/usr/bin/env bash
# Builds and installs zerlant, emurun and mox77-grade from the toolkit's
# source on a Debian or Ubuntu machine without a desktop, as the graders of
# Gradescope, PrairieLearn and GitHub Classroom are. Ubuntu 22.04's JSON
# library is too old: use Ubuntu 24.04 or Debian 12 or later.
# Usage: install-console-tools.sh [SOURCE [PREFIX]]   (PREFIX /usr/local)
set -euo pipefail
source_dir="$(cd "${1:-$(dirname "$0")/../..}" && pwd)"
prefix="${2:-/usr/local}"
root=()
[ "$(id -u)" -eq 0 ] || root=(sudo)

"${root[@]}" apt-get update -qq
"${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  build-essential cmake nlohmann-json3-dev libpugixml-dev scdoc
build="$(mktemp -d)"
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DMOX_BUILD_GUI=OFF -DMOX_BUILD_TESTS=OFF -DMOX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target zerlant emurun mox77-grade
"${root[@]}" install -d "$prefix/bin"
"${root[@]}" install -m 755 "$build/bin/zerlant" "$build/bin/emurun" "$build/bin/mox77-grade" \
  "$prefix/bin/"
rm -rf "$build"
echo "==> installed zerlant, emurun and mox77-grade in $prefix/bin"
