// Share links: the program's bytes, deflated, in the address's fragment,
// which browsers never send to a server.
import { fromBase64Url, toBase64Url, MAX_FILE_BYTES } from './bytes';
import { isExerciseFile, type HandedExercise } from './exercises';

async function pipe(bytes: Uint8Array, stream: CompressionStream | DecompressionStream): Promise<Uint8Array> {
  const out = new Blob([bytes as BlobPart]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(out).arrayBuffer());
}

// Inflates at most `limit` bytes: a small link can stand for a huge text,
// so the inflating stops as soon as the limit is passed (null then).
export async function inflate(bytes: Uint8Array, limit: number): Promise<Uint8Array | null> {
  const reader = new Blob([bytes as BlobPart]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const parts: Uint8Array[] = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    size += value.length;
    if (size > limit) {
      await reader.cancel();
      return null;
    }
    parts.push(value);
  }
  const out = new Uint8Array(size);
  let at = 0;
  for (const p of parts) {
    out.set(p, at);
    at += p.length;
  }
  return out;
}

export interface Shared {
  name: string;
  bytes: Uint8Array;
}

export async function makeFragment(shared: Shared): Promise<string> {
  const packed = await pipe(shared.bytes, new CompressionStream('deflate-raw'));
  const params = new URLSearchParams();
  params.set('name', shared.name);
  params.set('p', toBase64Url(packed));
  return '#' + params.toString();
}

// null when the fragment holds no program (or one that does not unpack);
// 'too large' when its program is larger than a file may be.
export async function readFragment(hash: string, limit = MAX_FILE_BYTES): Promise<Shared | 'too large' | null> {
  if (!hash.startsWith('#')) return null;
  const params = new URLSearchParams(hash.slice(1));
  const p = params.get('p');
  if (p === null) return null;
  const name = (params.get('name') || 'shared.asm').replace(/[\\/]/g, '_').slice(0, 200);
  try {
    const bytes = await inflate(fromBase64Url(p), limit);
    return bytes ? { name, bytes } : 'too large';
  } catch {
    return null;
  }
}

// Exercise links: the exercise's folder name and files as JSON, packed the
// same way, under "exercise" rather than "p".
export async function makeExerciseFragment(ex: HandedExercise, limit = MAX_FILE_BYTES): Promise<string | 'too large'> {
  const files = Object.fromEntries(Object.entries(ex.files).filter(([name]) => isExerciseFile(name)));
  const bytes = new TextEncoder().encode(JSON.stringify({ folder: ex.folder, files }));
  if (bytes.length > limit) return 'too large';
  const params = new URLSearchParams();
  params.set('exercise', toBase64Url(await pipe(bytes, new CompressionStream('deflate-raw'))));
  return '#' + params.toString();
}

// null when the fragment holds no exercise, or one that does not unpack.
export async function readExerciseFragment(hash: string, limit = MAX_FILE_BYTES): Promise<HandedExercise | 'too large' | null> {
  const packed = hash.startsWith('#') ? new URLSearchParams(hash.slice(1)).get('exercise') : null;
  if (packed === null) return null;
  try {
    const bytes = await inflate(fromBase64Url(packed), limit);
    if (!bytes) return 'too large';
    const o: unknown = JSON.parse(new TextDecoder().decode(bytes));
    const { folder, files } = o as Record<string, unknown>;
    if (typeof folder !== 'string' || typeof files !== 'object' || files === null) return null;
    const texts = Object.entries(files).filter(([name, text]) => isExerciseFile(name) && typeof text === 'string');
    return { folder, files: Object.fromEntries(texts) };
  } catch {
    return null;
  }
}
