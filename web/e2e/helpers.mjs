// Shared steps of the end-to-end tests: a fresh page from file://, typing,
// and reading what the page shows.
import fs from 'node:fs';
import { createRequire } from 'node:module';
import { launch, pageUrl } from './browser.mjs';

export { pageUrl };

let browser = null;
export async function browserOnce() {
  browser ??= await launch();
  return browser;
}
export async function closeBrowser() {
  if (browser) await browser.close();
  browser = null;
}

// A page in a context of its own (its own storage), with every request
// recorded in page.requests.
export async function freshPage(options = {}) {
  const b = await browserOnce();
  const context = await b.newContext({ viewport: { width: 1280, height: 800 }, acceptDownloads: true, ...options.context });
  if (options.init) await context.addInitScript(options.init);
  const page = await context.newPage();
  page.requests = [];
  page.errors = [];
  context.on('request', (r) => page.requests.push(r.url()));
  page.on('pageerror', (e) => page.errors.push(e.message));
  page.on('dialog', (d) => d.accept());
  await page.goto(options.url ?? pageUrl);
  await page.waitForSelector('body[data-ready]');
  return page;
}

// Replaces the whole text as typing would, through the editor.
export async function setText(page, text) {
  await page.evaluate((t) => {
    const v = window.mox77.view;
    v.dispatch({ changes: { from: 0, to: v.state.doc.length, insert: t } });
  }, text);
  await settle(page);
}

export async function typeText(page, text) {
  await page.click('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type(text);
  await settle(page);
}

export async function settle(page) {
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0))));
}

export async function register(page, name) {
  return page.$eval(`#registers tbody tr:nth-child(${registerIndex(name) + 1}) td.v`, (td) => td.firstChild?.textContent ?? '');
}

export function registerIndex(name) {
  return 'ax bx cx dx ex fx gx hx ix jx kx lx mx nx ox px'.split(' ').indexOf(name);
}

export async function cell(page, address) {
  return page.$eval(`#memory tbody tr:nth-child(${(address >> 4) + 1}) td:nth-child(${(address & 15) + 2})`, (td) => td.firstChild?.textContent ?? '');
}

export async function messages(page) {
  return page.$$eval('#messages .msg .text', (els) => els.map((e) => e.textContent));
}

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// What axe-core finds against WCAG 2.1 A and AA, a line per rule with its
// first few places.
export async function axeViolations(page) {
  await settle(page);
  if (!(await page.evaluate(() => 'axe' in window))) await page.addScriptTag({ content: axeSource });
  const result = await page.evaluate(() =>
    window.axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] } }),
  );
  return result.violations.map((v) => `${v.id}: ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`);
}
