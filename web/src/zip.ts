// Reading a .zip: the central directory names the members, and only those
// asked for are unpacked, by the browser's own inflater through the one
// bounded inflate the share links use. A library would bring a second
// inflater into the page, and one that inflates a member whole before its
// size can be known.
import { inflate } from './share';

export interface ZipEntry {
  name: string; // "02-sum/task.md"
  method: number; // 0 stored, 8 deflated
  flags: number;
  size: number; // packed
  at: number; // where its local header starts
}

const END = 0x06054b50;
const CENTRAL = 0x02014b50;
const LOCAL = 0x04034b50;
const names = new TextDecoder();

function damaged(): Error {
  return new Error('is not a .zip file, or a damaged one');
}

export function zipEntries(zip: Uint8Array): ZipEntry[] {
  const v = new DataView(zip.buffer, zip.byteOffset, zip.byteLength);
  // The end record sits last, behind a comment of at most 64 KiB.
  let end = zip.length - 22;
  while (end >= 0 && v.getUint32(end, true) !== END) {
    if (zip.length - end > 22 + 0xffff) throw damaged();
    end--;
  }
  if (end < 0) throw damaged();
  const count = v.getUint16(end + 10, true);
  let at = v.getUint32(end + 16, true);
  if (count === 0xffff || at === 0xffffffff) throw new Error('is a ZIP64 archive, which this page does not read: make the .zip again with an ordinary zip tool');
  const out: ZipEntry[] = [];
  try {
    for (let i = 0; i < count; i++) {
      if (v.getUint32(at, true) !== CENTRAL) throw damaged();
      const nameLength = v.getUint16(at + 28, true);
      if (at + 46 + nameLength > zip.length) throw damaged();
      out.push({
        name: names.decode(zip.subarray(at + 46, at + 46 + nameLength)),
        method: v.getUint16(at + 10, true),
        flags: v.getUint16(at + 8, true),
        size: v.getUint32(at + 20, true),
        at: v.getUint32(at + 42, true),
      });
      at += 46 + nameLength + v.getUint16(at + 30, true) + v.getUint16(at + 32, true);
    }
  } catch (e) {
    throw e instanceof RangeError ? damaged() : e;
  }
  return out;
}

// A member's bytes; null when it unpacks to more than `limit` bytes, found
// out by stopping there rather than by trusting the size it claims.
export async function zipEntryBytes(zip: Uint8Array, entry: ZipEntry, limit: number): Promise<Uint8Array | null> {
  if (entry.flags & 1) throw new Error(`holds ${entry.name} encrypted, which this page cannot read`);
  const v = new DataView(zip.buffer, zip.byteOffset, zip.byteLength);
  if (entry.at + 30 > zip.length || v.getUint32(entry.at, true) !== LOCAL) throw damaged();
  const from = entry.at + 30 + v.getUint16(entry.at + 26, true) + v.getUint16(entry.at + 28, true);
  if (from + entry.size > zip.length) throw damaged();
  const packed = zip.subarray(from, from + entry.size);
  if (entry.method === 0) return packed.length > limit ? null : packed;
  if (entry.method !== 8) throw new Error(`holds ${entry.name} packed in a way this page cannot unpack (method ${entry.method}): make the .zip again with an ordinary zip tool`);
  try {
    return await inflate(packed, limit);
  } catch {
    throw damaged();
  }
}
