// The Datapath panel in Chromium: what a Step lights and tells, Phase's
// walk through a word, Play to the halt, and the panel following Back and Run.
// Expected values come from what the machine did (the register and memory
// panels), lit parts from what each bus of the drawing carries.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { freshPage, closeBrowser, setText, settle, register, cell } from './helpers.mjs';

after(closeBrowser);

async function panel(page) {
  return page.evaluate(() => ({
    lit: [...document.querySelectorAll('#datapath-drawing .lit')].map((e) => e.id),
    slot: Object.fromEntries([...document.querySelectorAll('#datapath-drawing [id$="-value"]')].map((e) => [e.id, e.textContent])),
    heading: document.getElementById('datapath-heading').textContent,
    told: [...document.querySelectorAll('#datapath-told p')].map((p) => p.textContent),
  }));
}

const executed = async (page) => Number(await page.textContent('#executed'));
const nextWord = async (page) => (await page.textContent('#next-instruction')).trim().slice(-4).toUpperCase();
const digits = (t) => t.replace(/\s/g, '').toUpperCase();

// Every word is fetched from the program into the instruction register and decoded.
const EVERY_WORD = ['ip', 'bus-ip-program', 'program', 'bus-program-ir', 'ir', 'bus-ir-decoder', 'decoder'];

// prelude: words run before; word: the one looked at; dest: where it writes
// (read from the page before and after); sources: registers it reads.
const classes = [
  {
    name: 'a constant into a register', prelude: ['load cx, 11'], word: 'load cx, 2a', dest: ['reg', 'cx'], sources: [],
    lit: ['bus-ir-alu', 'alu', 'bus-alu-registers', 'registers'], dark: ['memory', 'bus-registers-alu', 'bus-memory-registers'],
    carries: { 'bus-alu-registers-value': 'after' },
  },
  {
    name: 'two registers through the ALU', prelude: ['load ax, ff', 'load bx, 02'], word: 'add ax, bx', dest: ['reg', 'ax'], sources: ['ax', 'bx'],
    lit: ['bus-decoder-registers', 'registers', 'bus-registers-alu', 'bus-decoder-alu', 'alu', 'bus-alu-registers'], dark: ['memory', 'bus-ir-alu', 'bus-ir-memory'],
    carries: { 'bus-alu-registers-value': 'after' },
  },
  {
    name: 'one register through the ALU', prelude: ['load gx, 7f'], word: 'inc gx', dest: ['reg', 'gx'], sources: ['gx'],
    lit: ['registers', 'bus-registers-alu', 'alu', 'bus-alu-registers'], dark: ['memory', 'bus-ir-memory'],
    carries: { 'bus-alu-registers-value': 'after' },
  },
  {
    name: 'a cell into a register', prelude: ['load dx, 5c', 'store dx, 40'], word: 'loadm ex, 40', address: 0x40, dest: ['reg', 'ex'], sources: [],
    lit: ['bus-ir-memory', 'memory', 'bus-memory-registers', 'registers'], dark: ['alu', 'bus-alu-registers', 'bus-registers-memory'],
    carries: { 'bus-memory-registers-value': 'after', 'bus-ir-memory-value': 'address' },
  },
  {
    name: 'a register into a cell', prelude: ['load hx, 3d'], word: 'store hx, 9a', address: 0x9a, dest: ['cell', 0x9a], sources: ['hx'],
    lit: ['registers', 'bus-registers-memory', 'bus-ir-memory', 'memory'], dark: ['alu', 'bus-alu-registers', 'bus-memory-registers'],
    carries: { 'bus-registers-memory-value': 'after', 'bus-ir-memory-value': 'address' },
  },
];

test('a Step of each instruction class lights its parts and tells its values', async () => {
  const page = await freshPage();
  for (const c of classes) {
    await setText(page, [...c.prelude, c.word, 'halt', ''].join('\n'));
    await page.click('#step'); // the load
    for (let i = 0; i < c.prelude.length; i++) await page.click('#step');
    const read = async () => (c.dest[0] === 'reg' ? register(page, c.dest[1]) : cell(page, c.dest[1]));
    const before = await read();
    const inputs = await Promise.all(c.sources.map((r) => register(page, r)));
    const word = await nextWord(page);
    await page.click('#step');
    await settle(page);
    const after = await read();
    const p = await panel(page);
    for (const id of [...EVERY_WORD, ...c.lit]) assert.ok(p.lit.includes(id), `${c.name}: ${id} lit (${p.lit})`);
    for (const id of c.dark) assert.ok(!p.lit.includes(id), `${c.name}: ${id} dark`);
    const expected = { after, address: c.address?.toString(16) };
    for (const [slot, what] of Object.entries(c.carries)) assert.equal(p.slot[slot], expected[what], `${c.name}: ${slot}`);
    // One sentence a phase, in order, with the values the machine had and made.
    assert.equal(p.told.length, 5, c.name);
    ['Fetch', 'Decode', 'Read', 'Execute', 'Write'].forEach((name, i) => assert.match(p.told[i], new RegExp(`^${name}\\b`)));
    assert.equal(digits(p.slot['ir-value']), word, `${c.name}: the word Step ran in the instruction register`);
    assert.ok(p.told[0].includes(word), `${c.name}: ${p.told[0]}`);
    const dest = c.dest[0] === 'reg' ? c.dest[1] : c.dest[1].toString(16);
    assert.ok(p.told[4].includes(dest) && p.told[4].includes(after) && p.told[4].includes(before), `${c.name}: ${p.told[4]}`);
    for (const v of inputs) assert.ok(p.told[2].includes(v), `${c.name}: read ${v} in "${p.told[2]}"`);
  }
  // Lit is told by more than colour: a lit bus is drawn thicker and dashed.
  const look = await page.evaluate(() => ['bus-ir-memory', 'bus-alu-registers'].map((id) => {
    const s = getComputedStyle(document.querySelector(`#${id} .wire`));
    return { lit: document.getElementById(id).classList.contains('lit'), width: parseFloat(s.strokeWidth), dash: s.strokeDasharray };
  }));
  assert.deepEqual(look.map((l) => l.lit), [true, false]);
  assert.ok(look[0].width > look[1].width && look[0].dash !== 'none' && look[1].dash === 'none', JSON.stringify(look));
});

test('Phase walks the five phases of the next word before the machine changes', async () => {
  const page = await freshPage();
  await setText(page, 'load bx, 5\nadd ax, bx\nhalt\n');
  await page.click('#datapath-phase');
  const seen = [];
  for (let i = 0; i < 4; i++) {
    if (i > 0) await page.keyboard.press('Alt+/');
    await settle(page);
    const p = await panel(page);
    seen.push(p.lit);
    assert.equal(await executed(page), 0, `phase ${i + 1}: nothing executed yet`);
    assert.equal(await register(page, 'bx'), '0');
    assert.equal(p.told.length, i + 1, `phase ${i + 1} told up to itself`);
  }
  await page.click('#datapath-phase');
  await settle(page);
  const write = await panel(page);
  assert.equal(await executed(page), 1);
  assert.equal(await register(page, 'bx'), '5');
  assert.equal(write.told.length, 5);
  assert.ok(write.told[4].includes('bx') && write.told[4].includes('5'));
  // Each phase lights its own parts: the fetch the program, the read the
  // constant, the write the registers, and never all of it at once.
  assert.ok(seen[0].includes('program') && !seen[0].includes('alu'));
  assert.ok(seen[1].includes('decoder') && !seen[1].includes('program'));
  assert.ok(seen[2].includes('bus-ir-alu') && !seen[2].includes('registers'));
  assert.ok(seen[3].includes('alu') && !seen[3].includes('bus-alu-registers'));
  assert.ok(write.lit.includes('registers') && !write.lit.includes('program'));
  // A Step in the middle of a walk ends it: the panel shows the word Step ran.
  await page.click('#datapath-phase');
  await page.click('#datapath-phase');
  await page.click('#step');
  await settle(page);
  const stepped = await panel(page);
  assert.equal(await executed(page), 2);
  assert.equal(stepped.told.length, 5);
  assert.ok(stepped.lit.includes('program') && stepped.lit.includes('registers'));
});

test('Play runs to the halt at the top speed; Pause stops it and Back follows', async () => {
  const page = await freshPage();
  const words = Array.from({ length: 24 }, (_, i) => `load ${'abcdefgh'[i % 8]}x, ${(i + 1).toString(16)}`);
  await setText(page, [...words, 'halt', ''].join('\n'));
  await page.focus('#datapath-speed');
  await page.keyboard.press('End');
  assert.equal(await page.inputValue('#datapath-speed'), '20');
  await page.click('#datapath-play');
  assert.equal(await page.textContent('#datapath-play'), 'Pause');
  await page.waitForFunction(() => document.getElementById('datapath-play').textContent === 'Play', null, { timeout: 10000 });
  assert.equal(await executed(page), words.length + 1);
  assert.equal(await page.textContent('#halted'), 'yes');
  assert.equal(await register(page, 'ax'), (17).toString(16)); // the last load of ax, word 17
  const halted = await panel(page);
  assert.ok(halted.heading.includes('F000'), halted.heading);
  // Slower by its key; Play of a changed text loads it first; paused by
  // its key, nothing runs on, and Back takes back a word.
  await page.keyboard.press('Alt+-');
  assert.equal(await page.inputValue('#datapath-speed'), '19');
  await page.$eval('#datapath-speed', (r) => { r.value = '5'; r.dispatchEvent(new Event('input', { bubbles: true })); });
  await setText(page, [...words, 'halt ; again', ''].join('\n'));
  await page.keyboard.press('Alt+P');
  await page.waitForFunction(() => Number(document.getElementById('executed').textContent) >= 3);
  await page.keyboard.press('Alt+P');
  const stopped = await executed(page);
  assert.ok(stopped < words.length, 'paused before the halt');
  await page.waitForTimeout(500);
  assert.equal(await executed(page), stopped);
  const takenBack = (await panel(page)).slot['ir-value'];
  await page.click('#back');
  await settle(page);
  assert.equal(await executed(page), stopped - 1);
  // The panel shows the word now last, not the one taken back (next again);
  // Step and Back move it between the two.
  const ir = async () => digits((await panel(page)).slot['ir-value']);
  const shownBack = await ir();
  assert.equal(await nextWord(page), digits(takenBack));
  assert.notEqual(shownBack, digits(takenBack));
  await page.click('#step');
  assert.equal(await ir(), digits(takenBack));
  await page.click('#back');
  assert.equal(await ir(), shownBack);
});

test('the panel follows Back to nothing and shows only a full run\'s last word', async () => {
  const page = await freshPage();
  await setText(page, 'load ax, 1\nhalt\n');
  await page.click('#step');
  await page.click('#step');
  await page.click('#back');
  await settle(page);
  const none = await panel(page);
  assert.deepEqual(none.lit, []);
  assert.ok(Object.values(none.slot).every((t) => t === ''));
  // A run of many words draws once, its halt.
  await setText(page, [...new Array(500).fill('inc bx'), 'halt', ''].join('\n'));
  const draws = () => page.evaluate(() => performance.getEntriesByName('mox-datapath-drawn').length);
  const before = await draws();
  await page.click('#run');
  await settle(page);
  assert.equal(await draws(), before + 1);
  assert.ok((await panel(page)).heading.includes('F000'));
  // Closed, it draws nothing; opened again, it catches up.
  await page.click('#datapath-toggle');
  assert.equal(await page.getAttribute('#datapath-toggle', 'aria-expanded'), 'false');
  await page.click('#reset');
  const closed = await draws();
  await page.click('#run');
  assert.equal(await draws(), closed);
  await page.click('#datapath-toggle');
  assert.equal(await draws(), closed + 1);
});
