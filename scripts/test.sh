#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh [preset]   (release by default; asan for the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/install-deps.sh
# The core as WebAssembly, which the differential tests hold against the
# native programs; the release suite also tests the web page built from it.
scripts/build-wasm.sh
scripts/build.sh "$preset"
if [ "$preset" = release ]; then
  scripts/build-web.sh
  # After the page, which the extension carries.
  scripts/build-vscode.sh
fi
echo "==> testing ($preset)"
ctest --preset "$preset" -j "$(nproc)"
