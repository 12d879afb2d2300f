// Typing as students type, in Chromium at a laptop's and a phone's width:
// Enter and the completion list, the marks, a greeting without errors, Copy
// link, and leaving the page.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { freshPage, closeBrowser, setText, settle, register } from './helpers.mjs';

after(closeBrowser);

const widths = [
  { name: 'laptop', context: {} },
  { name: 'phone', context: { viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true } },
];
const doc = (page) => page.evaluate(() => window.mox77.view.state.doc.toString());

for (const w of widths) {
  test(`Enter at a student's pace starts a line unless an arrow key chose from the list (${w.name})`, async () => {
    const page = await freshPage({ context: w.context });
    await page.click('.cm-content');
    // every key 150 ms apart: the list for "bx" is open when Enter comes
    await page.keyboard.type('add ax, bx\nhalt\n', { delay: 150 });
    assert.equal(await doc(page), 'add ax, bx\nhalt\n');
    await page.keyboard.type('ro', { delay: 150 });
    await page.waitForSelector('.cm-tooltip-autocomplete');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    assert.match(await doc(page), /\nrotate\b/);
  });

  test(`Copy link copies the link it shows (${w.name})`, async () => {
    const page = await freshPage({ context: { ...w.context, permissions: ['clipboard-read', 'clipboard-write'] } });
    await setText(page, 'inc bx\nhalt\n');
    await page.click('#share');
    await page.waitForFunction(() => /^Link copied/.test(document.querySelector('#notice').textContent));
    const shown = await page.inputValue('#share-link');
    assert.ok(shown.includes('#'));
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), shown);
  });
}

test('errors are underlined, CodeMirror\'s own wave kept; misread lines get a hint, not an error', async () => {
  const page = await freshPage();
  await setText(page, 'lod ax, 1\nhalt\n');
  const style = await page.$eval('.cm-lintRange-error', (e) => {
    const s = getComputedStyle(e);
    return { line: s.textDecorationLine, kind: s.textDecorationStyle, wave: s.backgroundImage };
  });
  assert.deepEqual([style.line, style.kind], ['underline', 'wavy']);
  assert.notEqual(style.wave, 'none');

  // zerlant takes both as load: no error, a hint that says how it read them
  await setText(page, 'haltload cx, 7\nloadx ax, 1\nhalt\n');
  assert.equal(await page.textContent('#error-count'), 'No errors');
  assert.equal(await page.locator('.cm-lintRange-error').count(), 0);
  assert.equal(await page.locator('.cm-lintRange-hint').count(), 2);
  const reading = await page.evaluate(() => {
    const asm = window.mox77.core.assemble(new TextEncoder().encode('load cx, 7\nhalt\n'));
    return window.mox77.core.describeWord(asm.machineCode.slice(0, 4)).split('  ')[1];
  });
  await page.hover('.cm-lintRange-hint >> nth=0');
  await page.waitForSelector('.cm-tooltip-lint');
  assert.equal((await page.textContent('.cm-tooltip-lint .cm-diagnosticText')).trim(), `read as ${reading}`);
  await page.click('#step'); // loads the program
  await page.click('#step');
  assert.equal(await register(page, 'cx'), '7');
});

test('a fresh editor shows no error count until the student types', async () => {
  const page = await freshPage();
  assert.equal(await page.textContent('#error-count'), '');
  assert.equal(await page.locator('.cm-lint-marker-error').count(), 0);
  await page.click('.cm-content');
  await page.keyboard.type('x');
  await page.keyboard.press('Backspace');
  await settle(page);
  assert.equal(await page.textContent('#error-count'), '1 error');
});

test('leaving asks only when the browser could not keep the text', async () => {
  const reloadAsks = async (page) => {
    let asked = null;
    page.removeAllListeners('dialog');
    page.on('dialog', (d) => { asked = d.type(); d.accept(); });
    await page.reload();
    await page.waitForSelector('body[data-ready]');
    return asked;
  };
  const kept = await freshPage();
  await kept.click('.cm-content');
  await kept.keyboard.type('inc bx\nhalt\n');
  assert.equal(await reloadAsks(kept), null);
  assert.equal(await doc(kept), 'inc bx\nhalt\n');

  const full = await freshPage({
    init: () => {
      Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); };
    },
  });
  await full.click('.cm-content');
  await full.keyboard.type('inc bx\nhalt\n');
  assert.equal(await reloadAsks(full), 'beforeunload');
});
