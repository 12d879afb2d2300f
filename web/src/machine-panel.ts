// The machine panel: run control (Run, Step, Back, Reset, a typed word,
// Clear and Fill), the registers, the cells, the listing and the core's
// messages, painted after every action.
import type { Core } from '@mox77core';
import { collapse, announce, type Lit } from './changes';
import { Listing } from './listing';
import { assembly, checkNow, goToFirstError, markNextLine, showSourceLine } from './editor';
import { notice, showMessages, type Message } from './messages';
import { remember } from './saving';
import { latin1Bytes } from '@mox77bindings/latin1';
import { $, page, on, emit, editorKey, errorsText, shownBase, steppingMode, embedding } from './state';

const regCells: HTMLTableCellElement[] = [];
const memCells: HTMLTableCellElement[] = [];
const listing = new Listing($('listing'), (line) => showSourceLine(line));
let listingLines: number[] | null = null;
let lit: Lit[] = [];

// Embedded in a small frame, the registers stand in two columns of eight
// (ax to hx, ix to px), under short headings (a screen reader hears them
// whole), each value tied to its own register's header.
function buildTables(names: string[]) {
  const table = $('registers');
  const regBody = table.querySelector('tbody')!;
  regBody.replaceChildren();
  const columns = embedding ? 2 : 1;
  const rows = Math.ceil(names.length / columns);
  if (columns > 1) {
    const head = table.querySelector('thead tr')!;
    const short: Record<string, string> = { Register: 'Reg.', Number: 'No.' };
    for (const th of head.children) {
      const whole = th.textContent ?? '';
      if (!short[whole]) continue;
      const seen = Object.assign(document.createElement('span'), { textContent: short[whole] });
      seen.setAttribute('aria-hidden', 'true');
      th.replaceChildren(seen, Object.assign(document.createElement('span'), { className: 'visually-hidden', textContent: whole }));
    }
    const cols = [...head.children];
    for (let c = 1; c < columns; c++) head.append(...cols.map((th) => th.cloneNode(true)));
    [...head.children].forEach((th, n) => (th.id = `registers-col-${n}`));
  }
  for (let r = 0; r < rows; r++) {
    const tr = document.createElement('tr');
    for (let c = 0; c < columns && r + c * rows < names.length; c++) {
      const i = r + c * rows;
      const th = document.createElement('th');
      th.scope = 'row';
      th.textContent = names[i];
      const num = document.createElement('td');
      num.textContent = i.toString(16);
      const v = document.createElement('td');
      v.className = 'v';
      v.dataset.register = names[i];
      if (columns > 1) {
        th.id = `register-${names[i]}`;
        num.headers = `${th.id} registers-col-${c * 3 + 1}`;
        v.headers = `${th.id} registers-col-${c * 3 + 2}`;
      }
      tr.append(th, num, v);
      regCells[i] = v;
    }
    regBody.append(tr);
  }
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

// The core's texts of values, remembered: a paint asks for 272 of them, most
// of them alike, and each call crosses into the core.
const formatted = new Map<number, string>();
let formattedBase = -1;

function fmt(v: number): string {
  if (formattedBase !== page.stored.base || formatted.size > 4096) {
    formatted.clear();
    formattedBase = page.stored.base;
  }
  let t = formatted.get(v);
  if (t === undefined) formatted.set(v, (t = page.core!.formatNumber(v, shownBase())));
  return t;
}

function placeName(l: Lit): string {
  return l.where === 'register' ? page.core!.registerNames()[l.index] : `cell ${l.index.toString(16).padStart(2, '0')}`;
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

// A text written only when it differs: an unchanged one is not laid out again.
function write(id: string, text: string) {
  const el = $(id);
  if (el.textContent !== text) el.textContent = text;
}

export function paintMachine() {
  const { core, machine } = page;
  if (!core || !machine) return;
  const regs = machine.registers();
  const mem = machine.memory();
  const litReg = new Map<number, Lit>();
  const litMem = new Map<number, Lit>();
  for (const l of lit) (l.where === 'register' ? litReg : litMem).set(l.index, l);
  for (let i = 0; i < 16; i++) paintCell(regCells[i], fmt(regs[i]), litReg.get(i));
  for (let i = 0; i < 256; i++) paintCell(memCells[i], fmt(mem[i]), litMem.get(i));
  const stepping = steppingMode(machine) && machine.programLoaded();
  write('executed', String(machine.executedCount()));
  // In step mode without a program (after Reset or a refused load) nothing can run.
  write('halted', machine.running() && (stepping || !steppingMode(machine)) ? 'no' : 'yes');
  write('mode', steppingMode(machine) ? 'Step by step' : 'Full execution');
  $('back').toggleAttribute('aria-disabled', !machine.canGoBack());
  $('next-instruction').hidden = !stepping;
  write('next-instruction', stepping ? `Next Instruction: ${machine.nextInstruction()}` : '');
  const next = stepping ? Math.floor(machine.instructionPointer() / 4) : -1;
  listing.setNext(next);
  const lines = listing.lines;
  markNextLine(lines && next >= 0 && next < lines.length && page.stepKey === editorKey() ? lines[next] : null);
}

// After every action: the core's messages, title and listing, what changed,
// and the whole panel painted from the machine's state (the next word and
// its mark too), so that no action leaves an old state on screen.
// `wordRan`: a word was executed or taken back, so a screen reader hears
// that it happened even when it changed nothing, as on the desktop.
function afterAction(wordRan = false): Message[] {
  const machine = page.machine!;
  const msgs: Message[] = [];
  notice('');
  for (const e of machine.takeEvents()) {
    switch (e.kind) {
      case 'message': msgs.push(e); break;
      case 'title': $('machine-title').textContent = e.text; break;
      case 'listing': listing.setText(e.text, listingLines); break;
      default: break;
    }
  }
  showMessages(msgs);
  lit = collapse(machine.lastChanges());
  paintMachine();
  const said = lit.length ? announce(lit, placeName, fmt) : wordRan ? 'nothing changed' : '';
  $('announce').textContent = said;
  // the same words on screen, for a finger or a keyboard that cannot hover a lit value
  write('changed', said ? `Changed: ${said}` : '');
  performance.mark('mox-painted');
  emit('machine');
  return msgs;
}

// The program to load: the opened .8xe, or the text assembled; null (and
// said so) while the text has errors.
function program(): Uint8Array | null {
  if (!page.core || !page.machine) {
    notice('The core is still loading.');
    return null;
  }
  if (page.opened8xe) {
    listingLines = null;
    return page.opened8xe.bytes;
  }
  const asm = assembly();
  if (asm.errorCount > 0) {
    notice(`The program has ${errorsText(asm.errorCount)}: fix ${asm.errorCount === 1 ? 'it' : 'them'} first.`);
    checkNow();
    goToFirstError(asm);
    return null;
  }
  listingLines = Array.from(asm.wordLines);
  return latin1Bytes(asm.machineCode);
}

export function run() {
  const code = program();
  if (!code) return;
  page.machine!.setMode(page.core!.ExecutionMode.FullExecution);
  page.machine!.loadProgram(code);
  page.stepKey = null;
  afterAction();
}

export function step() {
  const { machine } = page;
  const key = editorKey();
  if (page.stepKey === key && machine && steppingMode(machine)) {
    const count = machine.executedCount();
    machine.step();
    afterAction(machine.executedCount() !== count);
    return;
  }
  const code = program();
  if (!code) return;
  page.machine!.setMode(page.core!.ExecutionMode.StepByStep);
  page.machine!.loadProgram(code);
  page.stepKey = key;
  afterAction();
}

export function back() {
  const { machine } = page;
  if (!machine) return;
  if (!machine.back()) {
    afterAction();
    notice('Nothing left to take back');
    return;
  }
  afterAction(true);
}

// The timeline: the core moves the run by its own Step and Back, and the
// page shows the move as it shows a Step.
export function moveTo(word: number) {
  const { machine } = page;
  if (!machine?.timeline().available) return;
  const count = machine.executedCount();
  machine.moveTo(word);
  afterAction(machine.executedCount() !== count);
}

function reset() {
  const { machine } = page;
  if (!machine) return;
  machine.reset();
  page.stepKey = null;
  afterAction();
}

function typeInstruction() {
  const { machine } = page;
  if (!machine) return;
  const field = $<HTMLInputElement>('instruction');
  const count = machine.executedCount();
  machine.typeInstruction(field.value);
  const msgs = afterAction(machine.executedCount() !== count);
  if (!msgs.some((m) => m.icon === 'error')) field.value = '';
}

function withTip(id: string, label: string, keys: string) {
  $(id).title = `${label} (${keys})`;
}

export function wireMachinePanel() {
  withTip('run', 'Assemble the text and run it in full', 'Ctrl+Enter');
  withTip('step', 'Assemble and load the text in step mode when it changed, else execute the next word', 'Alt+.');
  withTip('back', 'Take back the last executed word', 'Alt+,');
  $('reset').title = 'Set all registers and cells to 0 and end the history';
  $('run').addEventListener('click', run);
  $('step').addEventListener('click', step);
  $('back').addEventListener('click', back);
  $('reset').addEventListener('click', reset);
  $('clear-memory').addEventListener('click', () => { page.machine?.clearMemory(); if (page.machine) afterAction(); });
  $('fill-memory').addEventListener('click', () => { page.machine?.fillMemory(); if (page.machine) afterAction(); });
  $('instruction').addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      typeInstruction();
    }
  });
  for (const r of document.querySelectorAll<HTMLInputElement>('input[name=base]')) {
    r.checked = Number(r.value) === page.stored.base;
    r.addEventListener('change', () => {
      if (!r.checked) return;
      page.stored.base = Number(r.value);
      remember(['base'], true);
      paintMachine();
    });
  }
}

// Which program the editor stands for may have changed (a .8xe opened, a
// file or another tab's text taken): the marks follow.
on('file', paintMachine);

// Once the core has started: the machine, its tables and listing.
export function startMachinePanel(core: Core) {
  page.machine = new core.Machine();
  buildTables(core.registerNames());
  listing.setDescriber((w) => core.describeWord(w));
  page.machine.takeEvents();
  paintMachine();
}
