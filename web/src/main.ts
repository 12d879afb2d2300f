// The web edition's page: one editor, one machine, one loop.
import './style.css';
import { EditorState, Compartment, StateEffect, StateField, RangeSetBuilder } from '@codemirror/state';
import {
  EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter,
  drawSelection, highlightSpecialChars, Decoration, placeholder, type DecorationSet,
} from '@codemirror/view';
import { defaultKeymap, history as undoHistory, historyKeymap, indentWithTab } from '@codemirror/commands';
import { searchKeymap, highlightSelectionMatches, gotoLine } from '@codemirror/search';
import { lintGutter, setDiagnostics, nextDiagnostic, previousDiagnostic, lintKeymap, type Diagnostic } from '@codemirror/lint';
import { completionKeymap } from '@codemirror/autocomplete';
import type { Assembly, Core, Machine } from '@mox77core';
import { loadCore } from './core';
import { decodeBytes, encodeText, looksBinary, MAX_FILE_BYTES, type Encoding, type Eol } from './bytes';
import { load as loadKept, save as saveKept, unsaved, type Kept } from './storage';
import { collectExercises, type Exercise } from './exercises';
import { renderMarkdown } from './markdown';
import { makeFragment, readFragment } from './share';
import { collapse, announce, type Lit } from './changes';
import { languageFor, highlight } from './lang';
import { Listing } from './listing';

const $ = <T extends HTMLElement = HTMLElement>(id: string) => document.getElementById(id) as T;

const exerciseFiles = import.meta.glob(['@examples/exercises/*/task.md', '@examples/exercises/*/start.asm', '@examples/exercises/*/*.json'], {
  query: '?raw', import: 'default', eager: true,
}) as Record<string, string>;
const exercises: Exercise[] = collectExercises(exerciseFiles);

// Started first, so the wasm compiles while the editor is being built.
const corePromise = loadCore();

// ---------------------------------------------------------------- state
const kept: Kept = loadKept(globalThis.localStorage);
let core: Core | null = null;
let machine: Machine | null = null;
let docVersion = 0; // grows with every change of the text
let lastAssembly: { version: number; asm: Assembly } | null = null;
let stepKey: string | null = null; // what the step-mode load was made from
let opened8xe: { name: string; bytes: Uint8Array; serial: number } | null = null;
let openSerial = 0;
let fileHandle: FileSystemFileHandle | null = null;
let lit: Lit[] = [];
const shown = { regs: new Array<string>(16).fill(''), mem: new Array<string>(256).fill(''), base: -1 };

// ---------------------------------------------------------------- editor
const language = new Compartment();
const fontTheme = new Compartment();

const setNextLine = StateEffect.define<number | null>();
const nextLineField = StateField.define<DecorationSet>({
  create: () => Decoration.none,
  update(deco, tr) {
    deco = deco.map(tr.changes);
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

const view = new EditorView({
  parent: $('editor'),
  state: EditorState.create({
    doc: kept.text,
    extensions: [
      lineNumbers(), highlightActiveLineGutter(), highlightSpecialChars(), undoHistory(), drawSelection(),
      highlightActiveLine(), highlightSelectionMatches(), lintGutter(), nextLineField,
      language.of([]), highlight, fontTheme.of([]),
      EditorState.lineSeparator.of('\n'),
      placeholder('One instruction a line, then halt; then Step.'),
      keymap.of([
        { key: 'F8', run: nextDiagnostic, preventDefault: true },
        { key: 'Shift-F8', run: previousDiagnostic, preventDefault: true },
        { key: 'Alt-g', run: gotoLine, preventDefault: true },
        ...completionKeymap, ...searchKeymap, ...historyKeymap, ...lintKeymap, indentWithTab, ...defaultKeymap,
      ]),
      EditorView.contentAttributes.of({ 'aria-label': 'Program text', spellcheck: 'false' }),
      EditorView.updateListener.of((u) => {
        if (u.docChanged) textChanged();
      }),
    ],
  }),
});
performance.mark('mox-editor');

function text(): string {
  return view.state.doc.toString();
}

function setText(t: string) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: t }, selection: { anchor: 0 } });
}

function sourceBytes(): Uint8Array {
  return encodeText(text(), kept.encoding, kept.eol);
}

function setFontSize(px: number) {
  kept.fontSize = Math.max(9, Math.min(32, px));
  document.documentElement.style.setProperty('--editor-font', `${kept.fontSize}px`);
  view.requestMeasure();
  persist();
}

// ---------------------------------------------------------------- persistence
let persistTimer: number | undefined;
let keptFailed = false; // the browser refused the last save: a reload would lose the text
function persist(now = false) {
  kept.text = text();
  if (now) {
    clearTimeout(persistTimer);
    persistTimer = undefined;
    const failed = !saveKept(globalThis.localStorage, kept);
    if (failed !== keptFailed) {
      keptFailed = failed;
      if (failed) notice('The browser has no room to keep this text: save it to a file, or a reload loses it.');
      showFileName();
    }
  } else if (persistTimer === undefined) {
    persistTimer = window.setTimeout(() => persist(true), 120);
  }
}
window.addEventListener('pagehide', () => persist(true));
document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && persist(true));
window.addEventListener('beforeunload', (e) => {
  persist(true);
  if (unsaved(kept)) {
    e.preventDefault();
    e.returnValue = '';
  }
});

function textChanged() {
  docVersion++;
  if (opened8xe) opened8xe = null; // an edit brings the editor's program back
  persist();
  scheduleCheck();
  showFileName();
}

// ---------------------------------------------------------------- checking while typing
let checkQueued = false;
function scheduleCheck() {
  if (checkQueued || !core) return;
  checkQueued = true;
  queueMicrotask(() => {
    checkQueued = false;
    checkNow();
  });
}

function assembly(): Assembly {
  if (!lastAssembly || lastAssembly.version !== docVersion) {
    lastAssembly = { version: docVersion, asm: core!.assemble(sourceBytes()) };
  }
  return lastAssembly.asm;
}

function checkNow() {
  const asm = assembly();
  const doc = view.state.doc;
  const diagnostics: Diagnostic[] = asm.errors.map((e) => {
    const n = e.index < 0 || e.index >= doc.lines ? doc.lines : e.index + 1;
    const line = doc.line(n);
    return { from: line.from, to: line.to, severity: 'error', message: e.line, source: 'zerlant' };
  });
  view.dispatch(setDiagnostics(view.state, diagnostics));
  const count = $('error-count');
  count.textContent = asm.errorCount === 0 ? 'No errors' : `${asm.errorCount} ${asm.errorCount === 1 ? 'error' : 'errors'}`;
  count.classList.toggle('has-errors', asm.errorCount > 0);
  performance.mark('mox-checked');
}

function notice(msg: string) {
  const el = $('notice');
  el.textContent = '';
  // a fresh text node each time, so the same words are announced again
  requestAnimationFrame(() => (el.textContent = msg));
  el.textContent = msg;
}

function goToFirstError(asm: Assembly) {
  const e = asm.errors[0];
  const doc = view.state.doc;
  const n = !e || e.index < 0 || e.index >= doc.lines ? doc.lines : e.index + 1;
  const line = doc.line(n);
  view.dispatch({ selection: { anchor: line.from, head: line.to }, scrollIntoView: true });
  view.focus();
}

// ---------------------------------------------------------------- messages
function showMessages(msgs: { text: string; caption: string; icon: string }[]) {
  const box = $('messages');
  box.replaceChildren();
  for (const m of msgs) {
    const div = document.createElement('div');
    div.className = `msg ${m.icon}`;
    const cap = document.createElement('span');
    cap.className = 'caption';
    cap.textContent = m.caption;
    const body = document.createElement('span');
    body.className = 'text';
    body.textContent = m.text;
    div.append(cap, body);
    box.append(div);
  }
}

function pageMessage(textMsg: string, caption = 'MOX77', icon = 'information') {
  showMessages([{ text: textMsg, caption, icon }]);
}

// ---------------------------------------------------------------- machine display
const regBody = $('registers').querySelector('tbody')!;
const regCells: HTMLTableCellElement[] = [];
const memCells: HTMLTableCellElement[] = [];
const listing = new Listing($('listing'), (line) => showSourceLine(line));

function buildTables(names: string[]) {
  regBody.replaceChildren();
  names.forEach((name, i) => {
    const tr = document.createElement('tr');
    const th = document.createElement('th');
    th.scope = 'row';
    th.textContent = name;
    const num = document.createElement('td');
    num.textContent = i.toString(16);
    const v = document.createElement('td');
    v.className = 'v';
    tr.append(th, num, v);
    regBody.append(tr);
    regCells.push(v);
  });
  const mem = $('memory') as HTMLTableElement;
  const head = document.createElement('tr');
  const corner = document.createElement('td');
  corner.textContent = '';
  head.append(corner);
  for (let c = 0; c < 16; c++) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = '_' + c.toString(16);
    head.append(th);
  }
  mem.tHead!.replaceChildren(head);
  const body = mem.tBodies[0];
  body.replaceChildren();
  for (let r = 0; r < 16; r++) {
    const tr = document.createElement('tr');
    const th = document.createElement('th');
    th.scope = 'row';
    th.textContent = r.toString(16) + '_';
    tr.append(th);
    for (let c = 0; c < 16; c++) {
      const td = document.createElement('td');
      tr.append(td);
      memCells.push(td);
    }
    body.append(tr);
  }
}

function fmt(v: number): string {
  return core!.formatNumber(v, kept.base);
}

function placeName(l: Lit): string {
  return l.where === 'register' ? core!.registerNames()[l.index] : `cell ${l.index.toString(16).padStart(2, '0')}`;
}

function paintCell(td: HTMLTableCellElement, value: string, l: Lit | undefined) {
  const label = l ? ` (was ${fmt(l.before)}, now ${fmt(l.after)})` : '';
  const key = value + label;
  if (td.dataset.k === key) return;
  td.dataset.k = key;
  td.textContent = value;
  if (l) {
    const hidden = document.createElement('span');
    hidden.className = 'visually-hidden';
    hidden.textContent = label;
    td.append(hidden);
    td.title = `was ${fmt(l.before)}, now ${fmt(l.after)}`;
    td.classList.add('lit');
  } else {
    td.removeAttribute('title');
    td.classList.remove('lit');
  }
}

function paintMachine() {
  if (!core || !machine) return;
  const regs = machine.registers();
  const mem = machine.memory();
  const litReg = new Map<number, Lit>();
  const litMem = new Map<number, Lit>();
  for (const l of lit) (l.where === 'register' ? litReg : litMem).set(l.index, l);
  for (let i = 0; i < 16; i++) paintCell(regCells[i], fmt(regs[i]), litReg.get(i));
  for (let i = 0; i < 256; i++) paintCell(memCells[i], fmt(mem[i]), litMem.get(i));
  $('executed').textContent = String(machine.executedCount());
  $('halted').textContent = machine.running() ? 'no' : 'yes';
  $('mode').textContent = machine.mode() === 0 ? 'Step by step' : 'Full execution';
  $('back').toggleAttribute('aria-disabled', !machine.canGoBack());
  const stepping = machine.mode() === 0 && machine.programLoaded();
  const next = stepping ? Math.floor(machine.instructionPointer() / 4) : -1;
  listing.setNext(next);
  const lines = listing.lines;
  view.dispatch({ effects: setNextLine.of(lines && next >= 0 && next < lines.length && stepKey === editorKey() ? lines[next] : null) });
}

// After every action: the core's display events, what changed, the repaint.
// `wordRan`: a word was executed or taken back, so a screen reader hears
// that it happened even when it changed nothing, as on the desktop.
function afterAction(wordRan = false) {
  const msgs: { text: string; caption: string; icon: string }[] = [];
  for (const e of machine!.takeEvents()) {
    switch (e.kind) {
      case 'message': msgs.push(e); break;
      case 'title': $('machine-title').textContent = e.text; break;
      case 'listing': listing.setText(e.text, listingLines); break;
      case 'nextInstruction': $('next-instruction').textContent = e.text; break;
      case 'nextInstructionVisible': $('next-instruction').hidden = !e.visible; break;
      default: break;
    }
  }
  showMessages(msgs);
  lit = collapse(machine!.lastChanges());
  paintMachine();
  $('announce').textContent = lit.length ? announce(lit, placeName, fmt) : wordRan ? 'nothing changed' : '';
  performance.mark('mox-painted');
  return msgs;
}

let listingLines: number[] | null = null;

function showSourceLine(line: number) {
  if (line >= view.state.doc.lines) return;
  const l = view.state.doc.line(line + 1);
  view.dispatch({ selection: { anchor: l.from, head: l.to }, scrollIntoView: true });
  view.focus();
}

// ---------------------------------------------------------------- run control
function editorKey(): string {
  return opened8xe ? `8xe:${opened8xe.serial}` : `text:${docVersion}`;
}

// The program to load: the opened .8xe, or the text assembled; null (and
// said so) while the text has errors.
function program(): Uint8Array | null {
  if (!core || !machine) {
    notice('The core is still loading.');
    return null;
  }
  if (opened8xe) {
    listingLines = null;
    return opened8xe.bytes;
  }
  const asm = assembly();
  if (asm.errorCount > 0) {
    notice(`The program has ${asm.errorCount} ${asm.errorCount === 1 ? 'error' : 'errors'}: fix ${asm.errorCount === 1 ? 'it' : 'them'} first.`);
    checkNow();
    goToFirstError(asm);
    return null;
  }
  listingLines = Array.from(asm.wordLines);
  return latin1Bytes(asm.machineCode);
}

// The core's texts of words hold one byte per character.
function latin1Bytes(t: string): Uint8Array {
  return Uint8Array.from(t, (c) => c.charCodeAt(0) & 0xff);
}

function run() {
  const code = program();
  if (!code) return;
  notice('');
  machine!.setMode(1);
  machine!.loadProgram(code);
  stepKey = null;
  afterAction();
}

function step() {
  const key = editorKey();
  if (stepKey === key && machine && machine.mode() === 0) {
    notice('');
    const count = machine.executedCount();
    machine.step();
    afterAction(machine.executedCount() !== count);
    return;
  }
  const code = program();
  if (!code) return;
  notice('');
  machine!.setMode(0);
  machine!.loadProgram(code);
  stepKey = key;
  afterAction();
}

function back() {
  if (!machine) return;
  if (!machine.back()) {
    afterAction();
    notice('Nothing to take back.');
    return;
  }
  notice('');
  afterAction(true);
}

function reset() {
  if (!machine) return;
  machine.reset();
  stepKey = null;
  notice('');
  afterAction();
}

function typeInstruction() {
  if (!machine) return;
  const field = $<HTMLInputElement>('instruction');
  const count = machine.executedCount();
  machine.typeInstruction(field.value);
  const msgs = afterAction(machine.executedCount() !== count);
  if (!msgs.some((m) => m.icon === 'error')) field.value = '';
}

// ---------------------------------------------------------------- asking
function ask(question: string, yes = 'Replace', no = 'Keep my text'): Promise<boolean> {
  const dlg = $<HTMLDialogElement>('ask');
  $('ask-text').textContent = question;
  $('ask-yes').textContent = yes;
  $('ask-no').textContent = no;
  return new Promise((resolve) => {
    const done = (answer: boolean) => {
      $('ask-yes').onclick = null;
      $('ask-no').onclick = null;
      dlg.onclose = null;
      if (dlg.open) dlg.close();
      resolve(answer);
    };
    $('ask-yes').onclick = () => done(true);
    $('ask-no').onclick = () => done(false);
    dlg.onclose = () => done(false);
    dlg.showModal();
    $('ask-no').focus();
  });
}

async function mayReplace(what: string, newText: string): Promise<boolean> {
  if (!unsaved({ text: text(), savedText: kept.savedText }) || text() === newText) return true;
  return ask(`The text has changes that were never saved to a file. Replace it with ${what}?`);
}

function replaceDocument(t: string, name: string, encoding: Encoding, eol: Eol, savedText: string | null) {
  kept.fileName = name;
  kept.encoding = encoding;
  kept.eol = eol;
  setText(t);
  kept.savedText = savedText;
  fileHandle = null;
  persist(true);
  showFileName();
}

function showFileName() {
  const dirty = unsaved({ text: text(), savedText: kept.savedText });
  const what = opened8xe ? `${opened8xe.name} (loaded program)` : kept.fileName;
  $('file-name').textContent = what + (dirty && !opened8xe ? ' (not saved)' : '') + (keptFailed ? ' (not kept by the browser)' : '');
  document.title = `${dirty && !opened8xe ? '• ' : ''}${opened8xe ? opened8xe.name : kept.fileName} - MOX77`;
}

// ---------------------------------------------------------------- files
function sizeText(n: number): string {
  return n >= 1024 * 1024 ? `${(n / 1024 / 1024).toFixed(1)} MiB` : `${Math.ceil(n / 1024)} KiB`;
}

async function openFile(file: File) {
  if (file.size > MAX_FILE_BYTES) {
    pageMessage(`${file.name} is too large to open (${sizeText(file.size)}; at most 16 MiB). Nothing was changed.`, 'Open', 'error');
    return;
  }
  let bytes: Uint8Array;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch {
    pageMessage(`${file.name} could not be read. Nothing was changed.`, 'Open', 'error');
    return;
  }
  // A .8xe goes to the core whatever its bytes: the run control judges it,
  // as the desktop emulator does.
  const is8xe = /\.8xe$/i.test(file.name);
  if (!is8xe && looksBinary(bytes)) {
    pageMessage(`${file.name} is not a text file (neither an .asm source nor a .8xe). Nothing was changed.`, 'Open', 'error');
    return;
  }
  if (is8xe) {
    opened8xe = { name: file.name, bytes, serial: ++openSerial };
    stepKey = null;
    showFileName();
    pageMessage(`${file.name} is the program now: Run or Step runs it. Editing the text brings back the text's program.`, 'Open');
    return;
  }
  const d = decodeBytes(bytes);
  if (!(await mayReplace(file.name, d.text))) return;
  replaceDocument(d.text, file.name, d.encoding, d.eol, d.text);
  pageMessage(`Opened ${file.name}${d.encoding === 'latin1' ? ' (Latin-1 bytes, kept as they are)' : ''}.`, 'Open');
}

function download(bytes: Uint8Array, name: string) {
  const url = URL.createObjectURL(new Blob([bytes as BlobPart], { type: 'application/octet-stream' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10_000);
}

type SavePicker = (o: unknown) => Promise<FileSystemFileHandle>;

async function saveFile() {
  const bytes = sourceBytes();
  const picker = (window as unknown as { showSaveFilePicker?: SavePicker }).showSaveFilePicker;
  const t = text();
  if (picker) {
    try {
      fileHandle ??= await picker({
        suggestedName: kept.fileName,
        types: [{ description: 'MOX77 source', accept: { 'text/plain': ['.asm'] } }],
      });
      const w = await (fileHandle as unknown as { createWritable(): Promise<WritableStreamDefaultWriter & { write(b: BlobPart): Promise<void>; close(): Promise<void> }> }).createWritable();
      await w.write(bytes as BlobPart);
      await w.close();
      kept.fileName = fileHandle.name;
    } catch (e) {
      if ((e as DOMException).name === 'AbortError') return;
      fileHandle = null;
      pageMessage(`Could not save ${kept.fileName}: ${(e as Error).message}`, 'Save', 'error');
      return;
    }
  } else {
    download(bytes, kept.fileName);
  }
  kept.savedText = t;
  persist(true);
  showFileName();
  pageMessage(`Saved ${kept.fileName}.`, 'Save');
}

function download8xe() {
  if (!core) return;
  const asm = assembly();
  if (asm.errorCount > 0) {
    notice(`The program has ${asm.errorCount} ${asm.errorCount === 1 ? 'error' : 'errors'}: zerlant writes no .8xe for it.`);
    goToFirstError(asm);
    return;
  }
  const name = core.outputFileName(kept.fileName);
  download(latin1Bytes(asm.machineCode), name);
  pageMessage(`Downloaded ${name}.`, 'Download .8xe');
}

// ---------------------------------------------------------------- exercises
function exerciseById(id: string): Exercise | undefined {
  return exercises.find((e) => e.id === id);
}

function showExercise(ex: Exercise | undefined) {
  const pane = $('exercise-pane');
  pane.hidden = !ex;
  $('check-result').replaceChildren();
  if (!ex) return;
  $('exercise-h').textContent = `Exercise ${ex.title}`;
  $('task').replaceChildren(renderMarkdown(ex.task.replace(/^#\s+.*\n/, ''), document, 2));
}

async function chooseExercise(id: string) {
  const select = $<HTMLSelectElement>('exercise');
  const ex = exerciseById(id);
  if (ex) {
    if (!(await mayReplace(`the starting file of exercise ${ex.title}`, ex.start))) {
      select.value = kept.exercise;
      return;
    }
    replaceDocument(ex.start, `${ex.id}.asm`, 'utf-8', '\n', ex.start);
  }
  kept.exercise = ex ? id : '';
  persist(true);
  showExercise(ex);
}

function check() {
  if (!core) return;
  const ex = exerciseById(kept.exercise);
  if (!ex) return;
  const out = $('check-result');
  out.replaceChildren();
  // An opened .8xe is the program that Run and Step run, so it is the one graded.
  const bytes = opened8xe ? opened8xe.bytes : sourceBytes();
  let all = true;
  const details: HTMLElement[] = [];
  ex.starts.forEach((s, n) => {
    const div = document.createElement('div');
    div.className = 'check-start';
    const start = s.init === null ? null : core!.parseState(s.init, 'starting');
    const expected = core!.parseState(s.expected, 'expected');
    const lines: string[] = [];
    let pass = false;
    if (start && !start.ok) lines.push(start.error);
    else if (!expected.ok) lines.push(expected.error);
    else {
      const r = core!.checkProgram(bytes, !opened8xe, start ? start.state : null, expected.state);
      pass = r.pass;
      if (r.error) lines.push(r.error);
      lines.push(...r.mismatches);
    }
    if (start && start.ok) start.state.delete();
    if (expected.ok) expected.state.delete();
    all &&= pass;
    const head = document.createElement('div');
    head.textContent = `${ex.starts.length > 1 ? `Start ${n + 1}` : 'Result'}${s.init ? ` (from init${n ? n + 1 : ''}.json)` : ''}: ${pass ? 'PASS' : 'FAIL'}`;
    div.append(head);
    if (lines.length) {
      const ul = document.createElement('ul');
      for (const l of lines) {
        const li = document.createElement('li');
        li.textContent = l;
        ul.append(li);
      }
      div.append(ul);
    }
    details.push(div);
  });
  const verdict = document.createElement('p');
  verdict.className = `verdict ${all ? 'pass' : 'fail'}`;
  verdict.textContent = all ? 'PASS' : 'FAIL';
  out.append(verdict, ...details);
}

// ---------------------------------------------------------------- share links
async function copyLink() {
  const frag = await makeFragment({ name: kept.fileName, bytes: sourceBytes() });
  const url = location.href.split('#')[0] + frag;
  history.replaceState(null, '', frag);
  sharedHandled = frag;
  $('share-out').hidden = false;
  const field = $<HTMLInputElement>('share-link');
  field.value = url;
  try {
    await navigator.clipboard.writeText(url);
    notice('Link copied. The program travels in the part after #, which the browser never sends anywhere.');
  } catch {
    field.select();
    notice('The link is in the field below the editor: copy it from there.');
  }
}

let sharedHandled = '';
async function openSharedLink() {
  const hash = location.hash;
  if (!hash || hash === sharedHandled) return;
  sharedHandled = hash;
  const shared = await readFragment(hash);
  if (!shared) return;
  const d = decodeBytes(shared.bytes);
  if (await mayReplace(`the program of the link (${shared.name})`, d.text)) {
    opened8xe = null;
    replaceDocument(d.text, shared.name, d.encoding, d.eol, null);
    pageMessage(`Opened ${shared.name} from the link.`, 'Link');
  }
}

// ---------------------------------------------------------------- wiring
function withTip(id: string, label: string, keys: string) {
  const el = $(id);
  el.title = `${label} (${keys})`;
}
withTip('run', 'Assemble the text and run it in full', 'Ctrl+Enter');
withTip('step', 'Assemble and load the text in step mode when it changed, else execute the next word', 'Alt+.');
withTip('back', 'Take back the last executed word', 'Alt+,');
$('reset').title = 'Set all registers and cells to 0 and end the history';

$('run').addEventListener('click', run);
$('step').addEventListener('click', step);
$('back').addEventListener('click', back);
$('reset').addEventListener('click', reset);
$('clear-memory').addEventListener('click', () => { machine?.clearMemory(); if (machine) afterAction(); });
$('fill-memory').addEventListener('click', () => { machine?.fillMemory(); if (machine) afterAction(); });
$('instruction').addEventListener('keydown', (e) => {
  if (e.key === 'Enter') {
    e.preventDefault();
    typeInstruction();
  }
});
for (const r of document.querySelectorAll<HTMLInputElement>('input[name=base]')) {
  r.checked = Number(r.value) === kept.base;
  r.addEventListener('change', () => {
    if (!r.checked) return;
    kept.base = Number(r.value);
    persist(true);
    paintMachine();
  });
}
$('open').addEventListener('click', () => $<HTMLInputElement>('file-input').click());
$<HTMLInputElement>('file-input').addEventListener('change', async (e) => {
  const input = e.target as HTMLInputElement;
  const f = input.files?.[0];
  input.value = '';
  if (f) await openFile(f);
});
document.addEventListener('dragover', (e) => {
  if (e.dataTransfer?.types.includes('Files')) {
    e.preventDefault();
    document.body.classList.add('dragging');
  }
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (e) => {
  document.body.classList.remove('dragging');
  const f = e.dataTransfer?.files?.[0];
  if (!f) return;
  e.preventDefault();
  void openFile(f);
});
$('save').addEventListener('click', () => void saveFile());
$('download-8xe').addEventListener('click', download8xe);
$('share').addEventListener('click', () => void copyLink());
$('check').addEventListener('click', check);
$('font-up').addEventListener('click', () => setFontSize(kept.fontSize + 1));
$('font-down').addEventListener('click', () => setFontSize(kept.fontSize - 1));
window.addEventListener('hashchange', () => void openSharedLink());

const select = $<HTMLSelectElement>('exercise');
for (const ex of exercises) {
  const o = document.createElement('option');
  o.value = ex.id;
  o.textContent = ex.title;
  select.append(o);
}
select.value = exerciseById(kept.exercise) ? kept.exercise : '';
select.addEventListener('change', () => void chooseExercise(select.value));
showExercise(exerciseById(kept.exercise));

// Page-wide keys; the browser's own (reload, close, address bar) are left alone.
window.addEventListener('keydown', (e) => {
  if ($<HTMLDialogElement>('ask').open) return;
  const mod = e.ctrlKey || e.metaKey;
  if (mod && !e.altKey && !e.shiftKey && e.key === 'Enter') {
    e.preventDefault();
    run();
  } else if (e.altKey && !mod && e.code === 'Period') {
    e.preventDefault();
    step();
  } else if (e.altKey && !mod && e.code === 'Comma') {
    e.preventDefault();
    back();
  } else if (e.key === 'F8' && !view.hasFocus) {
    e.preventDefault();
    view.focus();
    (e.shiftKey ? previousDiagnostic : nextDiagnostic)(view);
  } else if (e.altKey && !mod && e.code === 'KeyG' && !view.hasFocus) {
    e.preventDefault();
    view.focus();
    gotoLine(view);
  }
}, true);

document.documentElement.style.setProperty('--editor-font', `${kept.fontSize}px`);
showFileName();
view.focus();

// ---------------------------------------------------------------- start
async function start() {
  try {
    core = await corePromise;
  } catch (e) {
    pageMessage(`The core could not start: ${(e as Error).message}`, 'MOX77', 'error');
    return;
  }
  machine = new core.Machine();
  view.dispatch({ effects: language.reconfigure(languageFor(core.instructionTable(), core.registerNames())) });
  buildTables(core.registerNames());
  listing.setDescriber((w) => core!.describeWord(w));
  machine.takeEvents();
  paintMachine();
  checkNow();
  performance.mark('mox-ready');
  document.body.dataset.ready = '1';
  await openSharedLink();
}
void start();

// For the tests and the benchmark.
(window as unknown as { mox77: unknown }).mox77 = {
  view, get core() { return core; }, get machine() { return machine; },
};
