import { describe, expect, it } from 'vitest';
import { decodeBytes, encodeText, looksBinary, toBase64Url, fromBase64Url, ownLineEnds } from '../src/bytes';

const b = (...parts: (string | number[])[]) =>
  Uint8Array.from(parts.flatMap((p) => (typeof p === 'string' ? [...new TextEncoder().encode(p)] : p)));

describe('a file opened and saved again keeps every byte', () => {
  it.each([
    ['plain lines', b('load ax, ff\nhalt\n')],
    ['CR LF at every line end', b('load ax, ff\r\nhalt\r\n')],
    ['a lone carriage return', b('load ax, ff\rhalt\n')],
    ['CR LF on some lines only', b('a\r\nb\nhalt\r\n')],
    ['Latin-1 bytes', b('; caf', [0xe9], '\r\nhalt\r\n')],
    ['UTF-8 text', b('; café ✓\nhalt\n')],
    ['zero bytes', b('halt\n', [0, 0x41, 0], 'x')],
    ['a byte order mark', b([0xef, 0xbb, 0xbf], 'halt\n')],
    ['no line end at all', b('halt')],
    ['empty', b()],
  ])('%s', (_, bytes) => {
    const d = decodeBytes(bytes);
    expect(encodeText(d.text, d.encoding, d.eol)).toEqual(bytes);
  });

  it('shows a CR LF file with plain lines and a Latin-1 file as its characters', () => {
    const d = decodeBytes(b('; caf', [0xe9], '\r\nhalt\r\n'));
    expect(d).toEqual({ text: '; café\nhalt\n', encoding: 'latin1', eol: '\r\n' });
  });

  it('writes a character typed into a Latin-1 file as one byte when it can', () => {
    expect(encodeText('é✓', 'latin1', '\n')).toEqual(b([0xe9], '✓'));
  });
});

describe('binary files', () => {
  it.each([
    ['a PNG header and data', b([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 0x0d, 0x49, 0x48, 0x44, 0x52, 1, 2, 3, 4]), true],
    ['mostly zero bytes', new Uint8Array(100), true],
    ['a source with one zero byte', b('load ax, ff\nhalt\n', [0], 'rest of the file\n'), false],
    ['a source with tabs and form feeds', b('\tload ax, ff\f\nhalt\n'), false],
    ['a Latin-1 source', b('; ', [0xe9, 0xe8, 0xe0], '\nhalt\n'), false],
    ['an empty file', b(), false],
  ])('%s: %s', (_, bytes, binary) => {
    expect(looksBinary(bytes)).toBe(binary);
  });
});

it('base64url round-trips every byte value without characters a URL must escape', () => {
  const all = Uint8Array.from({ length: 256 }, (_, i) => i);
  for (const n of [0, 1, 2, 3, 255, 256]) {
    const enc = toBase64Url(all.subarray(0, n));
    expect(enc).toMatch(/^[A-Za-z0-9_-]*$/);
    expect(fromBase64Url(enc)).toEqual(all.subarray(0, n));
  }
});

it.each([
  ['Windows', 'load ax, 1\r\nstore ax, 10\r\n', 'load ax, 1\nstore ax, 10\n'],
  ['old Mac', 'load ax, 1\rhalt\r', 'load ax, 1\nhalt\n'],
  ['mixed, with a blank line', 'inc ax\r\n\r\nhalt\n', 'inc ax\n\nhalt\n'],
  ['plain', 'halt\n', 'halt\n'],
])('pasted %s line ends become the editor\'s own', (_, pasted, expected) => {
  expect(ownLineEnds(pasted)).toBe(expected);
});
