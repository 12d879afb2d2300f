#!/usr/bin/env bash
# Builds the core as a WebAssembly ES module for the web edition and leaves it
# at build/wasm/mox77-core.mjs, its wasm beside it (mox77-core.wasm). Installs
# Emscripten first when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v emcc >/dev/null || ! dpkg-query -W -f='${Status}' emscripten 2>/dev/null |
    grep -q "install ok installed"; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  echo "==> installing: emscripten"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends emscripten
fi

# Debian's emcc finds its acorn there even under a Node that is not Debian's.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
echo "==> configuring (wasm)"
cmake --preset wasm >/dev/null
echo "==> building (wasm)"
cmake --build --preset wasm -j "$(nproc)"
mkdir -p build/wasm
cp build/wasm-core/bin/mox77-core.mjs build/wasm-core/bin/mox77-core.wasm build/wasm/
echo "==> build/wasm/mox77-core.mjs ($(stat -c %s build/wasm/mox77-core.mjs) bytes)" \
  "and mox77-core.wasm ($(stat -c %s build/wasm/mox77-core.wasm) bytes)"
