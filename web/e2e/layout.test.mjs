// Every screen and every keyboard: a phone, a tablet, 320 px and a laptop,
// the whole loop at each; the Tab walk; axe per layout; what a screen
// reader hears.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { freshPage, closeBrowser, setText, settle, register, axeViolations } from './helpers.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
after(closeBrowser);

const devices = {
  phone: { viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true },
  tablet: { viewport: { width: 810, height: 1080 }, hasTouch: true, isMobile: true },
  '320 px': { viewport: { width: 320, height: 640 } },
  '400 % of 1280 px': { viewport: { width: 320, height: 200 }, deviceScaleFactor: 4 },
};

const doc = (page) => page.evaluate(() => window.mox77.view.state.doc.toString());

// Whether the element's box lies wholly inside the window.
async function onScreen(page, selector) {
  return page.$eval(selector, (el) => {
    const r = el.getBoundingClientRect();
    return r.width > 0 && r.top >= -1 && r.left >= -1 && r.bottom <= innerHeight + 1 && r.right <= innerWidth + 1;
  });
}

// On screen and not covered by anything else (a bar that sticks above it).
async function reachable(page, selector) {
  return (await onScreen(page, selector)) && page.$eval(selector, (el) => {
    const r = el.getBoundingClientRect();
    return el.contains(document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2));
  });
}

async function sidewaysScroll(page) {
  return page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
}

// Controls of the page (the editor's own insides aside) smaller than a finger.
async function smallTargets(page) {
  return page.$$eval('button, select, input, summary, label:has(input[type=radio])', (els) => els
    .filter((el) => !el.closest('.cm-editor') && !(el instanceof HTMLInputElement && (el.type === 'radio' || el.type === 'file')))
    .filter((el) => el.getClientRects().length > 0)
    .map((el) => [el.id || el.textContent.trim().slice(0, 20), el.getBoundingClientRect()])
    .filter(([, r]) => r.width < 44 || r.height < 44)
    .map(([name, r]) => `${name} ${Math.round(r.width)}x${Math.round(r.height)}`));
}

for (const [name, context] of Object.entries(devices)) {
  test(`${name}: type, fix, Step, Back, Run, see the lit register, check an exercise`, async () => {
    const page = await freshPage({ context });
    const touch = !!context.hasTouch;
    const press = (sel) => (touch ? page.tap(sel) : page.click(sel));
    const runControls = async (when) => {
      for (const sel of ['#run', '#step', '#back', '#error-count']) assert.ok(await reachable(page, sel), `${sel} on screen ${when}`);
    };
    const narrow = context.viewport.width < 1000;
    assert.equal(await sidewaysScroll(page), 0);
    // pinch zoom is the student's
    assert.doesNotMatch(await page.getAttribute('meta[name=viewport]', 'content'), /user-scalable|maximum-scale/);
    // type a program with an error, then fix it
    await press('.cm-content');
    await page.keyboard.type('load ax, ff\nlod bx, 01\nhalt');
    await settle(page);
    assert.equal(await page.textContent('#error-count'), '1 error');
    await runControls('while typing');
    await page.evaluate(() => {
      const v = window.mox77.view;
      const l = v.state.doc.line(2);
      v.dispatch({ selection: { anchor: l.from, head: l.to } });
    });
    await page.keyboard.type('inc bx');
    await settle(page);
    assert.equal(await page.textContent('#error-count'), 'No errors');
    // Step twice from the Program part; the lit register is one tap away
    await press('#step');
    await press('#step');
    if (narrow) {
      assert.equal(await page.isVisible('#registers'), false);
      await press('#tab-run');
    }
    const ax = '#registers tbody tr:nth-child(1) td.v';
    // on a phone or a tablet it is in sight at once; in a window a quarter as high, scrolled to
    if (!touch) await page.$eval(ax, (td) => td.scrollIntoView({ block: 'nearest' }));
    assert.equal(await register(page, 'ax'), 'ff');
    assert.match(await page.getAttribute(ax, 'class'), /lit/);
    assert.ok(await onScreen(page, ax), `the lit register in sight: ${await page.$eval(ax, (td) => JSON.stringify(td.getBoundingClientRect()))}`);
    // "was, now" without hovering
    assert.match(await page.textContent('#changed'), /ax: was 0, now ff/);
    assert.ok(await page.isVisible('#changed'));
    await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
    await runControls('scrolled to the end');
    await press('#back');
    assert.equal(await register(page, 'ax'), '0');
    await press('#run');
    assert.equal(await register(page, 'ax'), 'ff');
    assert.equal(await sidewaysScroll(page), 0);
    // an exercise, checked
    await page.selectOption('#exercise', '01-load-and-store');
    await page.waitForSelector('dialog[open]');
    await press('#ask-yes');
    await setText(page, fs.readFileSync(path.join(repo, 'examples/exercises/01-load-and-store/solution.asm'), 'utf8'));
    if (narrow) await press('#tab-exercise');
    await press('#check');
    assert.match(await page.textContent('#check-result .verdict.pass'), /^1 of 1 start passes$/);
    // no part scrolls sideways, and at touch widths every control takes a finger
    for (const tab of narrow ? ['#tab-edit', '#tab-run', '#tab-memory', '#tab-exercise', '#tab-datapath'] : [null]) {
      // every tab in sight without swiping the bar, wherever the page is scrolled to
      if (tab && context.viewport.height >= 500) assert.ok(await reachable(page, tab), `${tab} in sight`);
      if (tab) await press(tab);
      await settle(page);
      assert.equal(await sidewaysScroll(page), 0, `${tab} fits`);
      if (touch) assert.deepEqual(await smallTargets(page), [], `${tab} targets`);
    }
    assert.deepEqual(page.errors, []);
  });
}

test('phone: the on-screen keyboard does not cover the line being typed', async () => {
  const page = await freshPage({ context: devices.phone });
  await page.tap('.cm-content');
  await page.keyboard.type(Array.from({ length: 30 }, (_, i) => `inc ax ; line ${i + 1}`).join('\n'));
  // the keyboard takes the lower half of the screen
  await page.setViewportSize({ width: 390, height: 420 });
  await page.waitForTimeout(300);
  const caret = await page.evaluate(() => {
    const v = window.mox77.view;
    const r = v.coordsAtPos(v.state.selection.main.head);
    const vv = window.visualViewport;
    return { top: r.top, bottom: r.bottom, height: vv.offsetTop + vv.height };
  });
  assert.ok(caret.top >= 0 && caret.bottom <= caret.height, JSON.stringify(caret));
});

test('Tab from the top walks the page without changing the text; Ctrl+M makes Tab indent', async () => {
  const page = await freshPage();
  await page.selectOption('#exercise', '01-load-and-store');
  await page.click('.cm-content');
  await page.keyboard.press('Control+End');
  await page.keyboard.type('; mine\n');
  const text = await doc(page);
  await page.evaluate(() => document.activeElement.blur());
  const seen = new Set();
  for (let i = 0; i < 40 && seen.size < 100; i++) {
    await page.keyboard.press('Tab');
    seen.add(await page.evaluate(() => document.activeElement.id || document.activeElement.className));
  }
  for (const id of ['run', 'step', 'back', 'reset', 'check', 'instruction']) assert.ok(seen.has(id), `Tab reaches ${id}`);
  assert.equal(await doc(page), text);
  // the student's choice: Tab indents, shown beside the editor, until Ctrl+M again
  await page.focus('.cm-content');
  await page.keyboard.press('Control+m');
  assert.equal(await page.getAttribute('#tab-indents', 'aria-pressed'), 'true');
  assert.match(await page.textContent('#tab-help'), /Tab indents/);
  await page.keyboard.press('Tab');
  assert.notEqual(await doc(page), text);
  assert.equal(await page.evaluate(() => document.activeElement.className), 'cm-content');
  await page.keyboard.press('Control+m');
  assert.equal(await page.getAttribute('#tab-indents', 'aria-pressed'), 'false');
  await page.keyboard.press('Tab');
  assert.notEqual(await page.evaluate(() => document.activeElement.className), 'cm-content');
});

test('what a screen reader hears: listing rows, lit values, the Exercise list, Back', async () => {
  const page = await freshPage();
  await page.click('#back');
  assert.equal(await page.textContent('#notice'), 'Nothing left to take back');
  await setText(page, 'load ax, ff\ninc bx\nhalt\n');
  await page.click('#step');
  await page.click('#step');
  // a pause between a listed word and its line
  const names = await page.$$eval('#listing .row', (rows) => rows.map((r) => r.getAttribute('aria-label')));
  assert.match(names[1], /inc bx, line 2$/);
  assert.match(names[1], /^next: /);
  // the dot before a lit value is not read out: Chromium's own tree
  const cdp = await page.context().newCDPSession(page);
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const spoken = nodes.map((n) => n.name?.value ?? '').filter((t) => t.includes('●'));
  assert.deepEqual(spoken, []);
  assert.ok(nodes.some((n) => /was 0, now ff/.test(n.name?.value ?? '')));
  // arrow keys walk the Exercise list; the question comes once, on Enter
  await setText(page, 'halt ; mine\n');
  await page.focus('#exercise');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  await settle(page);
  assert.equal(await page.isVisible('dialog[open]'), false);
  assert.equal(await doc(page), 'halt ; mine\n');
  await page.keyboard.press('Enter');
  await page.waitForSelector('dialog[open]');
  await page.click('#ask-yes');
  assert.notEqual(await doc(page), 'halt ; mine\n');
});

// The ids the page lights, from the table kept beside the drawings.
const table = [...fs.readFileSync(path.join(repo, 'resources/datapath_parts.h'), 'utf8')
  .matchAll(/Part \w+\{"([^"]+)", "([^"]+)"\}/g)].flatMap((m) => [m[1], m[2]]);

// The drawing as shown: where it lies, which of the table's parts fall
// outside it, its smallest text in CSS px, and what is lit and written.
async function drawingShown(page) {
  return page.evaluate((ids) => {
    const box = document.getElementById('datapath-drawing');
    const svg = box.querySelector('svg');
    const r = svg.getBoundingClientRect();
    const inside = (x, y) => x >= r.left - 1 && x <= r.right + 1 && y >= r.top - 1 && y <= r.bottom + 1;
    const placed = (el) => {
      // an empty text has no box: where it starts stands in
      if (el instanceof SVGTextElement && !el.textContent) {
        const at = new DOMPoint(el.x.baseVal[0].value, el.y.baseVal[0].value).matrixTransform(el.getScreenCTM());
        return inside(at.x, at.y);
      }
      const q = el.getBoundingClientRect();
      return q.width > 0 && inside(q.left, q.top) && inside(q.right, q.bottom);
    };
    return {
      left: r.left, right: r.right, upright: r.height > r.width,
      page: document.documentElement.clientWidth,
      scrolls: box.scrollWidth - box.clientWidth,
      // the page's own tables are called registers and memory too
      outside: ids.filter((id) => { const el = svg.querySelector(`[id="${id}"]`); return !el || !placed(el); }),
      smallest: Math.min(...[...svg.querySelectorAll('text')].map((t) => parseFloat(getComputedStyle(t).fontSize) * t.getScreenCTM().a)),
      lit: [...svg.querySelectorAll('.lit')].map((e) => e.id).sort(),
      slots: Object.fromEntries([...svg.querySelectorAll('[id$="-value"]')].map((e) => [e.id, e.textContent])),
      told: document.getElementById('datapath-narration').textContent,
    };
  }, table);
}

test('the drawing from 320 px: whole, legible, lit as on a laptop, the same across a change of width', async () => {
  const program = 'load ax, ff\nstore ax, 10\nloadm bx, 10\nadd ax, bx\nhalt\n';
  const at = async (viewport, narrow) => {
    const page = await freshPage({ context: { viewport } });
    await setText(page, program);
    for (let i = 0; i < 4; i++) await page.click('#step');
    if (narrow) await page.click('#tab-datapath');
    await settle(page);
    return page;
  };
  const laptop = { width: 1280, height: 800 };
  const wide = await at(laptop, false);
  const expected = await drawingShown(wide);
  assert.ok(expected.lit.includes('bus-memory-registers'), `${expected.lit}`); // loadm
  for (const width of [320, 390]) {
    const page = await at({ width, height: 800 }, true);
    const legible = async (when) => {
      const d = await drawingShown(page);
      assert.equal(await sidewaysScroll(page), 0, when);
      assert.ok(d.scrolls <= 0 && d.left >= 0 && d.right <= d.page, `${when}: ${JSON.stringify(d)}`);
      assert.ok(d.upright, `${when}: the parts stacked`);
      assert.deepEqual(d.outside, [], when);
      assert.ok(d.smallest >= 12, `${when}: smallest text ${d.smallest} px`);
      return d;
    };
    const shown = await legible(`${width} px`);
    assert.deepEqual([shown.lit, shown.slots, shown.told], [expected.lit, expected.slots, expected.told], `${width} px`);
    // Halfway through the next word, turned to a laptop's width and back:
    // the same phase lit and told on either drawing.
    await page.click('#datapath-phase');
    await page.click('#datapath-phase');
    await settle(page);
    const mid = await drawingShown(page);
    assert.ok(mid.lit.includes('bus-decoder-alu'), `${mid.lit}`); // add, decoded
    await page.setViewportSize(laptop);
    await settle(page);
    const turned = await drawingShown(page);
    assert.ok(!turned.upright, 'the wide drawing at a laptop\'s width');
    assert.deepEqual([turned.lit, turned.slots, turned.told], [mid.lit, mid.slots, mid.told]);
    await page.setViewportSize({ width, height: 800 });
    await settle(page);
    const back = await legible(`${width} px again`);
    assert.deepEqual([back.lit, back.slots, back.told], [mid.lit, mid.slots, mid.told]);
    assert.deepEqual(page.errors, []);
  }
});

const layouts = { '320 px': devices['320 px'], phone: devices.phone, tablet: devices.tablet, laptop: { viewport: { width: 1280, height: 800 } } };
for (const scheme of ['light', 'dark']) {
  for (const [name, context] of Object.entries(layouts)) {
    test(`axe: ${name}, ${scheme}, a long listing scrolled by keyboard`, async () => {
      const page = await freshPage({ context: { ...context, colorScheme: scheme } });
      await setText(page, 'inc ax\n'.repeat(80) + 'store ax, 10\nhalt\n');
      await page.click('#step');
      await page.click('#step');
      const parts = name === 'laptop' ? [null] : ['#tab-edit', '#tab-run', '#tab-memory', '#tab-datapath'];
      for (const tab of parts) {
        if (tab) await page.click(tab);
        assert.deepEqual(await axeViolations(page), [], `${tab ?? 'page'}`);
      }
      if (name !== 'laptop') await page.click('#tab-run');
      await page.focus('#listing');
      await page.keyboard.press('PageDown');
      // keyboard scrolling is animated, so a slow machine may take several frames
      const scrolled = await page
        .waitForFunction(() => document.querySelector('#listing').scrollTop > 0, null, { timeout: 5000 })
        .then(() => true, () => false);
      assert.ok(scrolled, 'the listing scrolls by keyboard');
    });
  }
}
