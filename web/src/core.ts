// The one place the page gets the C++ core from: build/wasm/mox77-core.mjs,
// made by scripts/build-wasm.sh and inlined by Vite with its wasm.
import createCore from '@mox77core';
import type { Core } from '@mox77core';
import packed from 'virtual:mox77-core-wasm';

// Deflated, the wasm takes a third of the page it would take as plain
// base64, and the browser's own inflater unpacks it in a few milliseconds.
async function compileCore(): Promise<WebAssembly.Module> {
  const text = atob(packed);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  // A stream of our own: a Blob's would be read back through the browser's
  // loader, piece by piece.
  const whole = new ReadableStream<BufferSource>({
    start(controller) {
      controller.enqueue(bytes);
      controller.close();
    },
  });
  const inflated = whole.pipeThrough(new DecompressionStream('deflate-raw'));
  return WebAssembly.compile(await new Response(inflated).arrayBuffer());
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
