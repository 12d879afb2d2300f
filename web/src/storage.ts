// What the page keeps in the browser so that nothing is lost: the text, its
// file name and how its bytes were written, the exercise, the base and the
// font size, and a fingerprint of the text last saved to a file (one copy of
// the text only, so a large program fits).
import type { Encoding, Eol } from './bytes';
import type { HandedExercise } from './exercises';

export interface Stored {
  text: string;
  fileName: string;
  encoding: Encoding;
  eol: Eol;
  exercise: string; // folder name, "" for none
  base: number; // 0 binary, 1 decimal, 2 hexadecimal
  fontSize: number; // px
  datapath: boolean; // the Datapath panel is open
  speed: number; // Play's words a second, 1 to 20
  savedPrint: string | null; // fingerprint of the text as last written to or read from a file; null: never
  stamp: string; // names the writing of the text: another tab's newer text has another stamp
}

export const KEY = 'mox77.web.v1';

export const defaults: Stored = {
  text: '',
  fileName: 'program.asm',
  encoding: 'utf-8',
  eol: '\n',
  exercise: '',
  base: 2,
  fontSize: 15,
  datapath: true,
  speed: 4,
  savedPrint: fingerprint(''),
  stamp: '',
};

// The members that belong to the text: a tab writes them together, and
// takes them together from another tab.
export const TEXT_FIELDS = ['text', 'fileName', 'encoding', 'eol', 'exercise', 'savedPrint', 'stamp'] as const;

// Tells two texts apart without keeping either: the length and two
// independent 32-bit hashes of the UTF-16 units.
export function fingerprint(text: string): string {
  let a = 0x811c9dc5;
  let b = 0x9e3779b9;
  for (let i = 0; i < text.length; i++) {
    const c = text.charCodeAt(i);
    a = Math.imul(a ^ c, 0x01000193);
    b = Math.imul(b ^ c, 0x5bd1e995);
    b ^= b >>> 15;
  }
  return `${text.length}:${(a >>> 0).toString(16)}:${(b >>> 0).toString(16)}`;
}

// Anything stored that does not look right is replaced by its default, so a
// damaged or older entry never breaks the page.
export function parseStored(raw: string | null): Stored {
  const out: Stored = { ...defaults };
  if (!raw) return out;
  let v: unknown;
  try {
    v = JSON.parse(raw);
  } catch {
    return out;
  }
  if (typeof v !== 'object' || v === null) return out;
  const o = v as Record<string, unknown>;
  if (typeof o.text === 'string') out.text = o.text;
  if (typeof o.fileName === 'string' && o.fileName) out.fileName = o.fileName;
  if (o.encoding === 'utf-8' || o.encoding === 'latin1') out.encoding = o.encoding;
  if (o.eol === '\n' || o.eol === '\r\n') out.eol = o.eol;
  if (typeof o.exercise === 'string') out.exercise = o.exercise;
  if (o.base === 0 || o.base === 1 || o.base === 2) out.base = o.base;
  if (typeof o.fontSize === 'number' && o.fontSize >= 8 && o.fontSize <= 40) out.fontSize = o.fontSize;
  if (typeof o.datapath === 'boolean') out.datapath = o.datapath;
  if (Number.isInteger(o.speed) && (o.speed as number) >= 1 && (o.speed as number) <= 20) out.speed = o.speed as number;
  if (typeof o.savedPrint === 'string' || o.savedPrint === null) out.savedPrint = o.savedPrint as string | null;
  // an entry from before the fingerprint held the saved text itself
  else if (typeof o.savedText === 'string') out.savedPrint = fingerprint(o.savedText);
  else if (o.savedText === null) out.savedPrint = null;
  if (typeof o.stamp === 'string') out.stamp = o.stamp;
  return out;
}

export function load(store: Storage | undefined): Stored {
  try {
    return parseStored(store?.getItem(KEY) ?? null);
  } catch {
    return { ...defaults };
  }
}

// Writes the members named, over what is stored now (another tab's members
// stay as that tab wrote them). False when the browser refused.
export function save(store: Storage | undefined, stored: Stored, fields: readonly (keyof Stored)[] = Object.keys(defaults) as (keyof Stored)[]): boolean {
  try {
    if (!store) return false;
    const out = parseStored(store.getItem(KEY)) as unknown as Record<string, unknown>;
    for (const f of fields) out[f] = stored[f];
    store.setItem(KEY, JSON.stringify(out));
    return true;
  } catch {
    return false; // full or forbidden: the page goes on without it
  }
}

// The exercises the student opened, under a key of their own: written only
// when one is opened, not with every change of the text.
export const OPENED_KEY = 'mox77.web.exercises.v1';

export function parseOpened(raw: string | null): HandedExercise[] {
  let v: unknown;
  try {
    v = JSON.parse(raw ?? '[]');
  } catch {
    return [];
  }
  if (!Array.isArray(v)) return [];
  const texts = (o: unknown) => typeof o === 'object' && o !== null && Object.values(o).every((t) => typeof t === 'string');
  return v.filter((h): h is HandedExercise => typeof h?.folder === 'string' && texts(h.files));
}

export function loadOpened(store: Storage | undefined): HandedExercise[] {
  try {
    return parseOpened(store?.getItem(OPENED_KEY) ?? null);
  } catch {
    return [];
  }
}

// False when the browser refused.
export function saveOpened(store: Storage | undefined, list: HandedExercise[]): boolean {
  try {
    if (!store) return false;
    store.setItem(OPENED_KEY, JSON.stringify(list));
    return true;
  } catch {
    return false;
  }
}

// True when leaving would lose text: it differs from what a file holds.
export function unsaved(text: string, savedPrint: string | null): boolean {
  if (savedPrint === null) return text.trim() !== '';
  return fingerprint(text) !== savedPrint;
}

// What a tab does when another tab has written the text: nothing when it is
// the text this tab stands on; take it when this tab has changed nothing of
// its own since; else both changed it, and the student decides.
export type Incoming = 'ignore' | 'take' | 'conflict';
export function incoming(base: string, ownChanges: boolean, ownText: string, theirs: Stored): Incoming {
  if (theirs.stamp === base) return 'ignore';
  if (!ownChanges || theirs.text === ownText) return 'take';
  return 'conflict';
}
