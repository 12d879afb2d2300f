// The program's editor, and zerlant's verdict on its text while typing.
// A plain text field in the page's HTML takes the student's keys from the
// first frame; the full editor (code-editor.ts: CodeMirror, which takes
// longer to compile than the rest of the page to start) is kept in the page
// packed, and put in the field's place, with its text, selection and focus,
// once the page is ready, or at once when something needs it.
import type { Assembly } from '@mox77core';
import type { CodeEditor, createCodeEditor, LineNote } from './code-editor';
import { encodeText } from './bytes';
import { unpack } from './unpack';
import { $, page, emit, on, errorsText, embedding } from './state';
import { showPane } from './tabs';

const plain = $<HTMLTextAreaElement>('plain-editor');
// What the page loaded: the full editor's Undo goes back to it.
const loaded = page.stored.text;
let typed = false; // the plain field's value is the text
let composing = false;
let full: CodeEditor | null = null;
let handingOver = false;
let nextLine: number | null = null;
let notes: LineNote[] = [];
let tabIndents = false;

// One column (a phone, a tablet, a zoomed page): long lines wrap rather
// than scroll sideways.
const oneColumn = globalThis.matchMedia?.('(max-width: 1023px)');
oneColumn?.addEventListener('change', () => full?.setWrapping(oneColumn.matches));

function changed() {
  if (handingOver) return; // the same text, now in the full editor
  page.docVersion++;
  page.opened8xe = null; // an edit brings the editor's program back
  nextLine = null; // an edited text is no longer the program that was loaded
  emit('text');
}

// Filled only if still empty: whatever a student typed into the field
// before this ran is theirs (main.ts keeps it).
if (plain.value) {
  typed = true;
  page.docVersion++;
} else {
  plain.value = loaded;
}
plain.addEventListener('input', () => {
  typed = true;
  changed();
});
plain.addEventListener('compositionstart', () => (composing = true));
plain.addEventListener('compositionend', () => (composing = false));

// The full editor's script, kept in the page packed, unpacked here while
// the core loads. Every control that needs the full editor is wired after
// this, so it is at hand as soon as one can be used.
const packedSource = $('code-editor-script');
let source: string | Error | null = await unpack(packedSource.textContent ?? '').then(
  (bytes) => new TextDecoder().decode(bytes),
  (e: Error) => e,
);
packedSource.remove();

plain.addEventListener('keydown', (e) => {
  if (e.ctrlKey && !e.altKey && !e.shiftKey && !e.metaKey && e.key.toLowerCase() === 'm') {
    e.preventDefault();
    setTabIndents(!tabIndents);
    editorView().focus();
  }
});

// Compiled here, not with the page.
function codeEditorScript(): typeof createCodeEditor {
  const g = globalThis as { mox77CodeEditor?: typeof createCodeEditor };
  if (!g.mox77CodeEditor) {
    if (source instanceof Error) throw new Error(`The full editor could not be unpacked: ${source.message}`);
    const script = document.createElement('script');
    script.textContent = source;
    document.head.append(script);
    script.remove();
    source = null; // run once; no need to hold it
  }
  return g.mox77CodeEditor!;
}

// The full editor, put in the page now if it is not there yet.
export function fullEditor(): CodeEditor {
  if (full) return full;
  const core = page.core;
  const editor = codeEditorScript()({
    loaded,
    language: core ? { table: core.instructionTable(), registers: core.registerNames() } : null,
    wrap: oneColumn?.matches ?? false,
    tabIndents,
    readOnly: !!embedding?.readonly,
    changed,
    toggleTabIndents: () => setTabIndents(!tabIndents),
  });
  const hadFocus = document.activeElement === plain;
  const { selectionStart, selectionEnd, selectionDirection } = plain;
  handingOver = true;
  try {
    // what was typed meanwhile is one step of Undo
    if (typed && plain.value !== loaded) editor.replace(0, loaded.length, plain.value, true);
    const end = editor.view.state.doc.length;
    const [from, to] = [Math.min(selectionStart, end), Math.min(selectionEnd, end)];
    const backward = selectionDirection === 'backward';
    editor.view.dispatch({ selection: { anchor: backward ? to : from, head: backward ? from : to } });
  } finally {
    handingOver = false;
  }
  full = editor;
  const scrolled = plain.scrollTop;
  plain.replaceWith(editor.view.dom);
  editor.view.scrollDOM.scrollTop = scrolled;
  editor.showNotes(notes);
  editor.markNextLine(nextLine);
  if (hadFocus) editor.view.focus();
  return editor;
}

export function editorView() {
  return fullEditor().view;
}

// Puts the full editor in when the browser has a moment (not amid a word
// being composed), in two steps so that a key pressed meanwhile waits for
// one of them only: its script compiled, then the editor built and put in.
// Resolves when it is in.
export async function completeEditor(): Promise<void> {
  const idle = () => new Promise<void>((resolve) => {
    if ('requestIdleCallback' in globalThis) requestIdleCallback(() => resolve(), { timeout: 1000 });
    else setTimeout(resolve, 1);
  });
  await idle();
  codeEditorScript();
  do await idle();
  while (!full && composing);
  fullEditor();
}

// The full editor has the keys (F8, Alt+G and the like are its own); the
// plain field leaves them to the page, which brings the full editor in.
export function codeEditorHasFocus(): boolean {
  return full?.view.hasFocus ?? false;
}

export function focusEditor() {
  (full ? full.view : plain).focus();
}

export function text(): string {
  return full ? full.text() : typed ? plain.value : loaded;
}

export function setText(t: string) {
  const editor = fullEditor();
  editor.replace(0, editor.view.state.doc.length, t, false, 0);
}

// Takes in another tab's text as one step of Undo of its own.
export function replaceText(from: number, to: number, insert: string) {
  fullEditor().replace(from, to, insert, true);
}

// The text as its file holds it: its encoding and line ends.
export function sourceBytes(): Uint8Array {
  return encodeText(text(), page.stored.encoding, page.stored.eol);
}

export function applyFontSize() {
  document.documentElement.style.setProperty('--editor-font', `${page.stored.fontSize}px`);
  full?.view.requestMeasure();
}

// Tab moves the focus out of the editor, unless the student chose Tab to
// indent (Ctrl+M, shown beside the editor).
export function setTabIndents(on: boolean) {
  if (on !== tabIndents) fullEditor().setTabIndents(on);
  tabIndents = on;
  $('tab-indents').setAttribute('aria-pressed', String(on));
  $('tab-help').textContent = on
    ? 'Tab indents the program; Ctrl+M, or Escape then Tab, leaves the editor.'
    : 'Tab moves to the next control; Ctrl+M makes Tab indent.';
}

// ---------------------------------------------------------------- checking while typing
let lastAssembly: { version: number; asm: Assembly } | null = null;
let checkQueued = false;

export function scheduleCheck() {
  if (checkQueued || !page.core) return;
  checkQueued = true;
  queueMicrotask(() => {
    checkQueued = false;
    checkNow();
  });
}
on('text', scheduleCheck);

// zerlant's verdict on the text, made once per version of it.
export function assembly(): Assembly {
  if (!lastAssembly || lastAssembly.version !== page.docVersion) {
    lastAssembly = { version: page.docVersion, asm: page.core!.assemble(sourceBytes()) };
  }
  return lastAssembly.asm;
}

export function checkNow() {
  const asm = assembly();
  // An empty editor nobody has typed in is no program yet: zerlant's missing
  // halt would greet the student as an error.
  const untouched = page.docVersion === 0 && text().length === 0;
  notes = untouched ? [] : [
    ...asm.errors.map((e): LineNote => ({ index: e.index, severity: 'error', message: e.line })),
    ...asm.misread.map((m): LineNote => ({ index: m.index, severity: 'hint', message: `read as ${m.reading}` })),
  ];
  full?.showNotes(notes);
  const count = $('error-count');
  count.textContent = untouched ? '' : asm.errorCount === 0 ? 'No errors' : errorsText(asm.errorCount);
  count.classList.toggle('has-errors', !untouched && asm.errorCount > 0);
  performance.mark('mox-checked');
}

export function goToFirstError(asm: Assembly) {
  const editor = fullEditor();
  showPane('edit-pane');
  editor.selectLine(asm.errors[0]?.index ?? -1);
}

export function showSourceLine(line: number) {
  const editor = fullEditor();
  if (line >= editor.view.state.doc.lines) return;
  showPane('edit-pane');
  editor.selectLine(line);
}

// Marks the line of the next word (0-based), or none.
export function markNextLine(line: number | null) {
  nextLine = line;
  full?.markNextLine(line);
}

export function nextError(backwards: boolean) {
  showPane('edit-pane');
  fullEditor().nextError(backwards);
}

export function goToLine() {
  showPane('edit-pane');
  fullEditor().goToLine();
}

globalThis.visualViewport?.addEventListener('resize', () => {
  if (full?.view.hasFocus) full.keepCursorVisible();
});
