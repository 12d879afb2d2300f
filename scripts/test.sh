#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# Usage: scripts/test.sh [preset]   (release by default; asan for the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/install-deps.sh
scripts/build.sh "$preset"
echo "==> testing ($preset)"
ctest --preset "$preset" -j "$(nproc)"
