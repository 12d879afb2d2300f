import { describe, expect, it } from 'vitest';
import { pack } from '../vite.config';
import { unpack } from '../src/unpack';

// What the build packs into the page, the page must get back byte for byte.
const counting = (n: number) => Uint8Array.from({ length: n }, (_, i) => (i * 7919) % 251);

describe('a part packed by the build is unpacked by the page unchanged', () => {
  it.each([
    ['nothing', new Uint8Array()],
    ['one byte', Uint8Array.of(0)],
    ['every byte value', Uint8Array.from({ length: 256 }, (_, i) => i)],
    ['a core-sized part', counting(200_000)],
  ])('%s', async (_, bytes) => {
    expect(new Uint8Array(await unpack(pack(bytes)))).toEqual(bytes);
  });

  it('as it stands in the page, between line breaks', async () => {
    const bytes = counting(1000);
    expect(new Uint8Array(await unpack(`\n  ${pack(bytes)}\n`))).toEqual(bytes);
  });

  it('a damaged part fails rather than giving other bytes', async () => {
    const text = pack(counting(1000));
    await expect(unpack(text.slice(0, text.length / 2))).rejects.toThrow();
  });
});
