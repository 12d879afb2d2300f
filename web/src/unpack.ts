// What the build packs into the page (the core's wasm, the full editor's
// script): deflated, then base64, a third of the page plain base64 takes.

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
