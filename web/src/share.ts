// Share links: the program's bytes, deflated, in the address's fragment,
// which browsers never send to a server.
import { fromBase64Url, toBase64Url } from './bytes';

async function pipe(bytes: Uint8Array, stream: CompressionStream | DecompressionStream): Promise<Uint8Array> {
  const out = new Blob([bytes as BlobPart]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(out).arrayBuffer());
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

// null when the fragment holds no program (or one that does not unpack).
export async function readFragment(hash: string): Promise<Shared | null> {
  if (!hash.startsWith('#')) return null;
  const params = new URLSearchParams(hash.slice(1));
  const p = params.get('p');
  if (p === null) return null;
  try {
    const bytes = await pipe(fromBase64Url(p), new DecompressionStream('deflate-raw'));
    const name = (params.get('name') || 'shared.asm').replace(/[\\/]/g, '_').slice(0, 200);
    return { name, bytes };
  } catch {
    return null;
  }
}
