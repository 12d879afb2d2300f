// The smoke test's steps, the same in every engine; `b` is a thin adapter
// over the engine's driver: goto, click, type (real key presses into the
// focused element), text, value, run (a script in the page), and inFrame
// (the same steps inside the page's one iframe).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { pageUrl } from './browser.mjs';
import { embedUrl, hostPage } from './embed-host.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

async function until(b, what, check, ms = 10000) {
  const end = Date.now() + ms;
  for (;;) {
    const v = await check();
    if (v) return v;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// Typing as a student types, at the width the window has: Enter at 150 ms
// a key with the completion list open, the squiggle under an error, and
// Copy link, whose write must start within the click.
export async function typing(b) {
  await b.goto(pageUrl);
  await until(b, 'the core', () => b.run('return document.body.dataset.ready === "1"'));
  // the text kept from before goes, so that the keys land in an empty editor
  await b.run('const v = window.mox77.view; v.dispatch({ changes: { from: 0, to: v.state.doc.length } }); return true;');
  await b.click('.cm-content');
  await b.type('add ax, bx\nlod cx, 1\nhalt\n', 150);
  const doc = 'return window.mox77.view.state.doc.toString()';
  assert.equal(await b.run(doc), 'add ax, bx\nlod cx, 1\nhalt\n');
  await until(b, 'the error mark', async () => (await b.text('#error-count')) === '1 error');
  const squiggle = await b.run(`const s = getComputedStyle(document.querySelector('.cm-lintRange-error'));
    return [s.textDecorationLine, s.textDecorationStyle].join(' ');`);
  assert.equal(squiggle, 'underline wavy');
  await b.click('#share');
  await until(b, 'Copy link', async () => /^Link (copied|is in)|^The link/.test(await b.text('#notice')));
  assert.match(await b.text('#notice'), /^Link copied/);
  assert.match(await b.run('return document.querySelector("#share-link").value'), /#/);
}

export async function smoke(b) {
  await b.goto(pageUrl);
  await until(b, 'the core', () => b.run('return document.body.dataset.ready === "1"'));
  await b.click('.cm-content');
  await b.type('load ax, ff\nlod bx, 01\nhalt\n');
  await until(b, 'the error mark', async () => (await b.text('#error-count')) === '1 error');
  assert.equal(await b.run('return document.querySelectorAll(".cm-lint-marker-error").length'), 1);
  // fix the error through the editor, as typed: replace the second line
  await b.run(`const v = window.mox77.view; const l = v.state.doc.line(2);
    v.dispatch({ selection: { anchor: l.from, head: l.to } }); v.focus(); return true;`);
  await b.type('inc bx');
  await until(b, 'no errors', async () => (await b.text('#error-count')) === 'No errors');
  await b.click('#step');
  await b.click('#step');
  const ax = 'return document.querySelector("#registers tbody tr td.v").firstChild.textContent';
  assert.equal(await b.run(ax), 'ff');
  assert.equal(await b.run('return document.querySelector("#registers tbody tr td.v").title'), 'was 0, now ff');
  await b.click('#back');
  assert.equal(await b.run(ax), '0');
  await b.click('#run');
  assert.equal(await b.text('#messages .msg .text'), 'Execution Complete!. . Successful Run!');
  assert.equal(await b.run(ax), 'ff');
  // an exercise, checked
  await b.run(`const s = document.querySelector('#exercise'); s.value = '01-load-and-store';
    s.dispatchEvent(new Event('change')); return true;`);
  await until(b, 'the question', () => b.run('return document.querySelector("#ask").open'));
  await b.click('#ask-yes');
  const solution = fs.readFileSync(path.join(repo, 'examples/exercises/01-load-and-store/solution.asm'), 'utf8');
  await b.run(`const v = window.mox77.view; v.dispatch({ changes: { from: 0, to: v.state.doc.length, insert: arguments[0] } }); return true;`, solution);
  // one column below a laptop's width: the Exercise is a tab of its own
  if (await b.run('return document.querySelector("#tab-exercise").offsetParent !== null')) await b.click('#tab-exercise');
  await b.click('#check');
  assert.match(await b.text('#check-result .verdict.pass'), /^1 of 1 start passes$/);
  assert.deepEqual(await b.run('return window.__errors || []'), []);
}

// The page in a course page's iframe of 600 x 400, read-only: Step, Back
// and Run there, typing refused, nothing kept in the browser. First in a
// fresh profile, so that its storage is empty of any other visit too.
export async function embedded(b) {
  const program = 'load ax, ff\nload bx, 02\nadd ax, bx\nhalt\n';
  await b.goto(hostPage({ src: embedUrl(program, { flags: ['readonly'] }) }));
  await b.inFrame(async (f) => {
    await until(f, 'the embedded page', () => f.run('return document.body.dataset.ready === "1"'));
    assert.equal(await f.run('return document.documentElement.className'), 'embed embed-readonly');
    const doc = 'return window.mox77.view.state.doc.toString()';
    assert.equal(await f.run(doc), program);
    const ax = 'return document.querySelector("td.v[data-register=ax]").firstChild.textContent';
    await f.click('#step');
    await f.click('#step');
    assert.equal(await f.run(ax), 'ff');
    await f.click('#back');
    assert.equal(await f.run(ax), '0');
    await f.click('#run');
    assert.equal(await f.run(ax), '101');
    await f.click('.cm-content');
    await f.type('inc cx\n');
    assert.equal(await f.run(doc), program);
    await f.run('window.dispatchEvent(new Event("pagehide")); return true;');
    assert.deepEqual(await f.run('return [localStorage.length, sessionStorage.length]'), [0, 0]);
  });
}
