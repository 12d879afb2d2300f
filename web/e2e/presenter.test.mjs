// The timeline and a presenter's keys in Chromium: a move lands exactly
// where as many Steps land, the keys step, go back and blank the drawing
// only where the focused control has no use for them, and the panel still
// fits 320 px.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { freshPage, closeBrowser, setText, settle, messages } from './helpers.mjs';

after(closeBrowser);

// Writes registers and cells, passes a halt, and has a word after it.
const PROGRAM = 'load ax, 07\nload bx, 05\nadd ax, bx\nstore ax, 20\ninc cx\nhalt\nload dx, 01\n';

// What the student sees of the machine.
async function machine(page) {
  await settle(page);
  return page.evaluate(() => ({
    registers: [...document.querySelectorAll('#registers td.v')].map((td) => td.firstChild?.textContent),
    cells: [...document.querySelectorAll('#memory tbody td')].map((td) => td.firstChild?.textContent),
    executed: document.getElementById('executed').textContent,
    halted: document.getElementById('halted').textContent,
    next: document.getElementById('next-instruction').textContent,
    heading: document.getElementById('datapath-heading').textContent,
  }));
}

const word = (page) => page.textContent('#datapath-word');
const executed = async (page) => Number(await page.textContent('#executed'));

test('moving the timeline to word N shows what N Steps show', async () => {
  const stepped = await freshPage();
  await setText(stepped, PROGRAM);
  assert.ok(await stepped.isDisabled('#datapath-timeline'), 'no run before a load');
  assert.match(await word(stepped), /no program is loaded step by step/);
  await stepped.click('#step'); // the load
  const length = Number(await stepped.getAttribute('#datapath-timeline', 'max'));
  assert.ok(length >= 3, `a run of ${length} words`);
  const seen = [{ n: 0, at: await machine(stepped), said: await messages(stepped) }];
  for (let n = 1; n <= length; n++) {
    await stepped.click('#step');
    seen.push({ n, at: await machine(stepped), said: await messages(stepped) });
  }
  // the halt's message once, on the Step that reached it
  assert.ok(seen[length].said.length > 0, 'the halt told');

  const moved = await freshPage();
  await setText(moved, PROGRAM);
  await moved.click('#step');
  assert.equal(await word(moved), `Word 0 of ${length}`);
  assert.equal(await moved.getAttribute('#datapath-timeline', 'aria-valuetext'), `Word 0 of ${length}`);
  // forward, back to the start, then between
  for (const n of [length, 0, 2, length - 1]) {
    await moved.fill('#datapath-timeline', String(n));
    assert.deepEqual(await machine(moved), seen[n].at, `word ${n}`);
    assert.equal(await word(moved), `Word ${n} of ${length}`);
    if (n === length) assert.deepEqual(await messages(moved), seen[n].said, 'the halt told on arriving');
  }
  // Home and End from the keyboard, as a range does natively
  await moved.focus('#datapath-timeline');
  await moved.keyboard.press('End');
  assert.deepEqual(await machine(moved), seen[length].at, 'End');
  await moved.keyboard.press('Home');
  assert.deepEqual(await machine(moved), seen[0].at, 'Home');
  await moved.keyboard.press('ArrowRight');
  assert.deepEqual(await machine(moved), seen[1].at, 'one word on');
  // a full run leaves nothing to move along
  await moved.click('#run');
  assert.ok(await moved.isDisabled('#datapath-timeline'));
  assert.deepEqual([...stepped.errors, ...moved.errors], []);
});

test('presenter keys step, go back and blank, but not in the editor or a field', async () => {
  const page = await freshPage();
  await setText(page, PROGRAM);
  const blur = () => page.evaluate(() => document.activeElement?.blur());
  await blur();
  await page.keyboard.press('PageDown'); // loads, as Step does
  assert.equal(await page.textContent('#mode'), 'Step by step');
  for (const [key, count] of [['PageDown', 1], ['ArrowRight', 2], ['.', 3], ['PageUp', 2], ['ArrowLeft', 1]]) {
    await page.keyboard.press(key);
    assert.equal(await executed(page), count, key);
  }
  // On a button the keys are still the presenter's.
  await page.focus('#datapath-play');
  await page.keyboard.press('PageDown');
  assert.equal(await executed(page), 2, 'PageDown on a button');

  // B blanks; steps go on beneath, and B shows the word now last.
  await page.keyboard.press('b');
  assert.ok(await page.isHidden('#datapath-drawing'));
  assert.ok(await page.isHidden('#datapath-narration'));
  assert.match(await page.textContent('#datapath-blank'), /blanked/i);
  assert.ok(await page.isVisible('#datapath-blank'));
  assert.match(await page.textContent('#notice'), /blanked/i);
  await page.keyboard.press('PageDown');
  assert.equal(await executed(page), 3);
  assert.ok(await page.isHidden('#datapath-drawing'), 'stays blank while stepping');
  const shownAfter = (await machine(page)).heading;
  await page.keyboard.press('B');
  assert.ok(await page.isVisible('#datapath-drawing'));
  assert.ok(await page.isHidden('#datapath-blank'));
  const fresh = await freshPage();
  await setText(fresh, PROGRAM);
  for (let i = 0; i <= 3; i++) await fresh.click('#step');
  assert.equal(shownAfter, (await machine(fresh)).heading, 'the drawing follows the steps made while blank');

  // Where the focused control uses the key, it keeps it.
  const doc = () => page.evaluate(() => window.mox77.view.state.doc.toString());
  await page.click('.cm-content');
  for (const key of ['PageDown', 'ArrowRight', 'PageUp', 'ArrowLeft', 'Control+End', '.', 'b']) await page.keyboard.press(key);
  assert.equal(await doc(), PROGRAM + '.b', 'the editor took every key');
  assert.equal(await executed(page), 3);
  assert.ok(await page.isVisible('#datapath-drawing'));
  await page.focus('#instruction');
  await page.keyboard.type('b.');
  assert.equal(await page.inputValue('#instruction'), 'b.');
  await page.fill('#instruction', '');
  const speed = await page.inputValue('#datapath-speed');
  await page.focus('#datapath-speed');
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('PageDown');
  assert.notEqual(await page.inputValue('#datapath-speed'), speed, 'the slider moved');
  assert.equal(await executed(page), 3, 'the slider kept its keys');
  assert.ok(await page.isVisible('#datapath-drawing'), 'no key blanked the drawing');
  assert.deepEqual(page.errors, []);
});

test('320 px: the timeline and the blanked drawing fit', async () => {
  const page = await freshPage({ context: { viewport: { width: 320, height: 640 } } });
  await setText(page, PROGRAM);
  await page.click('#step');
  await page.click('#tab-datapath');
  const overflow = () => page.evaluate(() => {
    const wide = (el) => el.getBoundingClientRect().right > document.documentElement.clientWidth + 1;
    return {
      page: document.documentElement.scrollWidth - document.documentElement.clientWidth,
      outside: [...document.querySelectorAll('.datapath-timeline *, #datapath-blank')].filter((el) => el.getClientRects().length && wide(el)).map((el) => el.id || el.tagName),
    };
  });
  await page.fill('#datapath-timeline', '3');
  assert.match(await word(page), /^Word 3 of \d+$/);
  assert.deepEqual(await overflow(), { page: 0, outside: [] });
  await page.evaluate(() => document.activeElement?.blur());
  await page.keyboard.press('b');
  assert.ok(await page.isVisible('#datapath-blank'));
  assert.deepEqual(await overflow(), { page: 0, outside: [] });
});
