// Nothing lost: several tabs on one entry, a download that is no save,
// pasted line ends, a panel that never shows an old state, a huge link.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {
  browserOnce, freshPage, closeBrowser, setText, typeText, settle, messages, pageUrl,
} from './helpers.mjs';

after(closeBrowser);

const doc = (page) => page.evaluate(() => window.mox77.view.state.doc.toString());

function tmpFile(name, bytes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mox77-'));
  const p = path.join(dir, name);
  fs.writeFileSync(p, bytes);
  return p;
}

// Pages of one browser context: they share the browser's storage, as tabs do.
async function tabs() {
  const context = await (await browserOnce()).newContext({ viewport: { width: 1280, height: 800 } });
  const open = async () => {
    const page = await context.newPage();
    page.on('dialog', (d) => d.accept());
    await page.goto(pageUrl);
    await page.waitForSelector('body[data-ready]');
    return page;
  };
  return { context, open };
}

test('two tabs: an untouched tab neither loses nor overwrites the other\'s edit', async () => {
  const { context, open } = await tabs();
  const a = await open();
  const b = await open();
  await typeText(a, '; edited in A\n');
  // B shows A's text once A has kept it
  await b.waitForFunction(() => window.mox77.view.state.doc.toString().endsWith('; edited in A\n'));
  assert.equal(await b.isHidden('#tab-conflict'), true);
  await a.close({ runBeforeUnload: true });
  await b.close({ runBeforeUnload: true });
  const c = await open();
  assert.equal(await doc(c), '; edited in A\n');
  await context.close();
});

test('two tabs that both edit: the student is told, and neither text is lost', async () => {
  const { context, open } = await tabs();
  const a = await open();
  const b = await open();
  // B edits, and its write is still due (its timers held) when A keeps its edit
  await b.evaluate(() => {
    window.heldTimeout = window.setTimeout;
    window.setTimeout = () => 0;
    window.mox77.view.dispatch({ changes: { from: 0, insert: 'inc bx ; B\n' } });
  });
  await a.evaluate(() => {
    window.mox77.view.dispatch({ changes: { from: 0, insert: 'inc ax ; A\n' } });
    window.dispatchEvent(new Event('pagehide'));
  });
  await b.waitForSelector('#tab-conflict:not([hidden])');
  await b.evaluate(() => { window.setTimeout = window.heldTimeout; });
  const stored = () => b.evaluate(() => JSON.parse(localStorage.getItem('mox77.web.v1')).text);
  assert.equal(await doc(b), 'inc bx ; B\n');
  assert.equal(await doc(a), 'inc ax ; A\n');
  assert.equal(await a.isHidden('#tab-conflict'), true);
  // B leaves without choosing: it writes nothing over A's text, and asks first
  await b.evaluate(() => window.dispatchEvent(new Event('pagehide')));
  assert.equal(await stored(), 'inc ax ; A\n');
  // B keeps its own; A takes it, and Undo there brings A's own back
  await b.click('#keep-mine');
  assert.equal(await b.isHidden('#tab-conflict'), true);
  assert.equal(await stored(), 'inc bx ; B\n');
  await a.waitForFunction(() => window.mox77.view.state.doc.toString() === 'inc bx ; B\n');
  await a.click('.cm-content');
  await a.keyboard.press('Control+z');
  assert.equal(await doc(a), 'inc ax ; A\n');
  await context.close();
});

test('a download that was cancelled does not count as saved', async () => {
  const page = await freshPage({ init: () => { delete window.showSaveFilePicker; } });
  await setText(page, 'halt ; mine\n');
  const [dl] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  await dl.cancel();
  assert.match((await messages(page))[0], /^Downloaded program\.asm\./);
  assert.match(await page.textContent('#file-name'), /downloaded/);
  await page.selectOption('#exercise', '01-load-and-store');
  await page.waitForSelector('dialog[open]');
  await page.click('#ask-no');
  assert.equal(await doc(page), 'halt ; mine\n');
});

test('pasted Windows line ends become the file\'s own', async () => {
  const page = await freshPage({ init: () => { delete window.showSaveFilePicker; } });
  await page.setInputFiles('#file-input', tmpFile('crlf.asm', 'load bx, 2\r\nhalt\r\n'));
  await page.waitForFunction(() => document.querySelector('#file-name').textContent === 'crlf.asm');
  await page.click('.cm-content');
  await page.keyboard.press('Control+Home');
  await page.evaluate(() => {
    const data = new DataTransfer();
    data.setData('text/plain', 'load ax, 1\r\nstore ax, 10\r\n');
    document.querySelector('.cm-content').dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true }));
  });
  await settle(page);
  assert.equal(await doc(page), 'load ax, 1\nstore ax, 10\nload bx, 2\nhalt\n');
  assert.equal(await page.textContent('#error-count'), 'No errors');
  const [dl] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(fs.readFileSync(await dl.path(), 'latin1'), 'load ax, 1\r\nstore ax, 10\r\nload bx, 2\r\nhalt\r\n');
});

test('the machine panel shows the machine as it is after every action', async () => {
  const page = await freshPage();
  const PROGRAM = 'load ax, ff\ninc bx\nhalt\n';
  const shown = async () => ({
    next: (await page.isVisible('#next-instruction')) ? await page.textContent('#next-instruction') : null,
    halted: await page.textContent('#halted'),
    marked: await page.locator('.cm-next-line').count(),
    current: await page.locator('#listing .row[aria-current]').count(),
    notice: await page.textContent('#notice'),
  });
  const stepped = async () => {
    await setText(page, PROGRAM);
    await page.click('#step');
    await page.click('#step');
  };
  const typed = async (w) => {
    await page.fill('#instruction', w);
    await page.press('#instruction', 'Enter');
  };
  // a stepped program shows its next word, marked in the listing and the editor
  await stepped();
  assert.deepEqual(await shown(), { next: 'Next Instruction: 9001', halted: 'no', marked: 1, current: 1, notice: '' });
  for (const [what, act, expected] of [
    ['Reset', () => page.click('#reset'), { next: null, halted: 'yes', marked: 0, current: 0 }],
    ['a .8xe opened', async () => {
      await page.setInputFiles('#file-input', tmpFile('other.8xe', '20019002f000'));
      await page.waitForFunction(() => /other\.8xe/.test(document.querySelector('#file-name').textContent));
    }, { next: 'Next Instruction: 9001', halted: 'no', marked: 0, current: 1 }],
    ['an invalid .8xe loaded in step mode', async () => {
      await page.setInputFiles('#file-input', tmpFile('bad.8xe', '20ff 9001'));
      await page.waitForFunction(() => /bad\.8xe/.test(document.querySelector('#file-name').textContent));
      await page.click('#step');
    }, { next: null, halted: 'yes', marked: 0, current: 0 }],
  ]) {
    await stepped();
    await act();
    await settle(page);
    const now = await shown();
    delete now.notice;
    assert.deepEqual(now, expected, what);
  }
  // what Back said goes with the next action
  await page.click('#reset');
  await page.click('#back');
  assert.match(await page.textContent('#notice'), /to take back/);
  await typed('2a01');
  await settle(page);
  assert.equal(await page.textContent('#notice'), '');
});

test('a link whose program is over 16 MiB is refused; the text stays', async () => {
  const page = await freshPage();
  await setText(page, 'halt ; mine\n');
  const packed = zlib.deflateRawSync(Buffer.alloc(17 * 1024 * 1024, 0x20), { level: 9 });
  const hash = '#' + new URLSearchParams({ name: 'huge.asm', p: packed.toString('base64url') }).toString();
  assert.ok(hash.length < 40_000);
  await page.evaluate((h) => { location.hash = h; }, hash);
  await page.waitForFunction(() => /too large/.test(document.querySelector('#messages').textContent));
  assert.equal(await page.isVisible('dialog[open]'), false);
  assert.equal(await doc(page), 'halt ; mine\n');
  // a link within the limit still opens
  const small = '#' + new URLSearchParams({ name: 'small.asm', p: zlib.deflateRawSync(Buffer.from('inc ax\nhalt\n')).toString('base64url') }).toString();
  await page.evaluate((h) => { location.hash = h; }, small);
  await page.waitForSelector('dialog[open]');
  await page.click('#ask-yes');
  assert.equal(await doc(page), 'inc ax\nhalt\n');
});

// The page takes keys before its full editor is in: whatever is done
// meanwhile must survive the editor coming in, whichever way it comes.
test('typed and stepped before the full editor is in: text, cursor, focus, machine and Undo stay', async () => {
  const loaded = 'load ax, 5\nload bx, 7\nadd ax, bx\nhalt\n';
  const typed = 'loadx cx, 3\n'; // read as load cx, 3: a hint, no error
  for (const how of ['when the page is idle', 'at once, for a control that needs it']) {
    const { context, open } = await tabs();
    const first = await open();
    await setText(first, loaded);
    await first.close({ runBeforeUnload: true });
    const page = await context.newPage();
    page.on('dialog', (d) => d.accept());
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    // the full editor waits for idle time: held here until released
    await page.addInitScript(() => {
      window.heldIdle = [];
      window.requestIdleCallback = (f) => window.heldIdle.push(f);
    });
    await page.goto(pageUrl);
    await page.waitForFunction(() => performance.getEntriesByName('mox-ready-drawn').length);
    assert.equal(await page.locator('.cm-editor').count(), 0, how);
    assert.equal(await page.inputValue('#plain-editor'), loaded, how);

    await page.focus('#plain-editor');
    await page.keyboard.press('Control+Home');
    await page.keyboard.type(typed);
    await page.keyboard.press('Alt+Period'); // loads
    await page.keyboard.press('Alt+Period'); // loadx cx, 3
    assert.equal(await page.textContent('#executed'), '1', how);

    if (how.startsWith('at once')) {
      await page.keyboard.press('Control+m'); // Tab indents: only the full editor has it
      assert.equal(await page.getAttribute('#tab-indents', 'aria-pressed'), 'true', how);
    }
    await page.evaluate(() => {
      window.requestIdleCallback = (f) => setTimeout(f, 0);
      window.heldIdle.splice(0).forEach((f) => f());
    });
    await page.waitForSelector('body[data-ready]');
    assert.equal(await doc(page), typed + loaded, how);
    assert.equal(await page.evaluate(() => window.mox77.view.state.selection.main.head), typed.length, how);
    assert.equal(await page.evaluate(() => !!document.activeElement.closest('.cm-editor')), true, how);
    assert.equal(await page.textContent('.cm-next-line'), 'load ax, 5', how);
    assert.equal(await page.textContent('#error-count'), 'No errors', how);
    assert.equal(await page.locator('.cm-lintRange-hint').count(), 1, how);

    // the same program goes on: no reload from the start
    await page.keyboard.press('Alt+Period');
    assert.equal(await page.textContent('#executed'), '2', how);
    // what was typed before is one step of Undo
    await page.keyboard.press('Control+z');
    assert.equal(await doc(page), loaded, how);
    assert.deepEqual(errors, [], how);
    await context.close();
  }
});

test('text typed into the field before the page is wired stays, and is kept', async () => {
  const { context, open } = await tabs();
  const early = 'inc ax ; typed early\n';
  const page = await context.newPage();
  // as a student typing the moment the field appears, before any script ran
  await page.addInitScript((t) => {
    new MutationObserver((_, watch) => {
      const field = document.getElementById('plain-editor');
      if (field) {
        field.value = t;
        watch.disconnect();
      }
    }).observe(document, { childList: true, subtree: true });
  }, early);
  await page.goto(pageUrl);
  await page.waitForSelector('body[data-ready]');
  assert.equal(await doc(page), early);
  await page.close({ runBeforeUnload: true });
  assert.equal(await doc(await open()), early);
  await context.close();
});
