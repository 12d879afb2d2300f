// Seeded random sources, programs and state files for the differential tests.
// The instruction table and register names come from the module, so there is
// no second table here to drift from the core's.

// mulberry32: small, fast, and the same sequence on every machine.
export function random(seed) {
  let a = seed >>> 0;
  const next = () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const int = (n) => Math.floor(next() * n);
  return { next, int, pick: (list) => list[int(list.length)], chance: (p) => next() < p };
}

const hexDigits = '0123456789abcdefABCDEF';

function hexText(r, n) {
  let text = '';
  for (let i = 0; i < n; ++i) text += r.pick(hexDigits);
  return text;
}

function randomCase(r, text) {
  return r.chance(0.97)
    ? text
    : [...text].map((c) => (r.chance(0.5) ? c.toUpperCase() : c)).join('');
}

function gapOf(r) {
  return r.chance(0.99) ? r.pick([' ', ' ', ' ', '  ', '']) : r.pick(['\t', ' \t', '\r']);
}
const oddBytes = [0xe9, 0xa0, 0xff, 0x80, 0xc3, 0x00, 0x0d, 0x7f, 0x1b];

// One source line as bytes: mostly instructions the table allows, then near
// misses, comments, blank lines and lines with bytes that are not ASCII.
function sourceLine(r, table, registers) {
  const row = r.pick(table);
  const reg = () => randomCase(r, r.chance(0.98) ? r.pick(registers) : r.pick(['qx', 'a', 'axx', 'x', 'a x']));
  const value = () => hexText(r, r.chance(0.97) ? 2 : r.pick([0, 1, 3, 4]));
  const gap = () => gapOf(r);
  const comma = () => (r.chance(0.98) ? ',' : r.pick(['', ';', ',,', '.']));
  let operands = '';
  if (row.operands === 'RegisterValue') operands = reg() + comma() + gap() + value();
  else if (row.operands === 'TwoRegisters') operands = reg() + comma() + gap() + reg();
  else if (row.operands === 'OneRegister') operands = reg();
  let mnemonic = randomCase(r, row.mnemonic);
  if (r.chance(0.02)) mnemonic = mnemonic.slice(0, -1) + r.pick('xyz');
  // Operands start after the first space, so an indented line is a near miss.
  let line = (r.chance(0.95) ? '' : gap()) + mnemonic + (operands ? ' ' + gap() + operands : '') + gap();
  const kind = r.int(100);
  if (kind < 8) line += ';' + r.pick([' a comment', 'halt', ' load ax, ff', '']);
  else if (kind < 11) line = ';' + line;
  else if (kind < 14) line = r.pick(['', ' ', '\t']);
  else if (kind < 15) line = hexText(r, 4);
  const bytes = [...Buffer.from(line, 'latin1')];
  if (r.chance(0.02)) bytes.splice(r.int(bytes.length + 1), 0, r.pick(oddBytes));
  return bytes;
}

export function randomSource(r, table, registers) {
  const lines = [];
  const count = r.pick([0, 1, 2, 3, 4, 6, 10]);
  for (let i = 0; i < count; ++i) lines.push(sourceLine(r, table, registers));
  if (r.chance(0.92)) lines.push([...Buffer.from(randomCase(r, "halt") + r.pick(['', ' ', '; end']))]);
  if (r.chance(0.3)) lines.push(sourceLine(r, table, registers));
  const end = r.chance(0.15) ? [0x0d, 0x0a] : [0x0a];
  const bytes = lines.flatMap((line, i) => (i + 1 < lines.length || r.chance(0.5) ? [...line, ...end] : line));
  return Uint8Array.from(bytes);
}

// A .8xe text: words of the table's opcodes, often ending in a halt, with
// now and then a lower-case digit, a short last word or a byte that is no
// hexadecimal digit.
export function randomProgram(r) {
  let text = '';
  const words = r.pick([0, 1, 2, 4, 8, 16, 40]);
  for (let i = 0; i < words; ++i) text += r.pick('0123456789abcdeF') + hexText(r, 3);
  if (r.chance(0.7)) text += r.pick(['F000', 'f000', 'F123']) + (r.chance(0.5) ? hexText(r, 4) : '');
  if (r.chance(0.08)) text += hexText(r, 1 + r.int(3));
  const bytes = [...Buffer.from(text, 'latin1')];
  if (r.chance(0.08)) bytes.splice(r.int(bytes.length + 1), 0, r.pick([...oddBytes, 0x47, 0x20, 0x0a]));
  return Uint8Array.from(bytes);
}

function randomValue(r) {
  const v = r.pick([0, 1, -1, 255, 0x7fffffff, -0x80000000, r.int(256), r.int(0x100000000) | 0]);
  return r.chance(0.3) ? '0x' + (v >>> 0).toString(16) : v;
}

// A starting state (registers and cells) or an expected one (also running
// and executed), as a JSON text.
export function randomState(r, registers, expected) {
  const state = {};
  if (r.chance(0.7)) {
    state.registers = {};
    for (let i = r.int(4); i >= 0; --i) state.registers[randomCase(r, r.pick(registers))] = randomValue(r);
  }
  if (r.chance(0.6)) {
    state.memory = {};
    for (let i = r.int(4); i >= 0; --i) {
      const a = r.int(256);
      state.memory[r.chance(0.5) ? '0x' + a.toString(16) : String(a)] = randomValue(r);
    }
  }
  if (expected && r.chance(0.5)) state.running = r.chance(0.2);
  if (expected && r.chance(0.2)) state.executed = r.int(6);
  return JSON.stringify(state);
}
