import { describe, expect, it } from 'vitest';
import { parseStored, defaults, unsaved, load, save, fingerprint, incoming, loadOpened, saveOpened, OPENED_KEY, KEY, type Stored } from '../src/storage';

function memoryStore() {
  const store = new Map<string, string>();
  return {
    store,
    fake: { getItem: (k: string) => store.get(k) ?? null, setItem: (k: string, v: string) => void store.set(k, v) } as Storage,
  };
}

describe('what the browser kept', () => {
  it('comes back as it was saved', () => {
    const { fake } = memoryStore();
    const kept: Stored = { ...defaults, text: 'halt\n', fileName: 'a.asm', encoding: 'latin1', eol: '\r\n', exercise: '02-sum', base: 0, fontSize: 20, datapath: false, speed: 20, savedPrint: null, stamp: 't.1' };
    expect(save(fake, kept)).toBe(true);
    expect(load(fake)).toEqual(kept);
  });

  it('holds the text once, however large', () => {
    const { fake, store } = memoryStore();
    const text = 'load ax, 01 ; a line of a long program\n'.repeat(20000);
    save(fake, { ...defaults, text, savedPrint: fingerprint(text) });
    expect(store.get(KEY)!.length).toBeLessThan(text.length * 1.1);
    expect(unsaved(load(fake).text, load(fake).savedPrint)).toBe(false);
  });

  it('writes only the members named, leaving what another tab wrote', () => {
    const { fake } = memoryStore();
    save(fake, { ...defaults, text: 'halt ; from the other tab\n', stamp: 'b.1' });
    save(fake, { ...defaults, text: 'halt ; old\n', base: 0 }, ['base']);
    expect(load(fake)).toMatchObject({ text: 'halt ; from the other tab\n', stamp: 'b.1', base: 0 });
  });

  it.each([
    ['nothing', null],
    ['not JSON', '{"text": '],
    ['not an object', '42'],
    ['wrong types', '{"text": 5, "base": 7, "encoding": "ebcdic", "fontSize": 1000, "fileName": "", "savedPrint": 3, "datapath": 1, "speed": 2.5}'],
  ])('falls back to the defaults for %s', (_, raw) => {
    expect(parseStored(raw)).toEqual(defaults);
  });

  it.each([0, 21, '4'])('refuses a speed of %j', (speed) => {
    expect(parseStored(JSON.stringify({ speed })).speed).toBe(defaults.speed);
  });

  it('keeps the good members of a partly damaged entry', () => {
    expect(parseStored('{"text": "halt", "base": "x"}')).toEqual({ ...defaults, text: 'halt' });
  });

  it.each([
    ['saved as it is', '{"text": "halt\\n", "savedText": "halt\\n"}', false],
    ['changed since saved', '{"text": "halt\\n;x\\n", "savedText": "halt\\n"}', true],
    ['never saved', '{"text": "halt\\n", "savedText": null}', true],
  ])('an entry that held the saved text itself: %s', (_, raw, expected) => {
    const k = parseStored(raw);
    expect(unsaved(k.text, k.savedPrint)).toBe(expected);
    expect(JSON.stringify(k)).not.toContain('savedText');
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
  ['one character swapped', 'load ax, 12\n', 'load ax, 21\n', true],
  ['a line end changed', 'halt\r\n', 'halt\n\n', true],
  ['never saved, empty', '  \n', null, false],
  ['never saved, with text', 'halt\n', null, true],
])('unsaved: %s', (_, text, savedText, expected) => {
  expect(unsaved(text, savedText === null ? null : fingerprint(savedText))).toBe(expected);
});

describe('another tab wrote the text', () => {
  const theirs = { ...defaults, text: 'halt ; theirs\n', stamp: 'b.2' };
  it.each([
    ['the text this tab stands on', 'b.2', true, 'halt ; mine\n', 'ignore'],
    ['this tab changed nothing', 'a.1', false, 'halt ; old\n', 'take'],
    ['both came to the same text', 'a.1', true, 'halt ; theirs\n', 'take'],
    ['both changed it', 'a.1', true, 'halt ; mine\n', 'conflict'],
  ] as const)('%s', (_, base, own, mine, expected) => {
    expect(incoming(base, own, mine, theirs)).toBe(expected);
  });
});

it('opened exercises are kept beside the text, and a damaged entry loses only itself', () => {
  const { fake, store } = memoryStore();
  const sum = { folder: '02-sum', files: { 'task.md': '# Sum', 'start.asm': 'halt\n' } };
  save(fake, { ...defaults, text: 'halt ; mine\n' });
  saveOpened(fake, [sum]);
  expect([loadOpened(fake), load(fake).text]).toEqual([[sum], 'halt ; mine\n']);
  store.set(OPENED_KEY, JSON.stringify([null, { folder: 1, files: {} }, sum, { folder: 'x', files: { 'task.md': 3 } }]));
  expect(loadOpened(fake)).toEqual([sum]);
});
