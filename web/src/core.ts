// The one place the page gets the C++ core from: build/wasm/mox77-core.mjs,
// made by scripts/build-wasm.sh and inlined by Vite with its wasm.
import createCore from '@mox77core';
import type { Core } from '@mox77core';
import packed from 'virtual:mox77-core-wasm';

// The browser's own decoder where it has one: a loop over every character
// runs before the JIT has warmed up, and shows in a cold start.
function fromBase64(text: string): Uint8Array<ArrayBuffer> {
  const native = (Uint8Array as { fromBase64?: (t: string) => Uint8Array<ArrayBuffer> }).fromBase64;
  if (native) return native(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// Deflated, the wasm takes a third of the page it would take as plain
// base64, and the browser's own inflater unpacks it in a few milliseconds.
async function compileCore(): Promise<WebAssembly.Module> {
  const bytes = fromBase64(packed);
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
