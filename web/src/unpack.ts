// What the build packs into the page (the core's wasm, the full editor's
// script): deflated, then base64, a third of the page plain base64 takes.
import { fromBase64 } from './bytes';

export async function unpack(packed: string): Promise<ArrayBuffer> {
  const bytes = fromBase64(packed.trim());
  // A stream of our own: a Blob's would be read back through the browser's
  // loader, piece by piece.
  const whole = new ReadableStream<BufferSource>({
    start(controller) {
      controller.enqueue(bytes);
      controller.close();
    },
  });
  return new Response(whole.pipeThrough(new DecompressionStream('deflate-raw'))).arrayBuffer();
}
