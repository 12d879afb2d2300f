#!/usr/bin/env bash
# Builds the web edition, build/web/mox77.html: one self-contained page with
# the core's WebAssembly inline. Installs what is missing first: the npm
# packages of web/ (npm ci, from web/package-lock.json) and the core module
# (scripts/build-wasm.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if ! command -v npm >/dev/null 2>&1; then
  echo "==> npm is missing: run scripts/install-deps.sh first" >&2
  exit 1
fi

if [ ! -d web/node_modules ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  echo "==> installing the web edition's npm packages"
  (cd web && npm ci --no-audit --no-fund)
fi

# Always, so that a change to the core reaches the page; a build with
# nothing to do takes a moment.
scripts/build-wasm.sh

echo "==> building build/web/mox77.html"
(cd web && npx --no-install vite build --logLevel warn)
ls -l build/web/mox77.html
