import { describe, expect, it } from 'vitest';
import { parseKept, defaults, unsaved, load, save } from '../src/storage';

describe('what the browser kept', () => {
  it('comes back as it was saved', () => {
    const store = new Map<string, string>();
    const fake = { getItem: (k: string) => store.get(k) ?? null, setItem: (k: string, v: string) => void store.set(k, v) } as Storage;
    const kept = { ...defaults, text: 'halt\n', fileName: 'a.asm', encoding: 'latin1' as const, eol: '\r\n' as const, exercise: '02-sum', base: 0, fontSize: 20, savedText: null };
    expect(save(fake, kept)).toBe(true);
    expect(load(fake)).toEqual(kept);
  });

  it.each([
    ['nothing', null],
    ['not JSON', '{"text": '],
    ['not an object', '42'],
    ['wrong types', '{"text": 5, "base": 7, "encoding": "ebcdic", "fontSize": 1000, "fileName": ""}'],
  ])('falls back to the defaults for %s', (_, raw) => {
    expect(parseKept(raw)).toEqual(defaults);
  });

  it('keeps the good members of a partly damaged entry', () => {
    expect(parseKept('{"text": "halt", "base": "x"}')).toEqual({ ...defaults, text: 'halt' });
  });

  it('survives a store that refuses', () => {
    const refusing = { getItem: () => { throw new Error('denied'); }, setItem: () => { throw new Error('full'); } } as unknown as Storage;
    expect(load(refusing)).toEqual(defaults);
    expect(save(refusing, defaults)).toBe(false);
  });
});

it.each([
  ['text as the file has it', 'halt\n', 'halt\n', false],
  ['text changed since the file', 'halt\n; x\n', 'halt\n', true],
  ['never saved, empty', '  \n', null, false],
  ['never saved, with text', 'halt\n', null, true],
])('unsaved: %s', (_, text, savedText, expected) => {
  expect(unsaved({ text, savedText })).toBe(expected);
});
