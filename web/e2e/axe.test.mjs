// axe-core finds no WCAG 2.1 AA violation in each state of the page, in
// the light and the dark theme.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { freshPage, closeBrowser, setText, axeViolations } from './helpers.mjs';

after(closeBrowser);

const states = {
  empty: async () => {},
  errors: async (page) => setText(page, 'load ax, ff\nlod bx\ninc qx\nhalt\n'),
  running: async (page) => {
    await setText(page, 'load ax, ff\nstore ax, 10\ninc bx\nhalt\n');
    await page.click('#run');
  },
  'step mode': async (page) => {
    await setText(page, 'load ax, ff\nstore ax, 10\ninc bx\nhalt\n');
    await page.click('#step');
    await page.click('#step');
    await page.click('#step');
  },
  'datapath mid-phase': async (page) => {
    await setText(page, 'load ax, ff\nstore ax, 10\nhalt\n');
    await page.click('#step');
    await page.click('#step');
    await page.click('#datapath-phase');
    await page.click('#datapath-phase');
    await page.click('#datapath-phase');
  },
  'timeline moved, drawing blanked': async (page) => {
    await setText(page, 'load ax, ff\nstore ax, 10\ninc bx\nhalt\n');
    await page.click('#step');
    await page.fill('#datapath-timeline', '2');
    await page.focus('#datapath-timeline');
    assert.deepEqual(await axeViolations(page), [], 'moved');
    await page.keyboard.press('Tab');
    await page.keyboard.press('b');
  },
  'exercise checked': async (page) => {
    await page.selectOption('#exercise', '02-sum');
    await page.click('#check');
  },
  'opening an exercise': async (page) => {
    await page.selectOption('#exercise', '02-sum');
    await page.click('#open-exercise');
    await page.waitForSelector('dialog[open]');
  },
  'asking before replacing': async (page) => {
    await setText(page, 'halt ; mine\n');
    await page.selectOption('#exercise', '01-load-and-store');
    await page.waitForSelector('dialog[open]');
  },
};

for (const scheme of ['light', 'dark']) {
  for (const [name, reach] of Object.entries(states)) {
    test(`axe: ${name}, ${scheme}`, async () => {
      const page = await freshPage({ context: { colorScheme: scheme } });
      await reach(page);
      assert.deepEqual(await axeViolations(page), []);
    });
  }
}
