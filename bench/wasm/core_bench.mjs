// Size and speed of the WebAssembly core: what the web page pays to load it,
// to assemble a long source and to run a long program with all its changes.
// Usage: node bench/wasm/core_bench.mjs [build/wasm/mox77-core.mjs]
import fs from 'node:fs';
import path from 'node:path';
import { performance } from 'node:perf_hooks';
import { fileURLToPath, pathToFileURL } from 'node:url';
import zlib from 'node:zlib';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const modulePath = path.resolve(process.argv[2] ?? path.join(root, 'build/wasm/mox77-core.mjs'));
if (!fs.existsSync(modulePath)) {
  console.error(`${modulePath} is missing: build it with scripts/build-wasm.sh`);
  process.exit(1);
}

function median(times) {
  const sorted = [...times].sort((a, b) => a - b);
  return sorted[sorted.length >> 1];
}
// Milliseconds per call, the median of `rounds` after one warm-up call.
async function time(rounds, fn) {
  await fn();
  const times = [];
  for (let i = 0; i < rounds; ++i) {
    const start = performance.now();
    await fn();
    times.push(performance.now() - start);
  }
  return median(times);
}
const ms = (t) => `${t.toFixed(2)} ms`;

console.log(`module              ${path.relative(process.cwd(), modulePath)}`);
for (const file of [modulePath, modulePath.replace(/\.mjs$/, '.wasm')]) {
  const raw = fs.readFileSync(file);
  console.log(`size                ${raw.length} bytes, ${zlib.gzipSync(raw, { level: 9 }).length} gzipped (${path.basename(file)})`);
}

const importStart = performance.now();
const createCore = (await import(pathToFileURL(modulePath).href)).default;
console.log(`import              ${ms(performance.now() - importStart)} (parse and evaluate, once)`);
console.log(`instantiate         ${ms(await time(15, () => createCore()))} (median of 15)`);

const core = await createCore();

// 10,000 lines that assemble without an error: every row of the table with
// the registers and values in turn, one comment in ten.
const table = core.instructionTable();
const names = core.registerNames();
const lines = [];
for (let i = 0; lines.length < 9999; ++i) {
  const row = table[i % (table.length - 1)]; // the halt row last in the table
  const r = names[i % 16];
  const s = names[(i >> 4) % 16];
  const nn = (i & 0xff).toString(16).padStart(2, '0');
  const operands = { RegisterValue: ` ${r}, ${nn}`, TwoRegisters: ` ${r}, ${s}`, OneRegister: ` ${r}`, None: '' };
  lines.push(row.mnemonic + operands[row.operands] + (i % 10 === 0 ? ' ; a comment' : ''));
}
lines.push('halt');
const source = new TextEncoder().encode(lines.join('\n') + '\n');
const assembly = core.assemble(source);
if (assembly.errorCount !== 0 || assembly.machineCode.length !== 4 * lines.length)
  throw new Error(`the benchmark source does not assemble: ${assembly.errors[0]?.line}`);
console.log(`assemble            ${ms(await time(20, () => core.assemble(source)))} for ${lines.length} lines (median of 20)`);

// 100,000 words that each change a register or a cell, then a halt.
let text = '';
for (let i = 0; i < 99999; ++i)
  text += i % 3 === 2 ? `3${(i % 16).toString(16)}${(i & 0xff).toString(16).padStart(2, '0')}` : `900${(i % 16).toString(16)}`;
text += 'F000';
const program = new TextEncoder().encode(text);
const machine = new core.Machine();
let changes = [];
const run = () => {
  machine.reset();
  machine.loadProgram(program);
  changes = machine.lastChanges();
  machine.takeEvents();
};
const runOnly = () => {
  machine.reset();
  machine.loadProgram(program);
  machine.takeEvents();
};
const total = await time(9, run);
if (machine.executedCount() !== 100000 || changes.length < 99000)
  throw new Error(`the run went wrong: ${machine.executedCount()} words, ${changes.length} changes`);
const runTime = await time(9, runOnly);
console.log(`full run            ${ms(total)} for 100000 words with ${changes.length} changes (median of 9)`);
console.log(`  of which the run  ${ms(runTime)}, the change list ${ms(total - runTime)}`);
machine.delete();
