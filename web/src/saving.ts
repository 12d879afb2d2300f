// Keeping the text in the browser: shortly after each change and at once
// when the page is hidden or left. Several tabs share the one entry, so a
// tab writes only the members it changed, takes another tab's newer text
// when it has none of its own, and asks the student when both changed it.
// Embedded in a course page or a slide, the page keeps nothing: it neither
// writes, nor listens to other tabs, nor asks before it is left.
import { save as saveStored, load as loadStored, parseStored, unsaved, incoming, KEY, TEXT_FIELDS, type Stored } from './storage';
import { text, replaceText } from './editor';
import { $, page, on, emit, embedding } from './state';
import { notice } from './messages';

const tabId = Math.random().toString(36).slice(2, 10);
let writes = 0;
let persistTimer: number | undefined;
const changed = new Set<keyof Stored>();
let base = page.stored.stamp; // the stored text this tab's text was made from
let taking = false; // the editor is taking another tab's text, not the student's edit
let theirs: Stored | null = null; // another tab's text, while the student decides

function ownTextChanges(): boolean {
  return TEXT_FIELDS.some((f) => changed.has(f));
}

// Marks members of page.stored as changed by this tab, to be written soon (or now).
export function remember(fields: (keyof Stored)[], now = false) {
  for (const f of fields) changed.add(f);
  persist(now);
}

export function persist(now = false) {
  if (embedding) return;
  if (!now) {
    persistTimer ??= window.setTimeout(() => persist(true), 120);
    return;
  }
  clearTimeout(persistTimer);
  persistTimer = undefined;
  if (changed.size === 0) return;
  const store = globalThis.localStorage;
  page.stored.text = text();
  let fields = [...changed];
  if (ownTextChanges()) {
    // Another tab may have written since this tab last looked (its storage
    // event not yet seen): never write over that text unseen.
    if (!theirs) {
      const stored = loadStored(store);
      if (incoming(base, true, page.stored.text, stored) === 'conflict') showConflict(stored);
    }
    if (theirs) fields = fields.filter((f) => !(TEXT_FIELDS as readonly string[]).includes(f));
    else {
      page.stored.stamp = `${tabId}.${++writes}`;
      fields = [...new Set([...fields, ...TEXT_FIELDS])];
    }
  }
  const failed = !saveStored(store, page.stored, fields);
  if (!failed) {
    for (const f of fields) changed.delete(f);
    if (fields.includes('stamp')) base = page.stored.stamp;
  }
  if (failed !== page.storeFailed) {
    page.storeFailed = failed;
    if (failed) notice('The browser has no room to keep this text: save it to a file, or a reload loses it.');
    emit('file');
  }
}

on('text', () => {
  if (!taking) remember(['text']);
});

// Takes another tab's text into the editor as one change, so that Undo
// brings this tab's own text back.
function take(other: Stored) {
  const { stored } = page;
  const old = text();
  if (old !== other.text) {
    let from = 0;
    while (from < old.length && from < other.text.length && old[from] === other.text[from]) from++;
    let end = 0;
    while (end < old.length - from && end < other.text.length - from && old[old.length - 1 - end] === other.text[other.text.length - 1 - end]) end++;
    taking = true;
    try {
      replaceText(from, old.length - end, other.text.slice(from, other.text.length - end));
    } finally {
      taking = false;
    }
  }
  for (const f of TEXT_FIELDS) (stored as unknown as Record<string, unknown>)[f] = other[f];
  for (const f of TEXT_FIELDS) changed.delete(f);
  base = other.stamp;
  emit('file');
}

function showConflict(other: Stored) {
  theirs = other;
  $('tab-conflict').hidden = false;
}

function endConflict() {
  theirs = null;
  $('tab-conflict').hidden = true;
}

if (!embedding) window.addEventListener('storage', (e) => {
  if (e.key !== KEY || e.newValue === null || e.storageArea !== globalThis.localStorage) return;
  const other = parseStored(e.newValue);
  const what = incoming(base, ownTextChanges() || theirs !== null, text(), other);
  if (what === 'ignore') return;
  if (what === 'take') {
    take(other);
    if (theirs) endConflict();
    notice('This program was changed in another tab: this tab shows it now.');
  } else {
    showConflict(other);
  }
});

export function wireSaving() {
  $('take-theirs').addEventListener('click', () => {
    if (theirs) take(theirs);
    endConflict();
    notice("This tab shows the other tab's text now; Undo brings this tab's text back.");
  });
  $('keep-mine').addEventListener('click', () => {
    if (theirs) base = theirs.stamp;
    endConflict();
    remember(['text'], true);
    notice("This tab's text is the one kept now.");
  });
}

if (!embedding) {
  window.addEventListener('pagehide', () => persist(true));
  document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && persist(true));
  // Asks only when leaving would lose the text: the browser could not keep it
  // (and no file holds it), or another tab's text stands in its way. A text
  // kept here comes back on the next open, so asking then is only noise.
  window.addEventListener('beforeunload', (e) => {
    persist(true);
    if (theirs || (page.storeFailed && unsaved(text(), page.stored.savedPrint))) {
      e.preventDefault();
      e.returnValue = '';
    }
  });
}
