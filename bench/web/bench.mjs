// Speed and size of the web edition, from file:// in headless Chromium:
//   node bench/web/bench.mjs   (after scripts/build-web.sh)
//   node bench/web/bench.mjs --datapath   (the machine and Datapath figures only)
// Prints one line per figure with its target.
import fs from 'node:fs';
import zlib from 'node:zlib';
import { launch, pageFile, pageUrl } from '../../web/e2e/browser.mjs';

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const rows = [];
const report = (what, value, unit, target) => {
  const ok = value < target;
  rows.push({ what, value, unit, target, ok });
  console.log(`${ok ? 'ok  ' : 'SLOW'} ${what}: ${value.toFixed(unit === 'KB' ? 1 : 2)} ${unit} (target < ${target} ${unit})`);
};

const raw = fs.readFileSync(pageFile);
report('file size', raw.length / 1024, 'KB', 500);
report('file size gzip', zlib.gzipSync(raw, { level: 9 }).length / 1024, 'KB', 170);

const browser = await launch();
const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
const page = await context.newPage();
page.on('dialog', (d) => d.accept());

const machineOnly = process.argv.includes('--datapath');

// Ready: the editor takes keys and the core has checked the text (a warm
// reload); complete: the full editor has come in.
const ready = [];
const complete = [];
for (let i = 0; i < (machineOnly ? 1 : 10); i++) {
  await page.goto(pageUrl + `?run=${i}`);
  await page.waitForSelector('body[data-ready]');
  const t = await page.evaluate(() => ({
    ready: performance.getEntriesByName('mox-ready')[0].startTime,
    complete: performance.getEntriesByName('mox-editor-complete')[0].startTime,
  }));
  ready.push(t.ready);
  complete.push(t.complete);
}
if (!machineOnly) {
  report('ready to use from navigation, warm (median of 10)', median(ready), 'ms', 200);
  console.log(`     full editor in from navigation, warm (median of 10): ${median(complete).toFixed(2)} ms`);
}

// Time from a page action until the next frame after it has been drawn.
async function timed(action) {
  return page.evaluate((act) => new Promise((resolve) => {
    const t0 = performance.now();
    if (act.click) document.getElementById(act.click).click();
    const sync = performance.now() - t0;
    requestAnimationFrame(() => setTimeout(() => resolve({ sync, frame: performance.now() - t0 }), 0));
  }), action);
}

async function setText(text) {
  await page.evaluate((t) => {
    const v = window.mox77.view;
    v.dispatch({ changes: { from: 0, to: v.state.doc.length, insert: t } });
  }, text);
  await page.waitForTimeout(300);
}

if (!machineOnly) {
  // A key press in a 10,000-line source, until zerlant's marks are drawn.
  const lines = [];
  for (let i = 0; i < 9999; i++) lines.push(i % 500 === 7 || i === 9990 ? `lod ax, ${(i % 256).toString(16)}` : `load ax, ${(i % 256).toString(16)} ; line ${i}`);
  lines.push('halt');
  await setText(lines.join('\n'));
  await page.click('.cm-content');
  await page.keyboard.press('Control+End');
  const keyTimes = [];
  for (let i = 0; i < 15; i++) {
    const p = page.evaluate(() => new Promise((resolve) => {
      let t0 = 0;
      window.addEventListener('keydown', () => { t0 = performance.now(); }, { capture: true, once: true });
      const obs = new PerformanceObserver((list) => {
        if (!list.getEntriesByName('mox-checked').length || !t0) return;
        obs.disconnect();
        requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - t0), 0));
      });
      obs.observe({ entryTypes: ['mark'] });
    }));
    await page.waitForTimeout(20);
    await page.keyboard.press(i % 2 ? 'Backspace' : 'x');
    keyTimes.push(await p);
  }
  const marks = await page.locator('.cm-lint-marker-error').count();
  report(`key press in a 10,000-line source, checked and marked (median of 15; ${marks} marks in view)`, median(keyTimes), 'ms', 50);
}

// Step: registers, cells and listing updated, with the Datapath panel open
// and closed in turns.
const panelOpen = (open) => page.evaluate((want) => {
  const t = document.getElementById('datapath-toggle');
  if ((t.getAttribute('aria-expanded') === 'true') !== want) t.click();
}, open);
const small = [];
for (let i = 0; i < 200; i++) small.push(`load ${'abcdefghijklmnop'[i % 16]}x, ${(i % 256).toString(16)}`, `store ax, ${(i % 256).toString(16)}`);
small.push('halt');
await setText(small.join('\n'));
await timed({ click: 'step' }); // the load
const steps = { true: [], false: [] };
const stepsSync = [];
// The same wait with no action at all, in turns with the Steps: the part
// of each figure that is the wait for the next frame, not the Step's work.
const idle = [];
for (let i = 0; i < 60; i++) {
  const open = i % 2 === 0;
  await panelOpen(open);
  const t = await timed({ click: 'step' });
  steps[open].push(t.frame);
  if (open) stepsSync.push(t.sync);
  idle.push((await timed({})).frame);
}
console.log(`     no action, to the next frame drawn (median of 60, the floor of the two below): ${median(idle).toFixed(2)} ms`);
report('Step click to updated registers, cells, listing and datapath (median of 30, DOM updated)', median(stepsSync), 'ms', 16);
report('Step click to the next frame drawn, Datapath panel open (median of 30)', median(steps.true), 'ms', 16);
report('Step click to the next frame drawn, Datapath panel closed (median of 30)', median(steps.false), 'ms', 16);

// A full run of 100,000 words with the display updated, the Datapath panel
// open and closed in turns: it shows the last word only.
const big = new Array(99999).fill('inc bx');
big.push('halt');
await setText(big.join('\n'));
await page.waitForTimeout(500);
const runs = { true: [], false: [] };
const runsSync = { true: [], false: [] };
for (let i = 0; i < 14; i++) {
  const open = i % 2 === 1;
  await panelOpen(open);
  const t = await timed({ click: 'run' });
  runs[open].push(t.frame);
  runsSync[open].push(t.sync);
}
const executed = await page.textContent('#executed');
report(`full run of 100,000 words (${executed} executed), display updated, panel open (median of 7)`, median(runsSync.true), 'ms', 200);
report('full run of 100,000 words to the next frame drawn, panel open (median of 7)', median(runs.true), 'ms', 200);
report('full run of 100,000 words to the next frame drawn, panel closed (median of 7)', median(runs.false), 'ms', 200);
report('full run, panel open over panel closed (ratio of the medians)', median(runs.true) / median(runs.false), 'x', 1.1);

// Play at 20 and at 7 words a second: the times its words were drawn, each
// against the period asked for.
await panelOpen(true);
for (const speed of [20, 7]) {
  await setText([...new Array(40).fill('inc cx'), 'halt'].join('\n'));
  const gaps = await page.evaluate((words) => new Promise((resolve) => {
    const r = document.getElementById('datapath-speed');
    r.value = String(words);
    r.dispatchEvent(new Event('input', { bubbles: true }));
    const play = document.getElementById('datapath-play');
    const times = [];
    const obs = new PerformanceObserver((list) => {
      for (const e of list.getEntriesByName('mox-datapath-drawn')) times.push(e.startTime);
      if (play.textContent !== 'Play') return;
      obs.disconnect();
      resolve(times.slice(2).map((t, i) => t - times[i + 1])); // from the first word on, past the load
    });
    obs.observe({ entryTypes: ['mark'] });
    play.click();
  }), speed);
  const off = gaps.map((g) => Math.abs(g - 1000 / speed));
  report(`Play at ${speed} words a second: median gap ${median(gaps).toFixed(2)} ms, off the period by (median of ${gaps.length})`, median(off), 'ms', 5);
  report(`Play at ${speed} words a second: off the period at the most`, Math.max(...off), 'ms', 5);
}

await browser.close();
if (process.argv.includes('--json')) console.log(JSON.stringify(rows));
