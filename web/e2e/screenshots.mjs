// Pictures of the page for the README: node e2e/screenshots.mjs [folder [name...]]
// (names such as embed take only those pictures)
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch, pageUrl } from './browser.mjs';
import { embedUrl, hostPage } from './embed-host.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const out = path.resolve(process.argv[2] ?? path.join(repo, 'docs/screenshots'));
const only = process.argv.slice(3);
fs.mkdirSync(out, { recursive: true });

const program = `; a first program
load ax, ff     ; ax = 255
load bx, 02
add ax, bx      ; ax = 257
store ax, 10    ; cell 10 = ax
inc cx
halt
`;

const browser = await launch();
async function shot(name, { scheme = 'light', width = 1280, height = 800, scale = 1, touch = false, url = pageUrl } = {}, act) {
  if (only.length && !only.includes(name)) return;
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: scale, colorScheme: scheme, hasTouch: touch, isMobile: touch });
  const page = await context.newPage();
  page.on('dialog', (d) => d.accept());
  await page.goto(url);
  const frame = url === pageUrl ? page : await (await page.waitForSelector('iframe')).contentFrame();
  await frame.waitForSelector('body[data-ready]');
  await act(frame);
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 50))));
  const file = path.join(out, `web-${name}.png`);
  if (name.startsWith('datapath')) await page.locator('#datapath-pane').screenshot({ path: file });
  else await page.screenshot({ path: file });
  await context.close();
}
const setText = (page, t) => page.evaluate((t) => {
  const v = window.mox77.view;
  v.dispatch({ changes: { from: 0, to: v.state.doc.length, insert: t } });
}, t);
// steps: the load and then words; 4 ends after the add (ax lit), 5 after
// the store (cell 10 lit)
const stepped = (steps) => async (page) => {
  await setText(page, program);
  for (let i = 0; i < steps; i++) await page.click('#step');
  await page.evaluate(() => window.scrollTo(0, 0));
};

await shot('light', {}, async (page) => {
  await setText(page, program.replace('load bx, 02', 'lod bx, 02'));
  await page.hover('.cm-lintRange-error');
  await page.waitForSelector('.cm-tooltip-lint');
});
await shot('dark', { scheme: 'dark' }, stepped(5));
await shot('step', {}, stepped(4));
await shot('exercise', {}, async (page) => {
  await page.selectOption('#exercise', '02-sum');
  await setText(page, 'loadm ax, 00\nloadm bx, 01\nadd ax, bx\nstore ax, 03\nhalt\n');
  await page.click('#check');
});
// The Datapath panel after the add, and the next word's read phase.
await shot('datapath', {}, stepped(4));
await shot('datapath-dark', { scheme: 'dark' }, stepped(4));
await shot('datapath-phase', {}, async (page) => {
  await stepped(4)(page);
  for (let i = 0; i < 3; i++) await page.click('#datapath-phase');
});
await shot('small', { width: 1024, height: 600 }, stepped(5));
await shot('zoom200', { width: 512, height: 300, scale: 2 }, stepped(5));
// a phone and a tablet held upright: the Program part after a Step, then the Machine part
await shot('phone', { width: 390, height: 844, touch: true }, stepped(4));
await shot('phone-machine', { width: 390, height: 844, touch: true }, async (page) => {
  await stepped(4)(page);
  await page.tap('#tab-run');
  await page.waitForTimeout(400); // the tap's own highlight fades
});
// The drawing on a phone, its parts stacked: a screen tall enough for all
// of it, so that the bars that stay on screen are not laid over it.
await shot('datapath-phone', { width: 390, height: 1700, touch: true }, async (page) => {
  await stepped(4)(page);
  await page.tap('#tab-datapath');
  await page.waitForTimeout(400); // the tap's own highlight fades
});
await shot('tablet', { width: 810, height: 1080, touch: true }, async (page) => {
  await stepped(4)(page);
  await page.tap('#tab-run');
  await page.waitForTimeout(400); // the tap's own highlight fades
});
// A course page with the page embedded at 600 x 400, after four Steps.
await shot('embed', { width: 640, height: 520, url: hostPage({ src: embedUrl(program, { name: 'first.asm' }) }) }, async (frame) => {
  for (let i = 0; i < 4; i++) await frame.click('#step');
});
await browser.close();
console.log(`screenshots in ${out}`);
