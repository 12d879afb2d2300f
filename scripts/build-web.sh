#!/usr/bin/env bash
# Builds the web edition, build/web/mox77.html: one self-contained page with
# the core's WebAssembly inline. Installs what is missing first: the npm
# packages of web/ (npm ci, from web/package-lock.json) and the core module
# (scripts/build-wasm.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/npm-packages.sh web "the web edition's npm packages"

# Always, so that a change to the core reaches the page; a build with
# nothing to do takes a moment.
scripts/build-wasm.sh

echo "==> building build/web/mox77.html"
(cd web && npx --no-install vite build --logLevel warn)
ls -l build/web/mox77.html
