// The whole page in Chromium, one test per numbered point of the issue.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  freshPage, closeBrowser, browserOnce, setText, typeText, settle, register, cell, messages, pageUrl,
} from './helpers.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
after(closeBrowser);

const PROGRAM = 'load ax, ff ; two fifty-five\ninc bx\nstore ax, 10\nhalt\n';

test('1 editor: zerlant\'s errors while typing, marks, count, next error, fixed', async () => {
  const page = await freshPage();
  await typeText(page, 'load ax, ff\nlod bx, 01\ninc qx\nhalt\n');
  assert.equal(await page.textContent('#error-count'), '2 errors');
  assert.equal(await page.locator('.cm-lint-marker-error').count(), 2);
  assert.equal(await page.locator('.cm-lintRange-error').count(), 2);
  const lines = await page.evaluate(() => {
    const v = window.mox77.view;
    const asm = window.mox77.core.assemble(new TextEncoder().encode(v.state.doc.toString()));
    return asm.errors.map((e) => e.line);
  });
  assert.match(lines[0], /^error on line\(2\):/);
  assert.match(lines[1], /^error on line\(3\):/);
  // zerlant's own line on hover
  await page.hover('.cm-lintRange-error >> nth=0');
  await page.waitForSelector('.cm-tooltip-lint');
  assert.equal((await page.textContent('.cm-tooltip-lint .cm-diagnosticText')).trim(), lines[0]);
  // F8 goes to the next error
  await page.click('.cm-content');
  await page.keyboard.press('Control+Home');
  await page.keyboard.press('F8');
  const at = await page.evaluate(() => {
    const v = window.mox77.view;
    return v.state.doc.lineAt(v.state.selection.main.head).number;
  });
  assert.equal(at, 2);
  // Run with errors moves to the first one instead of running
  await page.keyboard.press('Control+End');
  await page.click('#run');
  assert.match(await page.textContent('#notice'), /2 errors/);
  assert.equal(await page.textContent('#executed'), '0');
  // a tip per mnemonic
  await setText(page, 'load ax, ff\nhalt\n');
  await page.hover('.cm-line >> nth=0 >> .tok-mnemonic');
  await page.waitForSelector('.mox-tip');
  assert.match(await page.textContent('.mox-tip'), /load/);
  assert.equal(await page.textContent('#error-count'), 'No errors');
  // completion from the instruction table
  await page.click('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type('ro');
  await page.waitForSelector('.cm-tooltip-autocomplete');
  assert.match(await page.textContent('.cm-tooltip-autocomplete'), /rotate/);
});

test('2 Step, Back, Run, Reset with the core\'s messages and lit changes', async () => {
  const page = await freshPage();
  await setText(page, PROGRAM);
  await page.click('#step');
  assert.equal(await page.textContent('#mode'), 'Step by step');
  assert.equal(await page.locator('#listing .row').count(), 4);
  assert.match(await page.textContent('#listing .row[aria-current]'), /^20FF/);
  assert.equal(await register(page, 'ax'), '0');
  await page.click('#step');
  assert.equal(await register(page, 'ax'), 'ff');
  const axCell = page.locator('#registers tbody tr:nth-child(1) td.v');
  assert.equal(await axCell.getAttribute('title'), 'was 0, now ff');
  assert.match(await axCell.getAttribute('class'), /lit/);
  assert.equal(await page.textContent('#announce'), 'ax: was 0, now ff');
  assert.equal(await page.textContent('#executed'), '1');
  assert.match(await page.textContent('#listing .row[aria-current]'), /^9/);
  // the next word's line is marked in the editor too
  assert.equal(await page.locator('.cm-next-line').count(), 1);
  await page.click('#back');
  assert.equal(await register(page, 'ax'), '0');
  assert.equal(await page.textContent('#executed'), '0');
  for (let i = 0; i < 4; i++) await page.click('#step');
  assert.deepEqual(await messages(page), ['Succesful Execution, reseting instruction pointer to the first instruction']);
  assert.equal(await cell(page, 0x10), 'ff');
  assert.equal(await page.textContent('#halted'), 'yes');
  await page.click('#run');
  assert.deepEqual(await messages(page), ['Execution Complete!. . Successful Run!']);
  assert.equal(await register(page, 'bx'), '2'); // values kept across runs
  assert.equal(await page.textContent('#mode'), 'Full execution');
  await page.click('#reset');
  assert.equal(await register(page, 'bx'), '0');
  assert.equal(await cell(page, 0x10), '0');
  // clicking a listed word shows its source line
  await page.click('#step');
  await page.click('#listing .row >> nth=2');
  const sel = await page.evaluate(() => {
    const v = window.mox77.view;
    return v.state.doc.lineAt(v.state.selection.main.head).text;
  });
  assert.equal(sel, 'store ax, 10');
  // an edit makes the next Step load again
  await typeText(page, '; more\n');
  await page.click('#step');
  assert.equal(await page.textContent('#executed'), '0');
  assert.deepEqual(page.errors, []);
});

test('2 a listing longer than its box follows the next word down and back up', async () => {
  const page = await freshPage();
  await setText(page, Array.from({ length: 60 }, (_, i) => `load ax, ${i.toString(16)}`).join('\n') + '\nhalt\n');
  // where the marked row is, and whether the listing shows it whole
  const marked = () => page.$eval('#listing', (box) => {
    const rows = box.querySelectorAll('.row[aria-current]');
    const outer = box.getBoundingClientRect();
    const r = rows[0]?.getBoundingClientRect();
    return { count: rows.length, label: rows[0]?.getAttribute('aria-label'), inSight: !!r && r.top >= outer.top && r.bottom <= outer.bottom };
  });
  await page.click('#step');
  for (let i = 0; i < 45; i++) await page.click('#step');
  assert.deepEqual(await marked(), { count: 1, label: 'next: 202D  load ax, 2d, line 46', inSight: true });
  for (let i = 0; i < 40; i++) await page.click('#back');
  assert.deepEqual(await marked(), { count: 1, label: 'next: 2005  load ax, 05, line 6', inSight: true });
  // only the marked row says "next"
  assert.deepEqual(await page.$$eval('#listing .row', (rows) => rows.filter((r) => r.getAttribute('aria-label').startsWith('next')).length), 1);
});

test('4 base, typed instruction, Clear and Fill', async () => {
  const page = await freshPage();
  await setText(page, PROGRAM);
  await page.click('#run');
  await page.check('input[name=base][value="1"]');
  assert.equal(await register(page, 'ax'), '255');
  await page.check('input[name=base][value="0"]');
  assert.equal(await register(page, 'ax'), '11111111');
  await page.check('input[name=base][value="2"]');
  await page.fill('#instruction', '2aff');
  await page.press('#instruction', 'Enter');
  assert.equal(await register(page, 'kx'), 'ff');
  assert.equal(await page.inputValue('#instruction'), '');
  assert.equal(await page.textContent('#announce'), 'kx: was 0, now ff');
  await page.fill('#instruction', '2af');
  await page.press('#instruction', 'Enter');
  assert.deepEqual(await messages(page), ['Error:\nInstruction length incorrect (Only 4 Hex Characters)']);
  assert.equal(await page.inputValue('#instruction'), '2af');
  await page.fill('#instruction', '2agf');
  await page.press('#instruction', 'Enter');
  assert.deepEqual(await messages(page), ['Error:\nInstruction Not in Correct Format, requires Only hex digits']);
  await page.click('#fill-memory');
  for (const a of [0, 0x37, 0xff]) assert.equal(await cell(page, a), 'ff');
  await page.click('#clear-memory');
  for (const a of [0, 0x10, 0xff]) assert.equal(await cell(page, a), '0');
  assert.equal(await register(page, 'kx'), 'ff'); // Clear leaves the registers
});

test('a word that changes nothing is announced as such; a load or a refused word is not', async () => {
  const page = await freshPage();
  await setText(page, 'load ax, 00\nhalt\n');
  const typed = (w) => async () => {
    await page.fill('#instruction', w);
    await page.press('#instruction', 'Enter');
  };
  for (const [what, act, heard] of [
    ['Step that loads', () => page.click('#step'), ''],
    ['Step over load ax, 00', () => page.click('#step'), 'nothing changed'],
    ['Back over it', () => page.click('#back'), 'nothing changed'],
    ['typed 0000', typed('0000'), 'nothing changed'],
    ['typed 2af, refused', typed('2af'), ''],
    ['typed 2a01', typed('2a01'), 'kx: was 0, now 1'],
  ]) {
    await act();
    assert.equal(await page.textContent('#announce'), heard, what);
  }
});

function tmpFile(name, bytes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mox77-'));
  const p = path.join(dir, name);
  fs.writeFileSync(p, bytes);
  return p;
}

test('7 files: open Latin-1, save byte for byte, .8xe, binary and huge refused', async () => {
  const page = await freshPage({ init: () => { delete window.showSaveFilePicker; } });
  const latin = Buffer.concat([Buffer.from('; caf'), Buffer.from([0xe9]), Buffer.from('\r\nload ax, 01\r\nhalt\r\n')]);
  await page.setInputFiles('#file-input', tmpFile('latin.asm', latin));
  await page.waitForFunction(() => document.querySelector('#file-name').textContent === 'latin.asm');
  assert.equal(await page.textContent('#file-name'), 'latin.asm');
  assert.equal(await page.textContent('#error-count'), 'No errors');
  const [dl] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(dl.suggestedFilename(), 'latin.asm');
  assert.deepEqual(fs.readFileSync(await dl.path()), latin);
  const [dl8] = await Promise.all([page.waitForEvent('download'), page.click('#download-8xe')]);
  assert.equal(dl8.suggestedFilename(), 'latin.8xe');
  const expected = await page.evaluate((b) => window.mox77.core.assemble(new Uint8Array(b)).machineCode, [...latin]);
  assert.equal(fs.readFileSync(await dl8.path(), 'latin1'), expected);
  // a zero byte ends the source for zerlant, and so for the page's check
  const zero = Buffer.concat([Buffer.from('load ax, 01\nhalt\n'), Buffer.from([0]), Buffer.from('not an instruction\n')]);
  await page.setInputFiles('#file-input', tmpFile('zero.asm', zero));
  await page.waitForFunction(() => document.querySelector('#file-name').textContent === 'zero.asm');
  const zerlant = await page.evaluate((b) => window.mox77.core.assemble(new Uint8Array(b)).errorCount, [...zero]);
  assert.equal(await page.textContent('#error-count'), zerlant === 0 ? 'No errors' : `${zerlant} errors`);
  const [dlz] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.deepEqual(fs.readFileSync(await dlz.path()), zero);
  // refused files change nothing
  const before = await page.evaluate(() => window.mox77.view.state.doc.toString());
  await page.setInputFiles('#file-input', tmpFile('image.asm', Buffer.from([0x89, 0x50, 0x4e, 0x47, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0x1a])));
  await page.waitForFunction(() => /not a text file/.test(document.querySelector('#messages').textContent));
  await page.setInputFiles('#file-input', tmpFile('huge.asm', Buffer.alloc(17 * 1024 * 1024, 0x20)));
  await page.waitForFunction(() => /too large/.test(document.querySelector('#messages').textContent));
  assert.equal(await page.evaluate(() => window.mox77.view.state.doc.toString()), before);
  // dropping a file on the page opens it (the text was saved: no question)
  await page.evaluate(() => {
    const dt = new DataTransfer();
    dt.items.add(new File(['load dx, 0d\nhalt\n'], 'dropped.asm'));
    document.querySelector('main').dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
  });
  await page.waitForFunction(() => document.querySelector('#file-name').textContent === 'dropped.asm');
  assert.equal(await page.evaluate(() => window.mox77.view.state.doc.toString()), 'load dx, 0d\nhalt\n');
  // a .8xe becomes the program
  await page.setInputFiles('#file-input', tmpFile('prog.8xe', '20ff9001f000'));
  await page.waitForFunction(() => /prog\.8xe/.test(document.querySelector('#file-name').textContent));
  await page.click('#run');
  assert.equal(await register(page, 'ax'), 'ff');
  await page.setInputFiles('#file-input', tmpFile('bad.8xe', '20ff 9001'));
  await page.waitForFunction(() => /bad\.8xe/.test(document.querySelector('#file-name').textContent));
  await page.click('#run');
  assert.deepEqual(await messages(page), ['Error:\nThere 8xe file is courpt!']);
  // a .8xe of binary bytes is the core's to judge, in either mode
  await page.setInputFiles('#file-input', tmpFile('binary.8xe', Buffer.from([0x89, 0x50, 0, 0, 1, 2, 3, 0x1a, 0xff])));
  await page.waitForFunction(() => /binary\.8xe/.test(document.querySelector('#file-name').textContent));
  await page.click('#run');
  assert.deepEqual(await messages(page), ['Error:\nThere 8xe file is courpt!']);
  await page.click('#step');
  assert.deepEqual(await messages(page), ['Fatal Error:\nInvalid or Corrupt 8XE File']);
});

test('7 Save through the File System Access API writes the same file again', async () => {
  const page = await freshPage({
    init: () => {
      window.__writes = [];
      window.__picks = 0;
      window.showSaveFilePicker = async (o) => {
        window.__picks++;
        return {
          name: o.suggestedName,
          createWritable: async () => {
            const parts = [];
            return { write: async (b) => parts.push(...new Uint8Array(b)), close: async () => window.__writes.push(parts) };
          },
        };
      };
    },
  });
  await setText(page, 'halt\n');
  await page.click('#save');
  await typeText(page, '; again\n');
  await page.click('#save');
  await settle(page);
  assert.equal(await page.evaluate(() => window.__picks), 1);
  const writes = await page.evaluate(() => window.__writes);
  assert.equal(Buffer.from(writes[1]).toString(), 'halt\n; again\n');
  assert.equal(await page.textContent('#file-name'), 'program.asm');
});

// The core's summary of the starts it ran, and whether it counts as a pass.
async function verdict(page, words, pass) {
  const v = await page.$eval('#check-result .verdict', (el) => ({ text: el.textContent, pass: el.classList.contains('pass') }));
  assert.match(v.text, words);
  assert.equal(v.pass, pass);
}

test('8 exercises: task, start file, Check to FAIL and PASS', async () => {
  const page = await freshPage();
  await page.selectOption('#exercise', '01-load-and-store');
  assert.match(await page.textContent('#task'), /cell/);
  const start = fs.readFileSync(path.join(repo, 'examples/exercises/01-load-and-store/start.asm'), 'utf8');
  assert.equal(await page.evaluate(() => window.mox77.view.state.doc.toString()), start);
  await page.click('#check');
  await verdict(page, /^0 of 1 start pass$/, false);
  const lines = await page.$$eval('#check-result li', (l) => l.map((x) => x.textContent));
  const grade = await page.evaluate(() => {
    const c = window.mox77.core;
    const e = c.parseState('{"memory":{"0x10":42,"0x11":255},"running":false}', 'expected');
    const r = c.checkProgram(new TextEncoder().encode(window.mox77.view.state.doc.toString()), true, null, e.state);
    e.state.delete();
    return r.mismatches;
  });
  assert.deepEqual(lines, grade);
  assert.ok(lines.length > 0);
  await setText(page, fs.readFileSync(path.join(repo, 'examples/exercises/01-load-and-store/solution.asm'), 'utf8'));
  await page.click('#check');
  await verdict(page, /^1 of 1 start passes$/, true);
  // an opened .8xe is the program Check grades, as Run and Step run it
  await setText(page, start + '; not the answer\n');
  const code = await page.evaluate(() => window.mox77.core.assemble(new TextEncoder().encode('load ax, 2a\nstore ax, 10\nload ax, ff\nstore ax, 11\nhalt\n')).machineCode);
  await page.setInputFiles('#file-input', tmpFile('mine.8xe', code));
  await page.waitForFunction(() => /mine\.8xe/.test(document.querySelector('#file-name').textContent));
  await page.click('#check');
  await verdict(page, /^1 of 1 start passes$/, true);
  // an exercise with two starts, and hidden ones the page does not run
  await page.selectOption('#exercise', '02-sum');
  await page.click('#ask-yes');
  await settle(page);
  await setText(page, 'load ax, d1\nload bx, 10\nmul ax, bx\ninc ax\nstore ax, 02\nhalt\n'); // writes down the first answer, 3345
  await page.click('#check');
  await verdict(page, /^1 of 2 public starts pass(es)?; 8 hidden starts are run when graded$/, false);
  assert.match(await page.textContent('#check-result'), /Start 2.*FAIL/s);
});

test('9 nothing lost: text, name, exercise and base come back after a reload', async () => {
  const page = await freshPage();
  await page.selectOption('#exercise', '04-countdown');
  await typeText(page, '; mine\n');
  await page.check('input[name=base][value="1"]');
  let asked = null;
  page.removeAllListeners('dialog');
  page.on('dialog', (d) => { asked = d.type(); d.accept(); });
  await page.reload();
  await page.waitForSelector('body[data-ready]');
  assert.equal(asked, null); // kept by the browser: nothing to ask
  assert.match(await page.evaluate(() => window.mox77.view.state.doc.toString()), /; mine\n$/);
  assert.equal(await page.inputValue('#exercise'), '04-countdown');
  assert.equal(await page.isChecked('input[name=base][value="1"]'), true);
  assert.match(await page.textContent('#file-name'), /04-countdown\.asm/);
});

test('9 a text too large for the browser\'s storage is said to be at risk, until it fits again', async () => {
  const page = await freshPage({
    init: () => {
      const setItem = Storage.prototype.setItem;
      Storage.prototype.setItem = function (k, v) {
        if (v.length > 4000) throw new DOMException('full', 'QuotaExceededError');
        return setItem.call(this, k, v);
      };
    },
  });
  await setText(page, '; a long comment\n'.repeat(300) + 'halt\n');
  await page.waitForFunction(() => /not kept/.test(document.querySelector('#file-name').textContent));
  assert.match(await page.textContent('#notice'), /save it to a file/);
  await setText(page, 'halt\n');
  await page.waitForFunction(() => !/not kept/.test(document.querySelector('#file-name').textContent));
  // kept once it fits, and no other tab is imagined in the refused write's place
  assert.equal(await page.evaluate(() => JSON.parse(localStorage.getItem('mox77.web.v1')).text), 'halt\n');
  assert.equal(await page.isHidden('#tab-conflict'), true);
});

test('10 share: Copy link puts the program in the fragment; opening it loads it', async () => {
  const page = await freshPage({ context: { permissions: ['clipboard-read', 'clipboard-write'] } });
  await setText(page, PROGRAM);
  await page.click('#share');
  await page.waitForFunction(() => location.hash.includes('p='));
  const url = await page.evaluate(() => location.href);
  assert.ok(url.startsWith(pageUrl + '#'));
  const other = await freshPage({ url });
  assert.equal(await other.evaluate(() => window.mox77.view.state.doc.toString()), PROGRAM);
  // with unsaved text of its own it asks first
  const third = await freshPage();
  await setText(third, 'halt ; mine\n');
  third.removeAllListeners('dialog');
  third.on('dialog', (d) => d.accept());
  await third.evaluate((h) => { location.hash = h; }, new URL(url).hash);
  await third.waitForSelector('dialog[open]');
  await third.click('#ask-no');
  assert.equal(await third.evaluate(() => window.mox77.view.state.doc.toString()), 'halt ; mine\n');
});

test('a core that cannot start: the editor still takes the text, and the page says why', async () => {
  const context = await (await browserOnce()).newContext();
  await context.addInitScript(() => {
    WebAssembly.compile = () => Promise.reject(new Error('no WebAssembly here'));
  });
  const page = await context.newPage();
  await page.goto(pageUrl);
  await page.waitForSelector('#messages .msg');
  assert.deepEqual(await messages(page), ['The core could not start: no WebAssembly here']);
  assert.equal(await page.textContent('#error-count'), '');
  await page.click('.cm-content');
  await page.keyboard.type('halt');
  assert.equal(await page.evaluate(() => window.mox77.view.state.doc.toString()), 'halt');
  await context.close();
});

test('a core that never arrives: the page shows itself anyway, and its field takes the text', async () => {
  const context = await (await browserOnce()).newContext();
  await context.addInitScript(() => {
    WebAssembly.compile = () => new Promise(() => {});
  });
  const page = await context.newPage();
  await page.goto(pageUrl);
  await page.click('#plain-editor', { timeout: 5000 });
  await page.keyboard.type('halt');
  assert.equal(await page.inputValue('#plain-editor'), 'halt');
  await page.click('#step');
  assert.equal(await page.textContent('#notice'), 'The core is still loading.');
  await context.close();
});

test('with scripts turned off the page still shows itself', async () => {
  const context = await (await browserOnce()).newContext({ javaScriptEnabled: false });
  const page = await context.newPage();
  await page.goto(pageUrl);
  assert.ok(await page.isVisible('#plain-editor'));
  await context.close();
});

test('no network: a whole session requests only the page itself', async () => {
  const page = await freshPage();
  await setText(page, PROGRAM);
  await page.click('#step');
  await page.click('#step');
  await page.click('#back');
  await page.click('#run');
  await page.selectOption('#exercise', '03-product-through-memory');
  await page.click('#ask-yes').catch(() => {});
  await page.click('#check');
  await page.click('#share');
  await page.reload();
  await page.waitForSelector('body[data-ready]');
  const others = page.requests.filter((u) => u.split('#')[0] !== pageUrl);
  assert.deepEqual(others, []);
  assert.ok(page.requests.length >= 2);
});

test('keyboard alone: Tab to the editor, type, step, run, with visible focus', async () => {
  const page = await freshPage();
  // every control is reached with Tab, and shows its focus
  await page.focus('.cm-content');
  await page.keyboard.press('Escape');
  const seen = new Set();
  for (let i = 0; i < 60; i++) {
    await page.keyboard.press('Tab');
    // CodeMirror marks its focus 10 ms after the focus moves, later on a busy machine
    await page.waitForFunction(() => document.activeElement.closest('.cm-editor:not(.cm-focused)') === null);
    const f = await page.evaluate(() => {
      const a = document.activeElement;
      return { id: a.id || a.name || a.className || a.tagName, editor: a.classList.contains('cm-content'), outline: a === document.body ? 'body' : getComputedStyle(a.closest('.cm-editor') ?? a).outlineStyle };
    });
    assert.notEqual(f.outline, 'none', `focus visible on ${f.id}`);
    // Round to the editor again, where Tab indents.
    if (seen.size && f.editor) break;
    seen.add(f.id);
  }
  for (const id of ['open', 'save', 'download-8xe', 'share', 'exercise', 'open-exercise', 'run', 'step', 'back', 'reset', 'instruction', 'base', 'clear-memory', 'fill-memory',
    'datapath-toggle', 'datapath-phase', 'datapath-play', 'datapath-speed']) {
    assert.ok(seen.has(id), `Tab reaches ${id}`);
  }
  await page.focus('.cm-content');
  await page.keyboard.type('load cx, 7\nhalt\n');
  await settle(page);
  await page.keyboard.press('Alt+Period');
  await page.keyboard.press('Alt+Period');
  assert.equal(await register(page, 'cx'), '7');
  await page.keyboard.press('Alt+Comma');
  assert.equal(await register(page, 'cx'), '0');
  await page.keyboard.press('Control+Enter');
  assert.equal(await register(page, 'cx'), '7');
  assert.match(await page.getAttribute('#step', 'title'), /Alt\+\./);
  // Escape, then Tab leaves the editor (Tab alone indents)
  await page.focus('.cm-content');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Tab');
  assert.notEqual(await page.evaluate(() => document.activeElement.className), 'cm-content');
  // Go to Line
  await page.focus('.cm-content');
  await page.keyboard.press('Alt+g');
  await page.waitForSelector('.cm-panel input');
  await page.keyboard.type('2');
  await page.keyboard.press('Enter');
  const line = await page.evaluate(() => {
    const v = window.mox77.view;
    return v.state.doc.lineAt(v.state.selection.main.head).number;
  });
  assert.equal(line, 2);
});

test('the page\'s policy refuses connections: a fetch is stopped before it leaves', async () => {
  const page = await freshPage();
  const result = await page.evaluate(async () => {
    const violations = [];
    document.addEventListener('securitypolicyviolation', (e) => violations.push(e.violatedDirective));
    const outcome = await fetch('https://example.invalid/x').then(() => 'fetched', () => 'refused');
    await new Promise((r) => setTimeout(r, 50));
    return { outcome, violations };
  });
  assert.deepEqual(result, { outcome: 'refused', violations: ['connect-src'] });
  assert.ok(!page.requests.some((u) => u.includes('example.invalid')));
});
