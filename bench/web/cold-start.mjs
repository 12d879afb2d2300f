// Cold start of the web edition beside a blank page, in the same browser and
// run: every open in a fresh context (nothing cached), the two interleaved
// so that a busy machine slows both alike.
//   node bench/web/cold-start.mjs [opens] [other.html ...]   (after scripts/build-web.sh)
// Ready: the first frame drawn once the editor takes keys and Step works
// (the core loaded, the text checked). Blank: the first frame of a page
// holding one button. Further pages (an older build, say) are timed alike,
// if they set the same mark.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch, pageFile } from '../../web/e2e/browser.mjs';

const opens = Number(process.argv[2] ?? 10);
const pages = [pageFile, ...process.argv.slice(3)].map((f) => path.resolve(f));
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mox-cold-'));
const blank = path.join(dir, 'blank.html');
fs.writeFileSync(blank, '<!doctype html><html lang="en"><meta charset="utf-8"><title>Blank</title><button type="button">Step</button>');
// The page's own HTML and CSS with no script, shown at once: the floor that
// no change to the page's script can go below.
const still = path.join(dir, 'still.html');
fs.writeFileSync(still, fs.readFileSync(pages[0], 'latin1').replace(/<script\b[^>]*>[\s\S]*?<\/script>/g, '').replace(/(<body\b[^>]*?)\s+hidden\b/, '$1'), 'latin1');
const timedAsBlank = [blank, still];

// The blank page's first frame, timed as the page times its own first
// frame drawn once ready (the mark mox-ready-drawn): after the frame's
// callbacks, the next task. Marks are told through the console: anything
// the harness ran in the page (waitForFunction's injected script, say)
// would take the page's main thread in the very time being measured.
const probe = () => {
  if (/\/(blank|still)\.html$/.test(location.pathname))
    requestAnimationFrame(() => setTimeout(() => performance.mark('mox-ready-drawn'), 0));
  new PerformanceObserver((list) => {
    for (const m of list.getEntries()) console.log(`mark ${m.name}`);
  }).observe({ type: 'mark' });
  // the page sets data-ready once everything is in
  new MutationObserver((_, self) => {
    if (document.body?.dataset.ready) console.log('all in'), self.disconnect();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['data-ready'] });
};

async function open(browser, file) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  await context.addInitScript(probe);
  const page = await context.newPage();
  page.on('dialog', (d) => d.accept());
  // the page is usable at mox-ready-drawn; its full editor (highlighting,
  // completion, squiggles) may come in after, at mox-editor-complete
  const last = timedAsBlank.includes(file) ? 'mark mox-ready-drawn' : 'all in';
  const seen = new Promise((resolve) => page.on('console', (m) => m.text() === last && resolve()));
  await page.goto(pathToFileURL(file).href, { waitUntil: 'commit' });
  await Promise.race([seen, new Promise((_, reject) => setTimeout(() => reject(new Error(`${file}: no ${last}`)), 30000))]);
  const at = await page.evaluate(() => {
    const mark = (name) => performance.getEntriesByName(name)[0]?.startTime ?? NaN;
    const ready = mark('mox-ready-drawn');
    return { ready, complete: mark('mox-editor-complete') || ready, painted: mark('first-paint') };
  });
  await context.close();
  return at;
}

const browser = await launch();
const times = new Map([[blank, []], [still, []], ...pages.map((p) => [p, []])]);
for (let i = 0; i < opens; i++)
  for (const file of times.keys()) times.get(file).push(await open(browser, file));
await browser.close();
fs.rmSync(dir, { recursive: true });

const base = median(times.get(blank).map((t) => t.ready));
console.log(`blank page, first frame: ${base.toFixed(1)} ms from navigation (median of ${opens} cold opens)`);
const floor = median(times.get(still).map((t) => t.ready));
console.log(`the page's HTML and CSS alone, no script: first frame ${floor.toFixed(1)} ms, ${(floor - base).toFixed(1)} ms after the blank page`);
for (const file of pages) {
  const t = median(times.get(file).map((x) => x.ready));
  const painted = median(times.get(file).map((x) => x.painted));
  const complete = median(times.get(file).map((x) => x.complete));
  const late = t - base;
  const size = fs.statSync(file).size / 1024;
  console.log(`${late < 100 ? 'ok  ' : 'SLOW'} ${path.relative(process.cwd(), file)} (${size.toFixed(0)} KB), ready: ${t.toFixed(1)} ms, ` +
    `${late.toFixed(1)} ms after the blank page (target < 100 ms; ratio ${(t / base).toFixed(2)}); first paint ${painted.toFixed(1)} ms; ` +
    `full editor in ${complete.toFixed(1)} ms`);
}
