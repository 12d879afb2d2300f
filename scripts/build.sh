#!/usr/bin/env bash
# Configures and builds one CMake preset (default: release).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
echo "==> configuring ($preset)"
cmake --preset "$preset" >/dev/null
echo "==> building ($preset)"
cmake --build --preset "$preset" -j "$(nproc)"
