// The page in a course page's <iframe> of 600 x 400 (#embed): Step, Back
// and Run there; nothing kept in the browser or read from it, nothing
// asked when the course page is left, nothing fetched; read-only text;
// the drawing when asked for; axe and the keyboard; and Copy embed code on
// the page itself, whose snippet makes such a course page.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { browserOnce, closeBrowser, freshPage, setText, settle, axeViolations, pageUrl } from './helpers.mjs';
import { embedUrl, hostPage } from './embed-host.mjs';

after(closeBrowser);

const PROGRAM = 'load ax, ff\nload bx, 02\nadd ax, bx\nstore ax, 10\nhalt\n';

// In every frame, before the page's own scripts: each use of the browser's
// storage and each beforeunload listener, counted.
function watch() {
  window.__stored = [];
  for (const name of ['getItem', 'setItem', 'removeItem', 'clear', 'key']) {
    const own = Storage.prototype[name];
    Storage.prototype[name] = function (...args) {
      window.__stored.push(name);
      return own.apply(this, args);
    };
  }
  const open = IDBFactory.prototype.open;
  IDBFactory.prototype.open = function (...args) {
    window.__stored.push('indexedDB.open');
    return open.apply(this, args);
  };
  window.__beforeunload = 0;
  const add = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function (type, ...rest) {
    if (type === 'beforeunload') window.__beforeunload++;
    return add.call(this, type, ...rest);
  };
}

// A course page holding the page at `src` in an iframe of 600 x 400.
async function coursePage({ src, iframe, context = {}, browserContext } = {}) {
  const ctx = browserContext ?? (await (await browserOnce()).newContext({ viewport: { width: 700, height: 560 }, ...context }));
  await ctx.addInitScript(watch);
  const page = await ctx.newPage();
  Object.assign(page, { requests: [], dialogs: [], errors: [] });
  ctx.on('request', (r) => page.requests.push(r.url()));
  page.on('dialog', (d) => { page.dialogs.push(d.type()); void d.accept(); });
  page.on('pageerror', (e) => page.errors.push(e.message));
  await page.goto(hostPage({ src, iframe }));
  const frame = await (await page.waitForSelector('iframe')).contentFrame();
  await frame.waitForSelector('body[data-ready]');
  return { ctx, page, frame };
}

const doc = (frame) => frame.evaluate(() => window.mox77.view.state.doc.toString());
const register = (frame, name) => frame.$eval(`td.v[data-register=${name}]`, (td) => td.firstChild?.textContent ?? '');

// Its whole box inside the frame's window, and not under anything else.
async function inView(frame, selector) {
  return frame.$eval(selector, (el) => {
    const r = el.getBoundingClientRect();
    const inside = r.width > 0 && r.height > 0 && r.left >= 0 && r.top >= 0 && r.right <= innerWidth && r.bottom <= innerHeight;
    return inside && el.contains(document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2));
  });
}

test('600 x 400: Step, Back and Run, with nothing kept, asked or fetched', async () => {
  const { ctx, page, frame } = await coursePage({ src: embedUrl(PROGRAM, { name: 'sum.asm' }) });
  assert.equal(await doc(frame), PROGRAM);
  assert.equal(await frame.getAttribute('html', 'class'), 'embed');
  // the course page keeps its focus: the frame takes none as it opens
  assert.equal(await page.evaluate(() => document.activeElement.tagName), 'BODY');
  for (const sel of ['#run', '#step', '#back', '#reset', '#error-count', '#editor', '#registers']) {
    assert.ok(await inView(frame, sel), `${sel} in the frame`);
  }
  for (const id of ['open', 'save', 'download-8xe', 'share', 'copy-embed', 'exercise', 'open-exercise', 'font-up', 'tab-run', 'memory-pane', 'datapath-pane', 'instruction']) {
    assert.equal(await frame.isVisible(`#${id}`), false, `#${id} hidden`);
  }
  await frame.click('#step'); // loads
  await frame.click('#step');
  assert.equal(await register(frame, 'ax'), 'ff');
  assert.equal(await frame.getAttribute('td.v[data-register=ax]', 'title'), 'was 0, now ff');
  assert.equal(await frame.textContent('#changed'), 'Changed: ax: was 0, now ff');
  await frame.click('#back');
  assert.equal(await register(frame, 'ax'), '0');
  await frame.click('#run');
  assert.equal(await register(frame, 'ax'), '101');
  assert.match(await frame.textContent('#changed'), /cell 10: was 0, now 101/);
  assert.ok(await inView(frame, 'td.v[data-register=px]'), 'every register in the frame after a run');
  // an edit is the student's, and kept nowhere
  await frame.click('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type('; mine\n');
  assert.equal(await doc(frame), `${PROGRAM}; mine\n`);
  await frame.evaluate(() => window.dispatchEvent(new Event('pagehide')));
  await settle(frame);
  const kept = await frame.evaluate(async () => ({
    used: window.__stored,
    local: localStorage.length,
    session: sessionStorage.length,
    databases: (await indexedDB.databases()).length,
    beforeunload: window.__beforeunload + (window.onbeforeunload ? 1 : 0),
  }));
  assert.deepEqual(kept, { used: [], local: 0, session: 0, databases: 0, beforeunload: 0 });
  assert.deepEqual(page.errors, []);
  // nothing but the two pages themselves
  const others = page.requests.filter((u) => !u.startsWith('file://') || (u.split('#')[0] !== pageUrl && !u.endsWith('/course.html')));
  assert.deepEqual(others, []);
  // leaving the course page asks nothing
  await Promise.all([page.waitForURL('about:blank'), page.click('#away')]);
  await page.close({ runBeforeUnload: true });
  assert.deepEqual(page.dialogs, []);
  await ctx.close();
});

test('a text kept by a normal visit stays out of the embed, and the embed leaves it as it was', async () => {
  const normal = await freshPage();
  await setText(normal, '; kept from a normal visit\nhalt\n');
  await normal.evaluate(() => window.dispatchEvent(new Event('pagehide')));
  const entry = () => normal.evaluate(() => localStorage.getItem('mox77.web.v1'));
  const before = await entry();
  assert.match(before, /kept from a normal visit/);
  const { frame } = await coursePage({ src: embedUrl(PROGRAM), browserContext: normal.context() });
  assert.equal(await doc(frame), PROGRAM);
  await frame.click('#step');
  await frame.click('.cm-content');
  await frame.press('.cm-content', 'End');
  await frame.type('.cm-content', ' ; edited in the embed');
  await frame.evaluate(() => window.dispatchEvent(new Event('pagehide')));
  await settle(frame);
  assert.deepEqual(await frame.evaluate(() => window.__stored), []);
  assert.equal(await entry(), before);
  assert.equal(await normal.evaluate(() => window.mox77.view.state.doc.toString()), '; kept from a normal visit\nhalt\n');
  await normal.context().close();
});

test('read-only, with the flags after the program: typing, pasting and dropping change nothing', async () => {
  // the share link first, then the flags: the same page
  const src = `${embedUrl(PROGRAM).replace('#embed&', '#')}&readonly&embed`;
  const { ctx, page, frame } = await coursePage({ src });
  assert.equal(await frame.getAttribute('.cm-content', 'aria-readonly'), 'true');
  await frame.click('.cm-content');
  await page.keyboard.type('inc cx\n');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Control+a');
  await page.keyboard.press('Delete');
  await frame.evaluate(() => {
    const data = new DataTransfer();
    data.setData('text/plain', 'inc dx\n');
    document.querySelector('.cm-content').dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true, cancelable: true }));
  });
  await settle(frame);
  assert.equal(await doc(frame), PROGRAM);
  // selected, it can still be copied; and it runs as ever
  assert.equal(await frame.evaluate(() => getSelection().toString().length > 0 || window.mox77.view.state.selection.main.empty === false), true);
  await frame.click('#run');
  assert.equal(await register(frame, 'bx'), '2');
  await ctx.close();
});

test('&datapath: the drawing and its controls beneath, Phase steps through a word', async () => {
  const { ctx, frame } = await coursePage({ src: embedUrl(PROGRAM, { flags: ['datapath'] }) });
  assert.ok(await frame.isVisible('#datapath-drawing svg'));
  for (const sel of ['#run', '#step', '#back', '#reset', '#registers']) assert.ok(await inView(frame, sel), `${sel} in the frame`);
  await frame.click('#step');
  for (let i = 0; i < 5; i++) await frame.click('#datapath-phase');
  assert.equal(await register(frame, 'ax'), 'ff');
  assert.match(await frame.textContent('#datapath-heading'), /phase 5 of 5/);
  // the run bar stays at the top while the drawing is scrolled to
  await frame.evaluate(() => document.scrollingElement.scrollTo(0, 10000));
  assert.ok(await inView(frame, '#step'), 'Step in the frame below the drawing');
  await ctx.close();
});

for (const scheme of ['light', 'dark']) {
  for (const flags of [[], ['datapath', 'readonly']]) {
    test(`axe and the keyboard: ${scheme}${flags.length ? `, ${flags.join(' and ')}` : ''}`, async () => {
      const { ctx, page, frame } = await coursePage({ src: embedUrl(PROGRAM, { flags }), context: { colorScheme: scheme } });
      assert.deepEqual(await axeViolations(frame), [], 'as opened');
      await frame.click('#step');
      await frame.click('#step');
      await frame.click('#run');
      assert.deepEqual(await axeViolations(frame), [], 'after a run');
      // Tab walks every control of the frame, each with its focus seen
      // into the frame from the course page, by keyboard
      await page.focus('#before');
      await page.keyboard.press('Tab');
      const seen = [];
      for (let i = 0; i < 25; i++) {
        const f = await frame.evaluate(() => {
          const a = document.activeElement;
          const box = a.closest('.cm-editor') ?? a;
          return { id: a.id || a.className, outline: getComputedStyle(box).outlineStyle, inFrame: a !== document.body };
        });
        if (!f.inFrame) break;
        assert.notEqual(f.outline, 'none', `focus seen on ${f.id}`);
        seen.push(f.id);
        await page.keyboard.press('Tab');
        await frame.waitForFunction(() => document.activeElement.closest('.cm-editor:not(.cm-focused)') === null);
      }
      for (const id of ['run', 'step', 'back', 'reset', 'cm-content', 'run-pane', ...(flags.includes('datapath') ? ['datapath-phase', 'datapath-play', 'datapath-speed'] : [])]) {
        assert.ok(seen.some((s) => s === id || s.split(' ').includes(id)), `Tab reaches ${id}: ${seen.join(', ')}`);
      }
      // and the keys of the page work in the frame
      await frame.focus('#reset');
      await page.keyboard.press('Enter');
      assert.equal(await register(frame, 'ax'), '0');
      await page.keyboard.press('Alt+Period');
      await page.keyboard.press('Alt+Period');
      assert.equal(await register(frame, 'ax'), 'ff');
      await page.keyboard.press('Alt+Comma');
      assert.equal(await register(frame, 'ax'), '0');
      await ctx.close();
    });
  }
}

test('Copy embed code: an iframe of this page and its program, the options at hand, the address left alone', async () => {
  const page = await freshPage({ context: { permissions: ['clipboard-read', 'clipboard-write'] } });
  await setText(page, PROGRAM);
  assert.ok(await page.isHidden('#embed-out'));
  await page.click('#copy-embed');
  await page.waitForFunction(() => /^Embed code copied/.test(document.querySelector('#notice').textContent));
  assert.ok(await page.isVisible('#embed-file-note'), 'a file\'s address said to be one');
  const snippet = await page.inputValue('#embed-code');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), snippet);
  assert.equal(await page.evaluate(() => location.hash), '');
  assert.match(snippet, /^<iframe src="file:\/\/[^"]*\/mox77\.html#embed&amp;name=program\.asm&amp;p=[^"]+" width="600" height="400" title="MOX77 register machine: program\.asm"/);
  // an option changed: made and copied again
  await page.check('#embed-datapath');
  await page.waitForFunction(() => /#embed&amp;datapath&amp;name=/.test(document.querySelector('#embed-code').value));
  const withDrawing = await page.inputValue('#embed-code');
  assert.match(withDrawing, /width="800" height="600"/);
  await page.waitForFunction((s) => navigator.clipboard.readText().then((t) => t === s), withDrawing);
  assert.match(await page.textContent('#notice'), /^Embed code copied \(datapath drawing\)/);
  assert.deepEqual(await axeViolations(page), []);
  // the snippet, pasted into a course page, is the page with its program
  const { ctx, frame } = await coursePage({ iframe: withDrawing });
  assert.equal(await doc(frame), PROGRAM);
  assert.ok(await frame.isVisible('#datapath-drawing svg'));
  await frame.click('#step');
  await frame.click('#step');
  assert.equal(await register(frame, 'ax'), 'ff');
  await ctx.close();
  await page.context().close();
});
