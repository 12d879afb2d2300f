// The Datapath panel: the machine's drawing with a word's cycle lit and its
// values on the buses, the core's narration beneath it, and Phase, Play,
// Pause and Speed to watch a program word by word. Everything shown comes
// from the core's description of the cycle; this module only chooses which
// word and which of its phases to show.
import wideDrawing from '../../resources/datapath.svg?raw';
import portraitDrawing from '../../resources/datapath-portrait.svg?raw';
import type { Cycle } from '@mox77core';
import { step, moveTo } from './machine-panel';
import { notice } from './messages';
import { remember } from './saving';
import { $, page, on, editorKey, shownBase, steppingMode } from './state';

const WRITE = 4; // the phase at which the word executes
// Narrower than this the wide drawing's labels are too small to read (the
// least width style.css gives it), and the portrait one, the same parts
// stacked, takes its place.
const WIDE_FROM = 720;

interface Frame {
  heading: string;
  lit: Set<string>;
  values: Map<string, string>;
  sentences: string[];
}

const parts = new Map<string, Element>(); // units and buses, by id
const slots = new Map<string, Element>(); // the drawing's -value texts
let svg: SVGSVGElement | null = null;
let portrait = false; // which of the two drawings is in
let darkScheme: MediaQueryList | null = null;
let shown: (() => Frame) | null = null; // what the panel shows, recomputed on a change of base
let walk: { word: string; position: number; phase: number } | null = null;
let panelStepping = false; // the panel itself is stepping the machine
let timer = 0;
let playing = false;
let last = 0; // when Play's last word was due (performance.now() time)
let blanked = false;

function isOpen() {
  return page.stored.datapath;
}

// Phases `first` to `upTo` lit; what the earlier phases put in the slots
// stays, as a register keeps its value.
function frameOf(cycle: Cycle, first: number, upTo: number, heading: string): Frame {
  const f: Frame = { heading, lit: new Set(), values: new Map(), sentences: [] };
  cycle.phases.slice(0, upTo + 1).forEach((p, i) => {
    if (i >= first) for (const id of p.lit) f.lit.add(id);
    for (const [slot, text] of Object.entries(p.values)) f.values.set(slot, text);
    f.sentences.push(p.sentence);
  });
  return f;
}

function nothing(heading: string, sentence: string): Frame {
  return { heading, lit: new Set(), values: new Map(), sentences: [sentence] };
}

function draw() {
  if (!isOpen() || !shown) return;
  const f = shown();
  paintDrawing(f);
  if ($('datapath-heading').textContent !== f.heading) $('datapath-heading').textContent = f.heading;
  const told = $('datapath-told');
  told.replaceChildren(...f.sentences.map((s) => Object.assign(document.createElement('p'), { textContent: s })));
  performance.mark('mox-datapath-drawn');
}

function paintDrawing(f: Frame) {
  for (const [id, el] of parts) el.classList.toggle('lit', f.lit.has(id));
  for (const [id, el] of slots) {
    const text = f.values.get(id) ?? '';
    if (el.textContent !== text) el.textContent = text;
  }
}

function show(frame: () => Frame) {
  shown = frame;
  draw();
}

function showLast() {
  show(() => {
    const c = page.machine?.lastCycle(shownBase());
    if (!c) return nothing('No word to show', 'No word has run since the program was loaded, or Back took every word back.');
    return frameOf(c, 0, WRITE, `${c.position < 0 ? 'Typed word' : 'Last word'} ${c.word}: all five phases`);
  });
}

// Step mode with the editor's program loaded; loads it as Step does when not.
function loaded(): boolean {
  const m = page.machine;
  const ready = () => !!m && steppingMode(m) && m.programLoaded() && page.stepKey === editorKey();
  if (!m || ready()) return !!m;
  walk = null;
  stepFromPanel();
  return ready();
}

function stepFromPanel() {
  panelStepping = true;
  try {
    step();
  } finally {
    panelStepping = false;
  }
}

function phase() {
  pause();
  open(true);
  if (!loaded()) return;
  const base = shownBase();
  const next = page.machine!.nextCycle(base);
  if (!next) {
    walk = null;
    show(() => nothing('No next word', 'Step would execute no word.'));
    return;
  }
  walk = walk && walk.word === next.word && walk.position === next.position
    ? { ...walk, phase: walk.phase + 1 }
    : { word: next.word, position: next.position, phase: 0 };
  const at = walk.phase;
  if (at < WRITE) {
    show(() => {
      const c = page.machine!.nextCycle(shownBase())!;
      return frameOf(c, at, at, `Next word ${c.word}: phase ${at + 1} of 5, ${c.phases[at].name}`);
    });
    return;
  }
  // Only now does the machine change.
  stepFromPanel();
  walk = null;
  if (!page.machine!.lastCycle(base)) return;
  show(() => {
    const c = page.machine!.lastCycle(shownBase())!;
    return frameOf(c, WRITE, WRITE, `Word ${c.word}: phase 5 of 5, ${c.phases[WRITE].name}`);
  });
}

function speed(): number {
  return page.stored.speed;
}

function setSpeed(words: number, chosen = true) {
  page.stored.speed = Math.max(1, Math.min(20, Math.round(words)));
  const input = $<HTMLInputElement>('datapath-speed');
  input.value = String(page.stored.speed);
  $('datapath-rate').textContent = `${page.stored.speed} ${page.stored.speed === 1 ? 'word' : 'words'} a second`;
  if (chosen) remember(['speed']);
  // The next word keeps its distance from the last one, at the new speed.
  if (playing) schedule();
}

// Each word is due one period after the last was due, not after it was
// drawn, so the words stay evenly spaced whatever a step costs.
function schedule() {
  clearTimeout(timer);
  const at = last + 1000 / speed();
  timer = window.setTimeout(() => tick(at), Math.max(0, at - performance.now()));
}

function tick(at: number) {
  // Late by more than a word (a busy machine, a hidden tab): the beats
  // missed are skipped rather than caught up in a burst, and the beat kept.
  const period = 1000 / speed();
  last = at + Math.floor(Math.max(0, performance.now() - at) / period) * period;
  stepFromPanel();
  const m = page.machine!;
  if (!playing) return;
  if (!m.running() || page.stepKey !== editorKey() || !steppingMode(m)) {
    pause();
    return;
  }
  schedule();
}

function play() {
  if (playing) {
    pause();
    return;
  }
  walk = null;
  open(true);
  if (!loaded()) return;
  playing = true;
  const button = $('datapath-play');
  button.textContent = 'Pause';
  button.title = 'Stop playing after this word (Alt+P)';
  // Twenty sentences a second would drown a screen reader: it hears the
  // word Play stopped at.
  $('datapath-narration').setAttribute('aria-live', 'off');
  tick(performance.now());
}

function pause() {
  clearTimeout(timer);
  if (!playing) return;
  playing = false;
  const button = $('datapath-play');
  button.textContent = 'Play';
  button.title = playTip;
  const narration = $('datapath-narration');
  narration.setAttribute('aria-live', 'polite');
  // Told afresh, so that it is heard.
  narration.replaceChildren(...[...narration.children].map((el) => el.cloneNode(true)));
}

function open(yes: boolean) {
  if (page.stored.datapath === yes) return;
  page.stored.datapath = yes;
  remember(['datapath']);
  paintOpen();
}

function paintOpen() {
  const yes = isOpen();
  $('datapath-body').hidden = !yes;
  const toggle = $('datapath-toggle');
  toggle.setAttribute('aria-expanded', String(yes));
  toggle.textContent = yes ? 'Hide drawing' : 'Show drawing';
  if (!yes) {
    pause();
    walk = null;
  }
  // Closed, the panel does nothing; opened, it catches up.
  if (yes) showLast();
}

// Where the run stands, read from the core after every action.
function paintTimeline() {
  const slider = $<HTMLInputElement>('datapath-timeline');
  const t = page.machine?.timeline();
  const on = !!t?.available;
  const said = on ? `Word ${t.word} of ${t.length}` : 'Timeline off: no program is loaded step by step (Step loads one)';
  slider.disabled = !on;
  slider.max = String(on ? t.length : 0);
  slider.value = String(on ? t.word : 0);
  if (on) slider.setAttribute('aria-valuetext', said);
  else slider.removeAttribute('aria-valuetext');
  if ($('datapath-word').textContent !== said) $('datapath-word').textContent = said;
}

// As slide tools blank the screen: the drawing and its narration go, the
// controls stay, and Step and Back go on underneath until B again.
export function blank() {
  blanked = !blanked;
  $('datapath-drawing').hidden = blanked;
  $('datapath-narration').hidden = blanked;
  $('datapath-blank').hidden = !blanked;
  notice(blanked ? 'Drawing blanked' : 'Drawing shown');
}

const playTip = 'Execute the program word by word at the speed chosen, until the halt (Alt+P)';

// Put in once the page is ready to use: reading and laying out the drawing
// would hold back the page's first frame. The narration needs no drawing.
export function putDrawing() {
  if (svg) return;
  const box = $('datapath-drawing');
  darkScheme = window.matchMedia('(prefers-color-scheme: dark)');
  darkScheme.addEventListener('change', paintTheme);
  // Out of sight (another part of the page chosen, the panel closed) it has
  // no width: the page's stands in until it has.
  choose(box.clientWidth || document.documentElement.clientWidth);
  new ResizeObserver(() => {
    if (box.clientWidth > 0) choose(box.clientWidth);
  }).observe(box);
}

function paintTheme() {
  svg?.classList.toggle('dark', !!darkScheme?.matches);
}

// The drawing for a width. A switch puts in the other drawing with the same
// ids and paints the same frame on it, so a run goes on as it was; the
// narration stays, not told again.
function choose(width: number) {
  const narrow = width < WIDE_FROM;
  if (svg && narrow === portrait) return;
  portrait = narrow;
  const box = $('datapath-drawing');
  box.dataset.shape = narrow ? 'portrait' : 'wide';
  const drawing = narrow ? portraitDrawing : wideDrawing;
  box.innerHTML = drawing.slice(drawing.indexOf('<svg'));
  svg = box.querySelector('svg');
  parts.clear();
  slots.clear();
  for (const el of svg!.querySelectorAll('g[id]')) parts.set(el.id, el);
  for (const el of svg!.querySelectorAll('[id$="-value"]')) slots.set(el.id, el);
  paintTheme();
  if (isOpen() && shown) paintDrawing(shown());
}

export function wireDatapath() {
  $('datapath-phase').title = 'Show the next word one phase at a time: fetch, decode, read, execute, write; it executes at write (Alt+/)';
  $('datapath-play').title = playTip;
  $('datapath-speed').title = 'Words a second while playing, 1 to 20 (arrow keys; Alt+- slower, Alt+= faster)';
  $('datapath-toggle').addEventListener('click', () => open(!isOpen()));
  $('datapath-phase').addEventListener('click', phase);
  $('datapath-play').addEventListener('click', play);
  $('datapath-speed').addEventListener('input', (e) => setSpeed(Number((e.target as HTMLInputElement).value)));
  $('datapath-timeline').title = 'Move to any word of the run, as that many Steps from the load leave the machine (arrow keys, Home, End)';
  $('datapath-timeline').addEventListener('input', (e) => moveTo(Number((e.target as HTMLInputElement).value)));
  paintTimeline();
  setSpeed(speed(), false);
  paintOpen();

  window.addEventListener('keydown', (e) => {
    if (!e.altKey || e.ctrlKey || e.metaKey || $<HTMLDialogElement>('ask').open) return;
    const act = { Slash: phase, KeyP: play, Minus: () => setSpeed(speed() - 1), Equal: () => setSpeed(speed() + 1) }[e.code];
    if (!act) return;
    e.preventDefault();
    act();
  }, true);
  for (const r of document.querySelectorAll<HTMLInputElement>('input[name=base]')) r.addEventListener('change', draw);
}

// Any action but the panel's own (Step, Back, Run, a typed word, Reset)
// ends a Phase walk and Play, and shows the word now last.
on('machine', () => {
  paintTimeline();
  if (panelStepping) {
    if (!walk) showLast();
    return;
  }
  pause();
  walk = null;
  showLast();
});
on('text', pause);
