// Cold start of the web edition beside a blank page, in the same browser and
// run: every open in a fresh context (nothing cached), the two interleaved
// so that a busy machine slows both alike.
//   node bench/web/cold-start.mjs [opens] [other.html ...]   (after scripts/build-web.sh)
// Ready: the first frame drawn once the editor takes keys and Step works
// (the core loaded, the text checked). Blank: the first frame of a page
// holding one button. Further pages (an older build, say) are timed alike.
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

// The frame after the page's ready mark; the blank page's first frame.
const probe = () => {
  const frame = (name) => requestAnimationFrame(() => setTimeout(() => { window.__frame = { name, at: performance.now() }; }, 0));
  const seen = new PerformanceObserver((list) => {
    if (list.getEntriesByName('mox-ready').length) {
      seen.disconnect();
      frame('ready');
    }
  });
  seen.observe({ type: 'mark' });
  if (location.pathname.endsWith('/blank.html')) frame('first');
};

async function open(browser, file) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  await context.addInitScript(probe);
  const page = await context.newPage();
  page.on('dialog', (d) => d.accept());
  await page.goto(pathToFileURL(file).href);
  await page.waitForFunction(() => window.__frame, null, { timeout: 30000 });
  const frame = await page.evaluate(() => window.__frame);
  await context.close();
  return frame.at;
}

const browser = await launch();
const times = new Map([[blank, []], ...pages.map((p) => [p, []])]);
for (let i = 0; i < opens; i++)
  for (const file of times.keys()) times.get(file).push(await open(browser, file));
await browser.close();
fs.rmSync(dir, { recursive: true });

const base = median(times.get(blank));
console.log(`blank page, first frame: ${base.toFixed(1)} ms from navigation (median of ${opens} cold opens)`);
for (const file of pages) {
  const t = median(times.get(file));
  const late = t - base;
  const size = fs.statSync(file).size / 1024;
  console.log(`${late < 100 ? 'ok  ' : 'SLOW'} ${path.relative(process.cwd(), file)} (${size.toFixed(0)} KB), ready: ${t.toFixed(1)} ms, ` +
    `${late.toFixed(1)} ms after the blank page (target < 100 ms; ratio ${(t / base).toFixed(2)})`);
}
