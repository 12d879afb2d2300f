import { randomBytes } from 'node:crypto';
import { describe, expect, it } from 'vitest';
import { zipSync, Zip, ZipPassThrough, strToU8 } from 'fflate';
import { constants, deflateRawSync } from 'node:zlib';
import { exerciseFromFolder, exerciseFromZip } from '../src/exercise-files';

// The .zip files are written by fflate, a writer other than the page's reader.
type Entries = Record<string, string | Uint8Array>;
const u8 = (t: string | Uint8Array) => (typeof t === 'string' ? strToU8(t) : t);
const zipOf = (e: Entries, level: 0 | 6 = 6) => zipSync(Object.fromEntries(Object.entries(e).map(([n, t]) => [n, u8(t)])), { level });
// As a streaming writer makes it, each member's sizes after it; `packed`
// members go in as they are, deflated by the test, claiming any size.
function streamedZip(e: Entries, packed: Entries = {}): Uint8Array {
  const parts: Uint8Array[] = [];
  const zip = new Zip((_, chunk) => parts.push(chunk));
  for (const [name, data, compression] of [...Object.entries(e).map(([n, t]) => [n, deflateRawSync(u8(t)), 8] as const), ...Object.entries(packed).map(([n, t]) => [n, t, 8] as const)]) {
    const member = Object.assign(new ZipPassThrough(name), { compression });
    zip.add(member);
    member.push(u8(data), true);
  }
  zip.end();
  return Buffer.concat(parts);
}
// A Blob with a name, as a picked file is: Debian 12's Node 18 has no global File.
const file = (bytes: Uint8Array) => Object.assign(new Blob([bytes as BlobPart]), { name: 'handed.zip' }) as File;

const exercise: Entries = { 'task.md': '# A sum\n', 'start.asm': 'halt\n', 'expected.json': '{}', 'exercise.json': '{"hidden":8}', 'solution.asm': 'inc ax\n' };
const own = ['exercise.json', 'expected.json', 'start.asm', 'task.md'];
const under = (folder: string) => Object.fromEntries(Object.entries(exercise).map(([n, t]) => [`${folder}${n}`, t]));

describe('a .zip gives the exercise found in it, its own files only', () => {
  it.each<[string, Entries, string]>([
    ['at the top, named after the .zip', { ...exercise, 'notes/extra.json': '{}' }, 'handed'],
    ['inside a folder, inside a folder', { 'README.txt': 'x', 'course/': '', ...under('course/02-sum/') }, '02-sum'],
    ['past what a Mac and git leave', { '__MACOSX/02-sum/._task.md': '\0', '.git/x.json': '{}', ...under('02-sum/'), '02-sum/.DS_Store': '\0' }, '02-sum'],
    ['with Windows separators', under('02-sum\\'), '02-sum'],
  ])('%s', async (_, entries, folder) => {
    for (const zip of [zipOf(entries), zipOf(entries, 0), streamedZip(entries)]) {
      const got = await exerciseFromZip(file(zip));
      expect([got.folder, Object.keys(got.files).sort(), got.files['task.md']]).toEqual([folder, own, exercise['task.md']]);
    }
  });

  const limit = 64 * 1024;
  const zeros = new Uint8Array(1 << 20);
  it.each<[string, Uint8Array, RegExp, number?]>([
    ['several exercises', zipOf({ ...under('01-load/'), ...under('02-sum/') }), /several folders \(01-load, 02-sum\)/],
    ['not a .zip', strToU8('some text, long enough to hold an end record'), /not a \.zip/],
    ['a .zip cut short', zipOf(exercise).subarray(0, 200), /not a \.zip/],
    ['a .zip larger than the bound', zipOf({ ...exercise, 'x.bin': new Uint8Array(randomBytes(limit)) }, 0), /too large/],
    ['members each within the bound, together past it', zipOf({ ...exercise, 'expected2.json': zeros.subarray(0, 40e3), 'expected3.json': zeros.subarray(0, 40e3) }), /too large/],
    // 8 GiB of zeros, one flushed MiB over and over: unpacked whole, it would not fit in the time or room
    ['a zip bomb claiming a small size', streamedZip(exercise, { 'expected2.json': Buffer.concat([...Array<Buffer>(8192).fill(deflateRawSync(zeros, { finishFlush: constants.Z_FULL_FLUSH })), deflateRawSync('')]) }), /too large/, 16 << 20],
  ])('%s is refused, saying why', async (_, zip, why, bound = limit) => {
    await expect(exerciseFromZip(file(zip), bound)).rejects.toThrow(why);
  });
});

it('a chosen folder gives its exercise as a .zip would, within the bound', async () => {
  const blobs = (e: Entries) => Object.entries(e).map(([path, t]) => ({ path, blob: new Blob([t as BlobPart]) }));
  const got = await exerciseFromFolder(blobs({ ...under('course/02-sum/'), 'course/02-sum/.hidden.json': '{}' }));
  expect([got.folder, Object.keys(got.files).sort()]).toEqual(['02-sum', own]);
  await expect(exerciseFromFolder(blobs({ ...under('sum/'), 'sum/expected2.json': 'x'.repeat(5000) }), 4096)).rejects.toThrow(/too large/);
});
