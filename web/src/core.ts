// The one place the page gets the C++ core from: build/wasm/mox77-core.mjs,
// made by scripts/build-wasm.sh and inlined by Vite with its wasm.
import createCore from '@mox77core';
import type { Core } from '@mox77core';
import packed from 'virtual:mox77-core-wasm';
import { unpack } from './unpack';

async function compileCore(): Promise<WebAssembly.Module> {
  return WebAssembly.compile(await unpack(packed));
}

let pending: Promise<Core> | null = null;

export function loadCore(): Promise<Core> {
  pending ??= new Promise<Core>((resolve, reject) => {
    const compiled = compileCore();
    createCore({
      instantiateWasm(imports, receive) {
        compiled
          .then((module) => WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module)))
          .catch(reject);
        return {};
      },
    }).then((core) => {
      performance.mark('mox-core');
      resolve(core);
    }, reject);
  });
  return pending;
}
