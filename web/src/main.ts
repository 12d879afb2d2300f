// The web edition's page: the modules wired together and started once the
// core is ready. Each panel lives in a module of its own around the shared
// state (state.ts); a panel that follows the machine listens to 'machine'.
import './style.css';
import { $, page, corePromise } from './state';
import { view, useCore, checkNow, applyFontSize, nextError, goToLine, setTabIndents } from './editor';
import { wireParts } from './parts';
import { keep, wireKeep } from './keep';
import { pageMessage } from './messages';
import { showFileName, wireFiles } from './files';
import { run, step, back, wireMachinePanel, startMachinePanel } from './machine-panel';
import { wireExercises } from './exercise-panel';
import { openSharedLink, wireShare } from './share-link';

function setFontSize(px: number) {
  page.kept.fontSize = Math.max(9, Math.min(32, px));
  applyFontSize();
  keep(['fontSize']);
}

wireKeep();
wireParts();
wireMachinePanel();
wireFiles();
wireShare();
wireExercises();
setTabIndents(false);
$('tab-indents').addEventListener('click', () => setTabIndents($('tab-indents').getAttribute('aria-pressed') !== 'true'));
$('font-up').addEventListener('click', () => setFontSize(page.kept.fontSize + 1));
$('font-down').addEventListener('click', () => setFontSize(page.kept.fontSize - 1));

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
    nextError(e.shiftKey);
  } else if (e.altKey && !mod && e.code === 'KeyG' && !view.hasFocus) {
    e.preventDefault();
    goToLine();
  }
}, true);

document.documentElement.style.setProperty('--editor-font', `${page.kept.fontSize}px`);
showFileName();
view.focus();

async function start() {
  try {
    page.core = await corePromise;
  } catch (e) {
    pageMessage(`The core could not start: ${(e as Error).message}`, 'MOX77', 'error');
    return;
  }
  const core = page.core;
  useCore(core);
  startMachinePanel(core);
  checkNow();
  performance.mark('mox-ready');
  document.body.dataset.ready = '1';
  await openSharedLink();
}
void start();

// For the tests and the benchmark.
(window as unknown as { mox77: unknown }).mox77 = {
  view, get core() { return page.core; }, get machine() { return page.machine; },
};
