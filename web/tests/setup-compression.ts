// Node 18 (Debian 12's) has CompressionStream but not its 'deflate-raw'
// format, which browsers and newer Node have. The share link needs it, so
// the unit tests get it from node:zlib there; browsers keep their own.
import { deflateRawSync, inflateRawSync } from 'node:zlib';

function hasDeflateRaw(): boolean {
  try {
    new CompressionStream('deflate-raw');
    return true;
  } catch {
    return false;
  }
}

// Whole-buffer: the links' programs are small, and a damaged input must
// fail the stream the way the browser's does.
function zlibStream(run: (input: Buffer) => Buffer): TransformStream<Uint8Array, Uint8Array> {
  const chunks: Uint8Array[] = [];
  return new TransformStream({
    transform(chunk) {
      chunks.push(chunk);
    },
    flush(controller) {
      controller.enqueue(new Uint8Array(run(Buffer.concat(chunks))));
    },
  });
}

if (!hasDeflateRaw()) {
  const NativeCompression = globalThis.CompressionStream;
  const NativeDecompression = globalThis.DecompressionStream;
  globalThis.CompressionStream = function (format: CompressionFormat) {
    return format === 'deflate-raw' ? zlibStream(deflateRawSync) : new NativeCompression(format);
  } as unknown as typeof CompressionStream;
  globalThis.DecompressionStream = function (format: CompressionFormat) {
    return format === 'deflate-raw' ? zlibStream(inflateRawSync) : new NativeDecompression(format);
  } as unknown as typeof DecompressionStream;
}
