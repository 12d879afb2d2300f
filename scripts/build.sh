#!/usr/bin/env bash
# Configures and builds one CMake preset (default: release): all of it, or
# only the targets named after the preset.
# Usage: scripts/build.sh [preset [target ...]]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
targets=("${@:2}")
echo "==> configuring ($preset)"
cmake --preset "$preset" >/dev/null
echo "==> building ($preset${targets[*]:+: ${targets[*]}})"
cmake --build --preset "$preset" -j "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
