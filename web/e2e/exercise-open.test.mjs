// A teacher's exercise opened from a folder, a .zip and a link, then
// checked by the core as a bundled one is.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';
import { zipSync, strToU8 } from 'fflate';
import { freshPage, closeBrowser, setText, pageUrl } from './helpers.mjs';

after(closeBrowser);
const sample = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../examples/exercises/02-sum');
const read = (f) => fs.readFileSync(path.join(sample, f), 'utf8');
// Marks the sample solution, which must never leave the teacher's folder.
const SECRET = "; the teacher's own answer";
const solution = read('solution.asm') + SECRET + '\n';
const heading = /^#\s+(.+)$/m.exec(read('task.md'))[1];
const allPass = /^2 of 2 public starts pass; 8 hidden starts are run when graded$/;
// The sample's files under a folder of the teacher's, solution and all.
const teacher = (folder, leave = '') => Object.fromEntries([
  ...fs.readdirSync(sample).filter((f) => f !== leave).map((f) => [`${folder}/${f}`, read(f)]),
  [`${folder}/solution.asm`, solution],
]);
const tmp = (name) => path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'mox77-exercise-')), name);
function zipped(name, files) {
  const p = tmp(name);
  fs.writeFileSync(p, zipSync(Object.fromEntries(Object.entries(files).map(([n, t]) => [n, strToU8(t)]))));
  return p;
}
const doc = (page) => page.evaluate(() => window.mox77.view.state.doc.toString());
const noticed = (page, re) => page.waitForFunction((s) => new RegExp(s).test(document.querySelector('#notice').textContent), re.source);
// The core's verdict, in its words and as passed or not.
async function check(page, words, pass) {
  await page.click('#check');
  const [text, passed] = await page.$eval('#check-result .verdict', (v) => [v.textContent, v.classList.contains('pass')]);
  assert.match(text, words);
  assert.equal(passed, pass);
}

test('a folder and a .zip: listed, checked to FAIL and PASS, kept over a reload; missing files and unsound starts told', async () => {
  const page = await freshPage();
  const folder = tmp('sum-variant');
  fs.cpSync(sample, folder, { recursive: true });
  fs.writeFileSync(path.join(folder, 'solution.asm'), solution);
  await page.setInputFiles('#exercise-folder-input', folder);
  await noticed(page, /^Opened exercise/);
  assert.equal(await page.$eval('#exercise', (s) => `${s.selectedOptions[0].closest('optgroup')?.label}: ${s.selectedOptions[0].textContent}`), `Opened: ${heading} (sum-variant)`);
  assert.equal(await doc(page), read('start.asm'));
  assert.ok(!(await page.evaluate(() => Object.values(localStorage).join())).includes(SECRET));
  await check(page, /^0 of 2 public starts pass; 8 hidden starts are run when graded$/, false);
  await setText(page, solution);
  await check(page, allPass, true);
  await page.reload();
  await page.waitForSelector('body[data-ready]');
  assert.match(await page.textContent('#exercise-h'), new RegExp(heading));
  await check(page, allPass, true);

  await page.setInputFiles('#exercise-zip-input', zipped('handed.zip', { ...teacher('zipped'), '__MACOSX/zipped/._task.md': '\0' }));
  await page.click('#ask-yes'); // the solution typed was never saved
  await noticed(page, /from handed\.zip/);
  await setText(page, solution);
  await check(page, allPass, true);
  const chosen = await page.inputValue('#exercise');
  await page.setInputFiles('#exercise-zip-input', zipped('no-start.zip', teacher('no-start', 'start.asm')));
  await noticed(page, /^Could not open no-start\.zip: it has no start\.asm\./);
  const starts = fs.readdirSync(sample).filter((f) => f.endsWith('.json') && f !== 'expected.json');
  const words = await page.evaluate((files) => window.mox77.core.exerciseStart(files, 'broken').error, Object.fromEntries(starts.map((f) => [f, read(f)])));
  await page.setInputFiles('#exercise-zip-input', zipped('broken.zip', teacher('broken', 'expected.json')));
  await page.waitForFunction((w) => document.querySelector('#notice').textContent.includes(w), words);
  assert.deepEqual([await page.inputValue('#exercise'), await doc(page)], [chosen, solution]);
  assert.deepEqual([page.errors, page.requests.filter((u) => u.split('#')[0] !== pageUrl)], [[], []]);
});

test('an exercise link: no solution nor seed in it, opened in a fresh page and checked; unsaved text is asked about first and kept', async () => {
  const page = await freshPage({ context: { permissions: ['clipboard-read', 'clipboard-write'] } });
  await page.setInputFiles('#exercise-zip-input', zipped('linked.zip', teacher('linked')));
  await noticed(page, /^Opened exercise/);
  await page.click('#copy-exercise-link');
  await noticed(page, /^Link copied/);
  const url = await page.evaluate(() => navigator.clipboard.readText());
  const carried = [...new URLSearchParams(new URL(url).hash.slice(1)).values()].map((p) => zlib.inflateRawSync(Buffer.from(p, 'base64url')).toString()).join();
  // the recipe travels, its seed (the hidden starts' inputs) and the solution never
  assert.ok(carried.includes('exercise.json') && !carried.includes(SECRET) && !carried.includes('"seed"'), carried);
  const task = await page.textContent('#exercise-h');

  const other = await freshPage({ url });
  assert.deepEqual([await other.textContent('#exercise-h'), await doc(other)], [task, read('start.asm')]);
  await setText(other, solution);
  await check(other, allPass, true);

  const third = await freshPage();
  await setText(third, 'halt ; mine\n');
  await third.evaluate((h) => { location.hash = h; }, new URL(url).hash);
  await third.click('#ask-no');
  await noticed(third, /was not opened/);
  assert.deepEqual([await doc(third), await third.inputValue('#exercise')], ['halt ; mine\n', '']);
});
