// The program's editor: CodeMirror with the language taken from the core,
// zerlant's errors while typing, and the mark on the next word's line.
import { EditorState, Compartment, StateEffect, StateField, RangeSetBuilder } from '@codemirror/state';
import {
  EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
  drawSelection, highlightSpecialChars, Decoration, placeholder, type DecorationSet,
} from '@codemirror/view';
import { defaultKeymap, history as undoHistory, historyKeymap, indentWithTab } from '@codemirror/commands';
import { searchKeymap, highlightSelectionMatches, gotoLine } from '@codemirror/search';
import { lintGutter, setDiagnostics, nextDiagnostic, previousDiagnostic, lintKeymap, type Diagnostic } from '@codemirror/lint';
import { completionKeymap } from '@codemirror/autocomplete';
import type { Assembly } from '@mox77core';
import { encodeText, ownLineEnds } from './bytes';
import { languageFor, highlight } from './lang';
import { $, page, emit, on, errorsText } from './state';
import { showPart } from './parts';

// One column (a phone, a tablet, a zoomed page): long lines wrap rather
// than scroll sideways.
const wrapping = new Compartment();
const oneColumn = globalThis.matchMedia?.('(max-width: 1023px)');
oneColumn?.addEventListener('change', () => view.dispatch({ effects: wrapping.reconfigure(oneColumn.matches ? EditorView.lineWrapping : []) }));
// Tab moves the focus out of the editor, unless the student chose Tab to
// indent (Ctrl+M, shown beside the editor): no keyboard trap, and walking
// through the page with Tab never changes the text.
const tabKeys = new Compartment();
let tabIndents = false;

export function setTabIndents(on: boolean) {
  // each reconfiguring rebuilds the editor's whole state: skip it when nothing changes
  if (on !== tabIndents) view.dispatch({ effects: tabKeys.reconfigure(on ? keymap.of([indentWithTab]) : []) });
  tabIndents = on;
  const button = $('tab-indents');
  button.setAttribute('aria-pressed', String(on));
  $('tab-help').textContent = on
    ? 'Tab indents the program; Ctrl+M, or Escape then Tab, leaves the editor.'
    : 'Tab moves to the next control; Ctrl+M makes Tab indent.';
}

function toggleTabIndents(): boolean {
  setTabIndents(!tabIndents);
  return true;
}

const setNextLine = StateEffect.define<number | null>();
const nextLineField = StateField.define<DecorationSet>({
  create: () => Decoration.none,
  update(deco, tr) {
    // an edited text is no longer the program that was loaded
    if (tr.docChanged) deco = Decoration.none;
    for (const e of tr.effects) {
      if (e.is(setNextLine)) {
        if (e.value === null || e.value >= tr.state.doc.lines) deco = Decoration.none;
        else {
          const b = new RangeSetBuilder<Decoration>();
          const line = tr.state.doc.line(e.value + 1);
          b.add(line.from, line.from, Decoration.line({ class: 'cm-next-line' }));
          deco = b.finish();
        }
      }
    }
    return deco;
  },
  provide: (f) => EditorView.decorations.from(f),
});

// Built apart from the page and put in by attachEditor(): while it is in
// the page, each change of the editor reads the selection back, and each
// read lays out the whole page that is still being built.
export const view = new EditorView({
  state: EditorState.create({
    doc: page.kept.text,
    extensions: [
      lineNumbers(), highlightActiveLineGutter(), highlightSpecialChars(), undoHistory(), drawSelection(),
      highlightActiveLine(), highlightSelectionMatches(), lintGutter(), nextLineField,
      page.core ? languageFor(page.core.instructionTable(), page.core.registerNames()) : [], highlight, wrapping.of(oneColumn?.matches ? EditorView.lineWrapping : []),
      EditorState.lineSeparator.of('\n'),
      EditorView.clipboardInputFilter.of(ownLineEnds),
      placeholder('One instruction a line, then halt; then Step.'),
      keymap.of([
        { key: 'F8', run: nextDiagnostic, preventDefault: true },
        { key: 'Shift-F8', run: previousDiagnostic, preventDefault: true },
        { key: 'Alt-g', run: gotoLine, preventDefault: true },
        { key: 'Ctrl-m', mac: 'Shift-Alt-m', run: toggleTabIndents, preventDefault: true },
        ...completionKeymap, ...searchKeymap, ...historyKeymap, ...lintKeymap,
      ]),
      tabKeys.of([]),
      keymap.of(defaultKeymap),
      // tabindex: the text is reached by keyboard, and so its scroller is
      EditorView.contentAttributes.of({ 'aria-label': 'Program text', spellcheck: 'false', tabindex: '0' }),
      EditorView.updateListener.of((u) => {
        if (u.docChanged) {
          page.docVersion++;
          page.opened8xe = null; // an edit brings the editor's program back
          emit('text');
        }
      }),
    ],
  }),
});
performance.mark('mox-editor');

export function attachEditor() {
  if (view.dom.isConnected) return;
  $('editor').append(view.dom);
  view.requestMeasure();
}

export function text(): string {
  return view.state.doc.toString();
}

export function setText(t: string) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: t }, selection: { anchor: 0 } });
}

// The text as its file holds it: its encoding and line ends.
export function sourceBytes(): Uint8Array {
  return encodeText(text(), page.kept.encoding, page.kept.eol);
}

export function applyFontSize() {
  document.documentElement.style.setProperty('--editor-font', `${page.kept.fontSize}px`);
  view.requestMeasure();
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
  const doc = view.state.doc;
  // An empty editor nobody has typed in is no program yet: zerlant's missing
  // halt would greet the student as an error.
  const untouched = page.docVersion === 0 && doc.length === 0;
  const lineOf = (index: number) => doc.line(index < 0 || index >= doc.lines ? doc.lines : index + 1);
  const diagnostics: Diagnostic[] = untouched ? [] : [
    ...asm.errors.map((e): Diagnostic => {
      const line = lineOf(e.index);
      return { from: line.from, to: line.to, severity: 'error', message: e.line, source: 'zerlant' };
    }),
    ...asm.misread.map((m): Diagnostic => {
      const line = lineOf(m.index);
      return { from: line.from, to: line.to, severity: 'hint', message: `read as ${m.reading}`, source: 'zerlant' };
    }),
  ];
  view.dispatch(setDiagnostics(view.state, diagnostics));
  const count = $('error-count');
  count.textContent = untouched ? '' : asm.errorCount === 0 ? 'No errors' : errorsText(asm.errorCount);
  count.classList.toggle('has-errors', !untouched && asm.errorCount > 0);
  performance.mark('mox-checked');
}

export function goToFirstError(asm: Assembly) {
  const e = asm.errors[0];
  const doc = view.state.doc;
  const n = !e || e.index < 0 || e.index >= doc.lines ? doc.lines : e.index + 1;
  const line = doc.line(n);
  showPart('edit-pane');
  view.dispatch({ selection: { anchor: line.from, head: line.to }, scrollIntoView: true });
  view.focus();
}

export function showSourceLine(line: number) {
  if (line >= view.state.doc.lines) return;
  const l = view.state.doc.line(line + 1);
  showPart('edit-pane');
  view.dispatch({ selection: { anchor: l.from, head: l.to }, scrollIntoView: true });
  view.focus();
}

// Marks the line of the next word (0-based), or none.
export function markNextLine(line: number | null) {
  view.dispatch({ effects: setNextLine.of(line) });
}

export function nextError(backwards: boolean) {
  showPart('edit-pane');
  view.focus();
  (backwards ? previousDiagnostic : nextDiagnostic)(view);
}

export function goToLine() {
  showPart('edit-pane');
  view.focus();
  gotoLine(view);
}

// An on-screen keyboard shrinks the visible part of the page: the line
// being typed stays above it.
globalThis.visualViewport?.addEventListener('resize', () => {
  if (!view.hasFocus) return;
  const head = view.state.selection.main.head;
  view.dispatch({ effects: EditorView.scrollIntoView(head, { y: 'nearest', yMargin: 24 }) });
  view.requestMeasure({
    read: () => view.coordsAtPos(head),
    write: (at) => {
      const vv = globalThis.visualViewport!;
      const bottom = vv.offsetTop + vv.height;
      if (at && at.bottom > bottom) window.scrollBy(0, at.bottom - bottom + 24);
    },
  });
});
