// The web edition's page: the modules wired together and started once the
// core is ready. Each panel lives in a module of its own around the shared
// state (state.ts); a panel that follows the machine listens to 'machine'.
import './style.css';
import './embed.css';
import { $, page, corePromise, emit, embedding } from './state';
import { text, checkNow, applyFontSize, nextError, goToLine, setTabIndents, codeEditorHasFocus, focusEditor, completeEditor, editorView } from './editor';
import { wireTabs } from './tabs';
import { remember, wireSaving } from './saving';
import { pageMessage } from './messages';
import { showFileName, wireFiles } from './files';
import { run, step, back, wireMachinePanel, startMachinePanel } from './machine-panel';
import { wireExercises } from './exercise-panel';
import { wireExerciseOpening } from './exercise-open';
import { openSharedLink, wireShare } from './share-link';
import { wireDatapath, putDrawing, blank } from './datapath';
import { wirePresenterKeys } from './presenter-keys';

function setFontSize(px: number) {
  page.stored.fontSize = Math.max(9, Math.min(32, px));
  applyFontSize();
  remember(['fontSize']);
}

// Embedded (embed.ts), the page has no files to open and no drawing
// unless it was asked for.
const drawing = !embedding || embedding.datapath;
wireSaving();
wireTabs();
wireMachinePanel();
if (!embedding) wireFiles();
else wireEmbedding();
wireShare();
wireExercises();
wireExerciseOpening();
setTabIndents(false);
$('tab-indents').addEventListener('click', () => setTabIndents($('tab-indents').getAttribute('aria-pressed') !== 'true'));
if (drawing) wireDatapath();
$('font-up').addEventListener('click', () => setFontSize(page.stored.fontSize + 1));
$('font-down').addEventListener('click', () => setFontSize(page.stored.fontSize - 1));

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
  } else if (e.key === 'F8' && !codeEditorHasFocus()) {
    e.preventDefault();
    nextError(e.shiftKey);
  } else if (e.altKey && !mod && e.code === 'KeyG' && !codeEditorHasFocus()) {
    e.preventDefault();
    goToLine();
  }
}, true);

// Step as its button would, only while that button may be pressed.
const stepAvailable = () => {
  const b = $<HTMLButtonElement>('step');
  return !!page.machine && !b.disabled && b.getAttribute('aria-disabled') !== 'true';
};
wirePresenterKeys(
  { step: () => { if (stepAvailable()) step(); }, back, blank: drawing ? blank : () => {} },
  () => !!document.querySelector('dialog[open]'),
);

document.documentElement.style.setProperty('--editor-font', `${page.stored.fontSize}px`);
showFileName();
// typed into the field before the page was wired: kept like any edit
if (text() !== page.stored.text) emit('text');

// The plain field stays the editor; the page says why.
function editorFailed(e: Error) {
  pageMessage(e.message, 'MOX77', 'error');
}

// The compact page for an iframe: the run bar stays at the top, the editor
// and the registers fill the frame below it, the registers right below the
// machine's state, where a run's long list of changes cannot push them out
// of the frame; a file dropped on it is not opened (nor taken in by the
// browser in the page's place).
function wireEmbedding() {
  $('next-instruction').after(document.querySelector('#run-pane .columns')!);
  // It scrolls when a run says more than the frame holds: reached by keyboard too.
  $('run-pane').tabIndex = 0;
  const main = document.querySelector('main')!;
  const runBar = $('run-bar');
  new ResizeObserver(() => main.style.setProperty('--run-bar-height', `${runBar.offsetHeight}px`)).observe(runBar);
  for (const type of ['dragover', 'drop']) {
    document.addEventListener(type, (e) => {
      const d = (e as DragEvent).dataTransfer;
      if (!d?.types.includes('Files')) return;
      e.preventDefault();
      d.dropEffect = 'none';
    });
  }
  $<HTMLTextAreaElement>('plain-editor').readOnly = !!embedding?.readonly;
}

async function start() {
  const core = (page.core = await corePromise.catch(() => null));
  // Embedded, the link's program is in the editor when the page is first
  // shown, and the page takes no focus from the course page around it.
  if (core && embedding) {
    startMachinePanel(core);
    await openSharedLink();
  }
  document.body.hidden = false; // drawn first here (see the page's <body>)
  if (!core) {
    if (!embedding) focusEditor();
    if (drawing) putDrawing();
    void completeEditor().catch(editorFailed);
    $('error-count').textContent = ''; // no longer loading: nothing will check the text
    const why = await corePromise.then(() => 'unknown', (e: Error) => e.message);
    pageMessage(`The core could not start: ${why}`, 'MOX77', 'error');
    return;
  }
  if (!embedding) startMachinePanel(core);
  checkNow();
  if (!embedding) focusEditor();
  performance.mark('mox-ready');
  // the first frame drawn ready to use, which the cold-start benchmark times
  await new Promise((drawn) => requestAnimationFrame(() => setTimeout(drawn, 0)));
  performance.mark('mox-ready-drawn');
  if (drawing) putDrawing();
  await completeEditor().catch(editorFailed);
  performance.mark('mox-editor-complete');
  await openSharedLink();
  document.body.dataset.ready = '1'; // the tests' signal: everything in, a shared program too
}
void start();

// For the tests and the benchmark.
(window as unknown as { mox77: unknown }).mox77 = {
  get view() { return editorView(); }, get core() { return page.core; }, get machine() { return page.machine; },
};
