// Node 18 (Debian 12's) has CompressionStream but not its 'deflate-raw'
// format, which browsers and newer Node have. The share link needs it, so
// the unit tests get it from node:zlib there; browsers keep their own.
import { createDeflateRaw, createInflateRaw, type DeflateRaw, type InflateRaw } from 'node:zlib';

function hasDeflateRaw(): boolean {
  try {
    new CompressionStream('deflate-raw');
    return true;
  } catch {
    return false;
  }
}

// The input whole (the links' programs and the zips are small), the output
// handed on piece by piece as zlib makes it, so that a reader that stops
// early (a zip bomb past its bound) stops zlib too, as a browser's stream
// does; a damaged input fails the stream as the browser's does.
function zlibStream(make: () => DeflateRaw | InflateRaw): TransformStream<Uint8Array, Uint8Array> {
  const chunks: Uint8Array[] = [];
  return new TransformStream({
    transform(chunk) {
      chunks.push(chunk);
    },
    flush(controller) {
      return new Promise<void>((resolve, reject) => {
        const z = make();
        z.on('data', (piece: Buffer) => {
          try {
            controller.enqueue(new Uint8Array(piece));
          } catch {
            // The reader has gone: nothing more is wanted.
            z.destroy();
            resolve();
          }
        });
        z.on('end', () => resolve());
        z.on('error', reject);
        z.end(Buffer.concat(chunks));
      });
    },
  });
}

if (!hasDeflateRaw()) {
  const NativeCompression = globalThis.CompressionStream;
  const NativeDecompression = globalThis.DecompressionStream;
  globalThis.CompressionStream = function (format: CompressionFormat) {
    return format === 'deflate-raw' ? zlibStream(createDeflateRaw) : new NativeCompression(format);
  } as unknown as typeof CompressionStream;
  globalThis.DecompressionStream = function (format: CompressionFormat) {
    return format === 'deflate-raw' ? zlibStream(createInflateRaw) : new NativeDecompression(format);
  } as unknown as typeof DecompressionStream;
}
