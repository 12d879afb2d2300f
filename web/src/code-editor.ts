// The full editor: CodeMirror with the language taken from the core,
// zerlant's errors under their lines, and the mark on the next word's line.
// It is a script of its own in the page (see editor.ts): the page is usable
// before this much code is even compiled, and it knows the page only
// through the host it is given.
import { EditorState, Compartment, StateEffect, StateField, RangeSetBuilder, type Text } from '@codemirror/state';
import {
  EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
  drawSelection, highlightSpecialChars, Decoration, placeholder, type DecorationSet,
} from '@codemirror/view';
import { defaultKeymap, history as undoHistory, historyKeymap, indentWithTab, isolateHistory } from '@codemirror/commands';
import { searchKeymap, highlightSelectionMatches, gotoLine } from '@codemirror/search';
import { lintGutter, setDiagnostics, nextDiagnostic, previousDiagnostic, lintKeymap, type Diagnostic } from '@codemirror/lint';
import { completionKeymap } from '@codemirror/autocomplete';
import type { InstructionInfo } from '@mox77core';
import { ownLineEnds } from './bytes';
import { languageFor, highlight } from './lang';

export interface EditorHost {
  // the text as the page loaded it: Undo goes back as far as this
  loaded: string;
  language: { table: InstructionInfo[]; registers: string[] } | null;
  wrap: boolean;
  tabIndents: boolean;
  readOnly: boolean; // the text is shown, and can be selected and copied, but not changed
  changed(): void; // the text changed
  toggleTabIndents(): void;
}

// zerlant's verdict on one line (0-based; past the end: the last line)
export interface LineNote {
  index: number;
  severity: 'error' | 'hint';
  message: string;
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

function lineOf(doc: Text, index: number) {
  return doc.line(index < 0 || index >= doc.lines ? doc.lines : index + 1);
}

export function createCodeEditor(host: EditorHost) {
  const wrapping = new Compartment();
  // Tab moves the focus out of the editor, unless the student chose Tab to
  // indent: no keyboard trap, and walking through the page with Tab never
  // changes the text.
  const tabKeys = new Compartment();
  const tabKeymap = (on: boolean) => (on ? keymap.of([indentWithTab]) : []);
  const view = new EditorView({
    state: EditorState.create({
      doc: host.loaded,
      extensions: [
        lineNumbers(), highlightActiveLineGutter(), highlightSpecialChars(), undoHistory(), drawSelection(),
        highlightActiveLine(), highlightSelectionMatches(), lintGutter(), nextLineField,
        host.language ? languageFor(host.language.table, host.language.registers) : [], highlight,
        wrapping.of(host.wrap ? EditorView.lineWrapping : []),
        EditorState.lineSeparator.of('\n'),
        EditorView.clipboardInputFilter.of(ownLineEnds),
        placeholder('One instruction a line, then halt; then Step.'),
        keymap.of([
          { key: 'F8', run: nextDiagnostic, preventDefault: true },
          { key: 'Shift-F8', run: previousDiagnostic, preventDefault: true },
          { key: 'Alt-g', run: gotoLine, preventDefault: true },
          { key: 'Ctrl-m', mac: 'Shift-Alt-m', run: () => (host.toggleTabIndents(), true), preventDefault: true },
          ...completionKeymap, ...searchKeymap, ...historyKeymap, ...lintKeymap,
        ]),
        tabKeys.of(tabKeymap(host.tabIndents)),
        keymap.of(defaultKeymap),
        // tabindex: the text is reached by keyboard, and so its scroller is
        EditorView.contentAttributes.of({ 'aria-label': 'Program text', spellcheck: 'false', tabindex: '0' }),
        host.readOnly ? [EditorState.readOnly.of(true), EditorView.contentAttributes.of({ 'aria-readonly': 'true' })] : [],
        EditorView.updateListener.of((u) => {
          if (u.docChanged) host.changed();
        }),
      ],
    }),
  });

  const selectLine = (index: number) => {
    const line = lineOf(view.state.doc, index);
    view.dispatch({ selection: { anchor: line.from, head: line.to }, scrollIntoView: true });
    view.focus();
  };

  return {
    view,
    text: () => view.state.doc.toString(),
    // Replaces from..to; isolated: one step of Undo of its own, never merged
    // with the student's typing.
    replace(from: number, to: number, insert: string, isolated = false, anchor?: number) {
      view.dispatch({
        changes: { from, to, insert },
        selection: anchor === undefined ? undefined : { anchor },
        annotations: isolated ? isolateHistory.of('full') : undefined,
      });
    },
    showNotes(notes: LineNote[]) {
      const doc = view.state.doc;
      const diagnostics = notes.map((n): Diagnostic => {
        const line = lineOf(doc, n.index);
        return { from: line.from, to: line.to, severity: n.severity, message: n.message, source: 'zerlant' };
      });
      view.dispatch(setDiagnostics(view.state, diagnostics));
    },
    // the line of the next word (0-based), or none
    markNextLine: (line: number | null) => view.dispatch({ effects: setNextLine.of(line) }),
    selectLine,
    nextError(backwards: boolean) {
      view.focus();
      (backwards ? previousDiagnostic : nextDiagnostic)(view);
    },
    goToLine() {
      view.focus();
      gotoLine(view);
    },
    setTabIndents: (on: boolean) => view.dispatch({ effects: tabKeys.reconfigure(tabKeymap(on)) }),
    setWrapping: (on: boolean) => view.dispatch({ effects: wrapping.reconfigure(on ? EditorView.lineWrapping : []) }),
    // An on-screen keyboard shrank the visible part of the page: the line
    // being typed stays above it.
    keepCursorVisible() {
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
    },
  };
}

export type CodeEditor = ReturnType<typeof createCodeEditor>;

// How the page reaches it: this file runs as a classic script of its own.
(globalThis as { mox77CodeEditor?: typeof createCodeEditor }).mox77CodeEditor = createCodeEditor;
