#!/usr/bin/env bash
# Installs the locked npm packages of one folder (npm ci from its
# package-lock.json) when they are missing or older than the lock.
# Usage: scripts/npm-packages.sh FOLDER "what they are for"
set -euo pipefail
cd "$(dirname "$0")/.."
folder="$1"
if ! command -v npm >/dev/null 2>&1; then
  echo "==> npm is missing: run scripts/install-deps.sh first" >&2
  exit 1
fi
if [ ! -d "$folder/node_modules" ] || [ "$folder/package-lock.json" -nt "$folder/node_modules/.package-lock.json" ]; then
  echo "==> installing $2"
  (cd "$folder" && npm ci --no-audit --no-fund)
fi
