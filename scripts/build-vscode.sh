#!/usr/bin/env bash
# Builds the editor extension: build/vscode/server/mox77-lsp.js and
# mox77-dap.js (each one file runnable with node, the core's WebAssembly
# beside them as mox77-core.wasm), and build/vscode/mox77-<version>.vsix
# holding them. Installs what is missing first: the npm packages of vscode/
# (npm ci, from vscode/package-lock.json) and the core module
# (scripts/build-wasm.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/npm-packages.sh vscode "the extension's npm packages"

# Always, so that a change to the core reaches the servers.
scripts/build-wasm.sh

out=build/vscode
rm -rf "$out"
mkdir -p "$out/server" "$out/dist" "$out/syntaxes"

echo "==> type-checking the extension"
(cd vscode && npx --no-install tsc -p tsconfig.json)

echo "==> bundling the servers and the extension"
esbuild=(vscode/node_modules/.bin/esbuild --bundle --platform=node --target=node18 --log-level=warning
  --alias:@mox77core=./build/wasm/mox77-core.mjs --alias:@mox77bindings=./bindings)
# The servers are ES modules, as the core is (it waits at its top level);
# the packages they bundle still call require for Node's own modules.
"${esbuild[@]}" --format=esm \
  --banner:js="import { createRequire as mox77Require } from 'node:module'; const require = mox77Require(import.meta.url);" \
  --outdir="$out/server" --entry-names='[name]' \
  mox77-lsp=vscode/src/lsp/server.ts mox77-dap=vscode/src/dap/main.ts
echo '{ "type": "module" }' >"$out/server/package.json"
# The core finds its WebAssembly beside the script that loads it.
cp build/wasm/mox77-core.wasm "$out/server/"
"${esbuild[@]}" --format=cjs --external:vscode --outfile="$out/dist/extension.js" vscode/src/extension.ts

node vscode/tools/grammar.mjs build/wasm/mox77-core.mjs "$out/syntaxes/mox77.tmLanguage.json"
cp vscode/package.json vscode/language-configuration.json vscode/README.md "$out/"
cp LICENSE "$out/LICENSE"
printf '%s\n' '*.vsix' >"$out/.vscodeignore"
# The web edition travels along when it is built, for "Open in the web edition".
if [ -f build/web/mox77.html ]; then
  mkdir -p "$out/web"
  cp build/web/mox77.html "$out/web/"
fi

version="$(node -p "require('./vscode/package.json').version")"
echo "==> packaging build/vscode/mox77-$version.vsix"
(cd "$out" && "$root/vscode/node_modules/.bin/vsce" package --no-dependencies --allow-missing-repository \
  --out "mox77-$version.vsix" >/dev/null)
ls -l "$out/mox77-$version.vsix" "$out/server/mox77-lsp.js" "$out/server/mox77-dap.js"
