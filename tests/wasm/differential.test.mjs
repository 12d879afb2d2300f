// The WebAssembly module against the native programs: every example,
// exercise and fuzzing-corpus file and a few thousand generated ones must
// give the same words, console lines, final states, changes, traces and
// verdicts from build/wasm/mox77-core.mjs as from zerlant, emurun and
// mox77-grade. Run by CTest with MOX_BIN_DIR naming the native programs.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { random, randomProgram, randomSource, randomState } from './generate.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const sourceDir = process.env.MOX_SOURCE_DIR ?? path.resolve(here, '../..');
const binDir = process.env.MOX_BIN_DIR ?? path.join(sourceDir, 'build/release/bin');
const modulePath = process.env.MOX_WASM_MODULE ?? path.join(sourceDir, 'build/wasm/mox77-core.mjs');
const tool = (name) => path.join(binDir, name);

const missing = [modulePath, tool('zerlant'), tool('emurun'), tool('mox77-grade')]
  .filter((f) => !fs.existsSync(f));
test('the module and the native programs are built', () => {
  assert.deepEqual(missing, [],
    `missing (scripts/build-wasm.sh builds the module, the release preset the programs): ${missing.join(', ')}`);
});
const core = missing.length ? null : await (await import(pathToFileURL(modulePath).href)).default();
const check = (name, fn) => test(name, { skip: !core && 'nothing to compare' }, fn);

const HEX = core?.Base.Hexadecimal;
const bytesOf = (latin1Text) => Buffer.from(latin1Text, 'latin1');
const read = (file) => new Uint8Array(fs.readFileSync(file));
const filesIn = (dir) => fs.readdirSync(dir).sort().map((f) => path.join(dir, f));
const lines = (buffer) => buffer.toString('latin1').split('\n').filter((l, i, all) => l !== '' || i + 1 < all.length);

async function run(program, args, cwd) {
  return new Promise((done) =>
    execFile(tool(program), args, { cwd, encoding: 'buffer', maxBuffer: 1 << 26 }, (error, stdout, stderr) =>
      done({ code: error ? error.code : 0, stdout, stderr })));
}

// Thousands of short runs: a shell starts them far faster than Node does,
// in two scripts for the machine's two cores. Each job is [cwd, ...args].
async function runMany(program, jobs) {
  const out = fs.mkdtempSync(path.join(work, 'runs-'));
  const quote = (a) => `'${String(a).replaceAll("'", `'\\''`)}'`;
  const scripts = [[], []];
  jobs.forEach(([cwd, ...args], i) => scripts[i % 2].push(`cd ${quote(cwd)}; ` +
    `${quote(tool(program))} ${args.map(quote).join(' ')} >${out}/${i}.out 2>${out}/${i}.err; echo $? >${out}/${i}.rc`));
  await Promise.all(scripts.map((commands, k) => {
    fs.writeFileSync(path.join(out, `run${k}.sh`), commands.join('\n') + '\n');
    return new Promise((done, fail) =>
      execFile('sh', [path.join(out, `run${k}.sh`)], (error) => (error ? fail(error) : done())));
  }));
  return jobs.map((_, i) => ({
    code: Number(fs.readFileSync(`${out}/${i}.rc`, 'utf8')),
    stdout: fs.readFileSync(`${out}/${i}.out`),
    stderr: fs.readFileSync(`${out}/${i}.err`),
  }));
}

// emurun's trace line for a word, from what the module says the word did.
function traceLine(word, change, stillRunning) {
  let line = core.describeWord(word).padEnd(24);
  if (change) line += `  ${changeText(change)}`;
  else if (stillRunning) line += '  -';
  if (!stillRunning) line += '  halted';
  return line;
}
const registerNames = core?.registerNames();
const placeName = (c) => (c.where === 'register' ? registerNames[c.index] : `[${core.formatNumber(c.index, HEX)}]`);
const changeText = (c) => `${placeName(c)}: ${core.formatNumber(c.before, HEX)} -> ${core.formatNumber(c.after, HEX)}`;
const tracedChanges = (trace) => trace.map((l) => / {2}(\S+: \S+ -> \S+)(  halted)?$/.exec(l)?.[1]).filter(Boolean);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'mox-wasm-'));
after(() => fs.rmSync(work, { recursive: true, force: true }));
const parsed = new Map();
function state(json, use) {
  const key = use + json;
  if (!parsed.has(key)) {
    const p = core.parseState(json, use);
    assert.ok(p.ok, `${json}: ${p.error}`);
    parsed.set(key, p.state);
  }
  return parsed.get(key);
}
after(() => parsed.forEach((s) => s.delete()));

// A course pair: starting state (or none) and expected state, as files.
function statePair(name, initJson, expectJson) {
  const pair = { name, initJson, expectJson, dir: path.join(work, 'grade', name) };
  fs.mkdirSync(pair.dir, { recursive: true });
  if (initJson !== null) fs.writeFileSync((pair.init = path.join(work, `${name}.init.json`)), initJson);
  fs.writeFileSync((pair.expect = path.join(work, `${name}.expect.json`)), expectJson);
  return pair;
}
const stateArgs = (pair) => [...(pair.init ? ['--init', pair.init] : []), '--expect', pair.expect];

const sources = []; // { name, bytes, pair }
const programs = []; // { name, bytes, pair }
const assembled = new Map(); // source name -> zerlant's output
const ran = new Map(); // program name -> emurun's output
const explained = new Map(); // program name -> emurun --explain's output and radix
const graded = new Map(); // pair name -> { file name -> submission }

before(async () => {
  if (!core) return;
  const r = random(77);
  const table = core.instructionTable();
  const generatedPairs = [];
  // A random state may name a place twice; the pairs must be readable.
  const readable = (use) => {
    for (;;) {
      const json = randomState(r, registerNames, use === 'expected');
      const p = core.parseState(json, use);
      if (p.ok) return p.state.delete(), json;
    }
  };
  for (let k = 0; k < 6; ++k)
    generatedPairs.push(statePair(`generated${k}`, k === 0 ? null : readable('starting'),
      k === 1 ? '{"running": false}' : readable('expected')));
  const anyPair = (i) => generatedPairs[i % generatedPairs.length];

  const add = (list, name, bytes, pair) => list.push({ name, bytes, pair: pair ?? anyPair(list.length) });
  for (const f of filesIn(path.join(sourceDir, 'examples')).filter((f) => f.endsWith('.asm')))
    add(sources, 'example-' + path.basename(f), read(f));
  for (const dir of filesIn(path.join(sourceDir, 'examples/exercises')).filter((d) => fs.statSync(d).isDirectory())) {
    const ex = path.basename(dir);
    for (const n of ['', '2']) {
      const expect = path.join(dir, `expected${n}.json`);
      if (!fs.existsSync(expect)) continue;
      const init = path.join(dir, `init${n}.json`);
      const initJson = fs.existsSync(init) ? fs.readFileSync(init, 'utf8') : null;
      const pair = statePair(`${ex}${n}`, initJson, fs.readFileSync(expect, 'utf8'));
      for (const file of ['start.asm', 'solution.asm'])
        add(sources, `${ex}${n}-${file}`, read(path.join(dir, file)), pair);
    }
  }
  for (const corpus of ['assembly', 'encoder'])
    for (const f of filesIn(path.join(sourceDir, 'fuzz/corpus', corpus)))
      add(sources, `${corpus}-${path.basename(f)}.asm`, read(f));
  for (const corpus of ['loader', 'typed'])
    for (const f of filesIn(path.join(sourceDir, 'fuzz/corpus', corpus)))
      add(programs, `${corpus}-${path.basename(f)}.8xe`, read(f));
  for (let i = 0; i < 2000; ++i) add(sources, `g${i}.asm`, randomSource(r, table, registerNames));
  for (let i = 0; i < 1000; ++i) add(programs, `p${i}.8xe`, randomProgram(r));

  const asmDir = path.join(work, 'asm');
  fs.mkdirSync(asmDir);
  for (const s of sources) {
    fs.writeFileSync(path.join(asmDir, s.name), s.bytes);
    fs.writeFileSync(path.join(s.pair.dir, s.name), s.bytes);
  }
  (await runMany('zerlant', sources.map((s) => [asmDir, s.name]))).forEach((out, i) => {
    const s = sources[i];
    const code = path.join(asmDir, core.outputFileName(s.name));
    out.machineCode = fs.existsSync(code) ? read(code) : null;
    assembled.set(s.name, out);
    if (out.machineCode) add(programs, s.name.replace(/\.asm$/, '.8xe'), out.machineCode, s.pair);
  });

  const progDir = path.join(work, 'programs');
  fs.mkdirSync(progDir);
  for (const p of programs) {
    fs.writeFileSync(path.join(progDir, p.name), p.bytes);
    fs.writeFileSync(path.join(p.pair.dir, p.name), p.bytes);
  }
  const jobs = programs.map((p) => [progDir, '--json', '--trace', ...stateArgs(p.pair), p.name]);
  const runs = await runMany('emurun', jobs);
  runs.forEach((out, i) => ran.set(programs[i].name, out));
  // The cycles in each radix in turn.
  const radixes = ['16', '10', '2'];
  const explainJobs = programs.map((p, i) => [progDir, '--json', '--explain', '--radix', radixes[i % 3],
    ...(p.pair.init ? ['--init', p.pair.init] : []), p.name]);
  (await runMany('emurun', explainJobs)).forEach((out, i) =>
    explained.set(programs[i].name, { ...out, base: core.baseOfRadix(Number(radixes[i % 3])) }));

  await Promise.all([...new Set([...sources, ...programs].map((f) => f.pair))].map(async (pair) => {
    const out = await run('mox77-grade', ['--json', ...stateArgs(pair), '.'], pair.dir);
    assert.ok(out.stdout.length, `mox77-grade on ${pair.name}: ${out.stderr}`);
    const rows = new Map(JSON.parse(out.stdout.toString()).submissions.map((s) => [path.basename(s.file), s]));
    graded.set(pair.name, rows);
  }));
});

check('assembling gives zerlant\'s words, error lines and error count', () => {
  let withErrors = 0;
  for (const s of sources) {
    const z = assembled.get(s.name);
    const out = lines(z.stdout);
    const countAt = out.findIndex((l) => /^process stoped with {2}\(\d+\) fatal errors$/.test(l));
    assert.ok(countAt > 0, `${s.name}: zerlant printed no error count:\n${out.join('\n')}`);
    const a = core.assemble(s.bytes);
    assert.deepEqual(a.errors.map((e) => e.line), out.slice(1, countAt), `${s.name}: error lines`);
    assert.equal(String(a.errorCount), /\((\d+)\)/.exec(out[countAt])[1], `${s.name}: error count`);
    assert.equal(z.code === 0, a.errorCount === 0, `${s.name}: zerlant's exit status ${z.code}`);
    if (a.errorCount !== 0) ++withErrors;
    else assert.deepEqual(bytesOf(a.machineCode), Buffer.from(z.machineCode), `${s.name}: words`);
    assert.deepEqual(a.errors.map((e) => e.index < 0 ? -1 : e.index + 1),
      a.errors.map((e) => Number(/^error on line\((\d+)\)/.exec(e.line)?.[1] ?? -1)), `${s.name}: error indexes`);
  }
  // Each kind must be well represented, or the comparison proves little.
  assert.ok(withErrors > 300 && sources.length - withErrors > 600, `${withErrors} of ${sources.length} with errors`);
  const holding = (test) => sources.filter((s) => s.bytes.some(test)).length;
  assert.ok(holding((b) => b >= 0x80) > 30 && holding((b) => b === 0) > 10, 'Latin-1 and zero bytes');
});

check('a full run leaves emurun\'s registers, memory, running flag, count, changes and expected-state lines', () => {
  let invalid = 0;
  for (const p of programs) {
    const e = ran.get(p.name);
    const m = new core.Machine();
    try {
      if (p.pair.init) m.applyState(state(p.pair.initJson, 'starting'));
      m.loadProgram(p.bytes);
      if (e.code === 1) {
        ++invalid;
        const reason = core.checkProgram(p.bytes, false, null, state('{}', 'expected')).error;
        assert.equal(e.stderr.toString('latin1'), `emurun: ${p.name}: ${reason}\n`, p.name);
        assert.equal(m.executedCount(), 0, p.name);
        continue;
      }
      const json = JSON.parse(e.stdout.toString());
      assert.deepEqual(
        [Array.from(m.registers()), Array.from(m.memory()), m.running(), m.executedCount()],
        [json.registers, json.memory, json.running, json.executed], `${p.name}: registers, memory, running, executed`);
      assert.deepEqual(m.lastChanges().map(changeText), tracedChanges(lines(e.stderr)), `${p.name}: changes`);
      const mismatches = m.mismatches(state(p.pair.expectJson, 'expected'), m.executedCount(), HEX);
      assert.deepEqual(mismatches, json.mismatches, `${p.name}: expected state`);
      assert.equal(e.code, mismatches.length ? 3 : 0, p.name);
    } finally {
      m.delete();
    }
  }
  assert.ok(invalid > 20 && invalid < programs.length / 4, `${invalid} invalid programs`);
});

check('stepping gives emurun\'s trace word by word, and Back takes every word back', () => {
  for (const p of programs) {
    const e = ran.get(p.name);
    if (e.code === 1) continue;
    const m = new core.Machine();
    try {
      m.setMode(core.ExecutionMode.StepByStep);
      if (p.pair.init) m.applyState(state(p.pair.initJson, 'starting'));
      const start = { registers: Array.from(m.registers()), memory: Array.from(m.memory()) };
      m.loadProgram(p.bytes);
      const trace = [];
      for (;;) {
        const word = m.nextInstruction();
        m.step();
        if (word.length < 4) break;
        const changes = m.lastChanges();
        assert.ok(changes.length <= 1, `${p.name}: one word, one change`);
        trace.push(traceLine(word, changes[0], m.running()));
        if (!m.running()) break;
      }
      const emurunTrace = lines(e.stderr);
      assert.equal(trace.join('\n'), emurunTrace.join('\n'), `${p.name}: trace`);
      const json = JSON.parse(e.stdout.toString());
      assert.deepEqual([Array.from(m.registers()), Array.from(m.memory()), m.executedCount()],
        [json.registers, json.memory, json.executed], `${p.name}: state after stepping`);

      // Back restores each change in reverse order, its values swapped.
      const undone = [];
      while (m.canGoBack()) {
        assert.ok(m.back(), p.name);
        undone.push(...m.lastChanges().map((c) => changeText({ ...c, before: c.after, after: c.before })));
      }
      assert.equal(m.back(), false, p.name);
      assert.deepEqual(undone.reverse(), tracedChanges(emurunTrace), `${p.name}: changes taken back`);
      assert.deepEqual(
        { registers: Array.from(m.registers()), memory: Array.from(m.memory()), executed: m.executedCount() },
        { ...start, executed: 0 }, `${p.name}: after taking every word back`);
    } finally {
      m.delete();
    }
  }
});

// emurun --explain's block for the nth executed word, from the module's cycle.
const explainBlock = (cycle, n) =>
  [`word ${n}: ${cycle.word}`, ...cycle.phases.map((p) => `  ${p.name.padEnd(9)}${p.line}`)].join('\n');

check('each stepped word\'s cycle is emurun --explain\'s, previewed before it runs and told again after Back', () => {
  let told = 0;
  for (const p of programs) {
    const e = explained.get(p.name);
    if (e.code === 1) continue;
    const m = new core.Machine();
    try {
      m.setMode(core.ExecutionMode.StepByStep);
      if (p.pair.init) m.applyState(state(p.pair.initJson, 'starting'));
      m.loadProgram(p.bytes);
      assert.equal(m.lastCycle(e.base), null, `${p.name}: nothing executed yet`);
      const blocks = [];
      const cycles = [];
      for (;;) {
        const registers = Array.from(m.registers());
        const preview = m.nextCycle(e.base);
        assert.deepEqual(Array.from(m.registers()), registers, `${p.name}: a preview changes nothing`);
        m.step();
        if (!preview) break;
        const cycle = m.lastCycle(e.base);
        assert.deepEqual(cycle, preview, `${p.name}: the preview is the cycle the step went through`);
        blocks.push(explainBlock(cycle, blocks.length + 1));
        cycles.push(cycle);
        if (!m.running()) break;
      }
      assert.equal(blocks.join('\n'), lines(e.stderr).join('\n'), `${p.name}: cycles`);
      // Back walks the cycles back, newest first.
      for (let k = cycles.length - 1; k > 0; --k) {
        assert.ok(m.back(), p.name);
        assert.deepEqual(m.lastCycle(e.base), cycles[k - 1], `${p.name}: the cycle after Back`);
      }
      told += cycles.length;
    } finally {
      m.delete();
    }
  }
  assert.ok(told > 5000, `${told} cycles compared`);
});

check('the last word of a full run and a typed word are told as emurun tells them', () => {
  for (const p of programs.slice(0, 300)) {
    const e = explained.get(p.name);
    if (e.code === 1) continue;
    const m = new core.Machine();
    try {
      if (p.pair.init) m.applyState(state(p.pair.initJson, 'starting'));
      m.loadProgram(p.bytes);
      const blocks = lines(e.stderr).join('\n').split(/\n(?=word \d+: )/);
      const last = m.lastCycle(e.base);
      if (m.executedCount() === 0) {
        assert.equal(last, null, p.name);
        continue;
      }
      assert.equal(explainBlock(last, m.executedCount()), blocks.at(-1), `${p.name}: the run's last word`);
      // Typed, the same word on the same machine decodes, reads, computes and
      // writes the same; only where it came from differs.
      m.back();
      m.typeInstruction(last.word);
      const typed = m.lastCycle(e.base);
      assert.deepEqual([typed.position, typed.next], [-1, -1], p.name);
      assert.deepEqual([typed.phases.slice(1, 4), typed.write], [last.phases.slice(1, 4), last.write], `${p.name}: typed`);
    } finally {
      m.delete();
    }
  }
});

check('checking a program gives mox77-grade\'s verdict and mismatch lines', () => {
  let passes = 0;
  for (const [list, source] of [[sources, true], [programs, false]])
    for (const f of list) {
      const row = graded.get(f.pair.name).get(f.name);
      assert.ok(row, `${f.name}: not graded`);
      const start = f.pair.init ? state(f.pair.initJson, 'starting') : null;
      const c = core.checkProgram(f.bytes, source, start, state(f.pair.expectJson, 'expected'));
      // The grader writes null for what a program never got to.
      assert.deepEqual(
        [c.errors, c.error, c.executed, c.halted, c.mismatches, c.pass],
        [row.errors ?? 0, row.error ?? '', row.executed ?? -1, row.halted ?? false, row.mismatches,
          row.result === 'PASS'], `${f.name} against ${f.pair.name}: errors, error, executed, halted, mismatches, pass`);
      passes += c.pass;
    }
  // Every exercise's sample solution passes both of its starts.
  for (const s of sources.filter((s) => s.name.endsWith('-solution.asm')))
    assert.equal(graded.get(s.pair.name).get(s.name).result, 'PASS', s.name);
  assert.ok(passes > 100, `${passes} passed`);
});

check('state files are read, or refused with the same reason, as emurun reads them', async () => {
  const r = random(8);
  const texts = filesIn(path.join(sourceDir, 'fuzz/corpus/state')).map((f) => fs.readFileSync(f, 'utf8'));
  for (let i = 0; i < 30; ++i) {
    const json = randomState(r, registerNames, true);
    const cut = r.int(json.length);
    const spoilt = json.slice(0, cut) + r.pick(['', 'x', '"', '}', ',', '"qx":1', '"0x1ff":2']) + json.slice(cut);
    texts.push(r.chance(0.5) ? json : spoilt);
  }
  fs.writeFileSync(path.join(work, 'halt.8xe'), 'F000');
  let refused = 0;
  await Promise.all(texts.flatMap((json, i) => ['starting', 'expected'].map(async (use) => {
    const file = `state${i}-${use}.json`;
    fs.writeFileSync(path.join(work, file), json);
    const e = await run('emurun', [use === 'starting' ? '--init' : '--expect', file, 'halt.8xe'], work);
    const p = core.parseState(json, use);
    if (p.ok) {
      p.state.delete();
      assert.notEqual(e.code, 2, `${json} as ${use}: ${e.stderr}`);
    } else {
      ++refused;
      assert.equal(e.stderr.toString(), `emurun: ${file}: ${p.error}\n`, `${json} as ${use}`);
    }
  })));
  assert.ok(refused > 5 && refused < texts.length * 2 - 5, `${refused} refused`);
});

check('numbers read as emurun prints them in every radix', async () => {
  const values = filesIn(path.join(sourceDir, 'fuzz/corpus/format')).map((f) => fs.readFileSync(f).readInt32LE(0));
  const r = random(10);
  while (values.length < 16) values.push(r.int(0x100000000) | 0);
  const registers = Object.fromEntries(values.map((v, i) => [registerNames[i], v]));
  fs.writeFileSync(path.join(work, 'values.json'), JSON.stringify({ registers }));
  fs.writeFileSync(path.join(work, 'empty.8xe'), '');
  for (const radix of ['2', '10', '16']) {
    const e = await run('emurun', ['--radix', radix, '--init', 'values.json', 'empty.8xe'], work);
    const printed = lines(e.stdout).map((l) => /^ {2}([a-p]x) {2}(\S+)$/.exec(l)).filter(Boolean).map((m) => m[2]);
    const base = core.baseOfRadix(Number(radix));
    assert.equal(core.radixOf(base), Number(radix));
    assert.deepEqual(values.map((v) => core.formatNumber(v, base)), printed, `radix ${radix}`);
  }
});
