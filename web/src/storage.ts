// What the page keeps in the browser so that nothing is lost: the text, its
// file name and how its bytes were written, the exercise, the base and the
// font size, and whether the text was saved to a file since it last changed.
import type { Encoding, Eol } from './bytes';

export interface Kept {
  text: string;
  fileName: string;
  encoding: Encoding;
  eol: Eol;
  exercise: string; // folder name, "" for none
  base: number; // 0 binary, 1 decimal, 2 hexadecimal
  fontSize: number; // px
  savedText: string | null; // the text as last written to or read from a file
}

export const KEY = 'mox77.web.v1';

export const defaults: Kept = {
  text: '',
  fileName: 'program.asm',
  encoding: 'utf-8',
  eol: '\n',
  exercise: '',
  base: 2,
  fontSize: 15,
  savedText: '',
};

// Anything stored that does not look right is replaced by its default, so a
// damaged or older entry never breaks the page.
export function parseKept(raw: string | null): Kept {
  const out: Kept = { ...defaults };
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
  if (typeof o.savedText === 'string' || o.savedText === null) out.savedText = o.savedText as string | null;
  return out;
}

export function load(store: Storage | undefined): Kept {
  try {
    return parseKept(store?.getItem(KEY) ?? null);
  } catch {
    return { ...defaults };
  }
}

export function save(store: Storage | undefined, kept: Kept): boolean {
  try {
    store?.setItem(KEY, JSON.stringify(kept));
    return true;
  } catch {
    return false; // full or forbidden: the page goes on without it
  }
}

// True when leaving would lose text: it differs from what a file holds.
export function unsaved(kept: Pick<Kept, 'text' | 'savedText'>): boolean {
  if (kept.savedText === null) return kept.text.trim() !== '';
  return kept.text !== kept.savedText;
}
