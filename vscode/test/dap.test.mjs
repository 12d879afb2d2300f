// The debug adapter through DebugClient, the machine's state held to
// emurun's and the exercise checks to emurun --expect's.
import { test, beforeEach, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cpSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { DebugClient } from '@vscode/debugadapter-testsupport';
import { bin, core, emurunJson, root, scratch, server, zerlant } from './helpers.mjs';

const mox = await core();
let dc;
let output;

beforeEach(async () => {
  dc = new DebugClient(process.execPath, server('mox77-dap.js'), 'mox77');
  dc.defaultTimeout = 20000;
  output = [];
  dc.on('output', (e) => output.push(e.body.output));
  await dc.start();
});

afterEach(async () => {
  await dc.stop();
});

const stopped = async (request) => (await Promise.all([dc.waitForEvent('stopped'), request]))[0].body.reason;

async function launch(args) {
  const entry = dc.waitForEvent('stopped');
  await Promise.all([dc.configurationSequence(), dc.launch(args)]);
  return (await entry).body.reason;
}

// The lines of a source that hold an instruction, from 1 as editors count.
function codeLines(file) {
  return readFileSync(file, 'utf8')
    .split('\n')
    .map((l, n) => (l.split(';')[0].trim() ? n + 1 : 0))
    .filter(Boolean);
}

async function line() {
  return (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].line;
}

async function values(scope) {
  const scopes = (await dc.scopesRequest({ frameId: 0 })).body.scopes;
  const ref = scopes.find((s) => s.name === scope).variablesReference;
  return (await dc.variablesRequest({ variablesReference: ref })).body.variables;
}

async function allCells() {
  const all = (await values('Memory')).find((v) => v.variablesReference > 0);
  return (await dc.variablesRequest({ variablesReference: all.variablesReference })).body.variables;
}

const hex = (n) => mox.formatNumber(n, mox.Base.Hexadecimal);

test('a whole session: entry, steps, back to the start, breakpoints, emurun\'s state, restart', async () => {
  const program = join(root, 'examples/memory.asm');
  const lines = codeLines(program);
  assert.equal(await launch({ program, stopOnEntry: true, radix: 16 }), 'entry');
  assert.equal(await line(), lines[0]);

  // Forward word by word, then back to where it began.
  for (const want of lines.slice(1, 4)) {
    assert.equal(await stopped(dc.nextRequest({ threadId: 1 })), 'step');
    assert.equal(await line(), want);
  }
  const regs = await values('Registers');
  assert.deepEqual(regs.map((r) => r.name), mox.registerNames());
  assert.equal(regs[0].value, '0', 'the third word loaded 0 into ax');
  assert.ok(regs[0].presentationHint?.attributes?.includes('changed'));
  assert.ok(!regs[1].presentationHint, 'bx did not change');
  assert.deepEqual((await values('Memory')).filter((v) => v.name.startsWith('[')).map((v) => [v.name, v.value]), [['[10]', '2a']]);
  for (const want of [lines[2], lines[1], lines[0]]) {
    await stopped(dc.stepBackRequest({ threadId: 1 }));
    assert.equal(await line(), want);
  }
  assert.ok((await values('Registers')).every((r) => r.value === '0'));
  assert.ok((await allCells()).every((v) => v.value === '0'));
  assert.equal((await allCells()).length, 256);
  await stopped(dc.stepBackRequest({ threadId: 1 }));
  assert.equal(await line(), lines[0], 'nothing is left to take back at the start');

  // Breakpoints run to their line; one on a comment moves to the next word,
  // one past the last word is never reached.
  const bp = await dc.setBreakpointsRequest({
    source: { path: program },
    breakpoints: [{ line: lines[4] }, { line: lines[5] }, { line: 1 }, { line: lines.at(-1) + 5 }],
  });
  assert.deepEqual(bp.body.breakpoints.map((b) => [b.verified, b.line]), [
    [true, lines[4]],
    [true, lines[5]],
    [true, lines[0]],
    [false, undefined],
  ]);
  assert.equal(await stopped(dc.continueRequest({ threadId: 1 })), 'breakpoint');
  assert.equal(await line(), lines[4]);
  assert.equal(await stopped(dc.continueRequest({ threadId: 1 })), 'breakpoint');
  assert.equal(await line(), lines[5]);
  assert.equal(await stopped(dc.reverseContinueRequest({ threadId: 1 })), 'breakpoint');
  assert.equal(await line(), lines[4]);

  // To the halt: registers and cells as emurun leaves them.
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [] });
  assert.equal(await stopped(dc.continueRequest({ threadId: 1 })), 'halt');
  assert.ok(output.some((o) => /Succesful Execution/.test(o)), 'the run control\'s message is passed on');
  const built = zerlant(program);
  const want = emurunJson(built.out);
  assert.deepEqual((await values('Registers')).map((r) => r.value), want.registers.map(hex));
  assert.deepEqual((await allCells()).map((c) => c.value), want.memory.map(hex));
  const mem = await dc.customRequest('readMemory', { memoryReference: 'memory', offset: 0, count: 1024 });
  assert.deepEqual([...new Int32Array(new Uint8Array(Buffer.from(mem.body.data, 'base64')).buffer)], want.memory);

  // The disassembly is zerlant's words, in order.
  const dis = await dc.disassembleRequest({ memoryReference: '0', instructionOffset: 0, instructionCount: lines.length });
  assert.equal(dis.body.instructions.map((i) => i.instructionBytes).join('').toLowerCase(), built.code);
  assert.deepEqual(dis.body.instructions.map((i) => i.line), lines);

  // Restart: a fresh machine at the first word.
  assert.equal(await stopped(dc.restartRequest({ arguments: { program, stopOnEntry: true, radix: 16 } })), 'entry');
  assert.equal(await line(), lines[0]);
  assert.ok((await values('Registers')).every((r) => r.value === '0'));
});

test('breakpoints sent before the launch, as VS Code sends them, hold; another file\'s never stop the program', async () => {
  const program = join(root, 'examples/memory.asm');
  const other = join(root, 'examples/arithmetic.asm');
  const lines = codeLines(program);
  await dc.hitBreakpoint({ program, stopOnEntry: false }, { path: program, line: lines[3] });
  await dc.setBreakpointsRequest({ source: { path: program }, breakpoints: [] });
  const bp = await dc.setBreakpointsRequest({ source: { path: other }, breakpoints: [{ line: codeLines(other)[5] }] });
  assert.ok(bp.body.breakpoints[0].verified);
  assert.equal(await stopped(dc.continueRequest({ threadId: 1 })), 'halt');
});

test('setVariable writes a value that step back takes back, in the radix on show', async () => {
  const program = join(root, 'examples/arithmetic.asm');
  await launch({ program, radix: 10 });
  const set = await dc.setVariableRequest({ variablesReference: 1, name: 'cx', value: '-5' });
  assert.equal(set.body.value, '-5');
  await dc.customRequest('mox77.setRadix', { radix: 16 });
  assert.equal((await values('Registers'))[2].value, 'fffffffb');
  const memoryRef = (await dc.scopesRequest({ frameId: 0 })).body.scopes[1].variablesReference;
  await dc.setVariableRequest({ variablesReference: memoryRef, name: '[7f]', value: '2a' });
  assert.deepEqual((await values('Memory')).filter((v) => v.name.startsWith('[')).map((v) => [v.name, v.value]), [['[7f]', '2a']]);
  await assert.rejects(dc.setVariableRequest({ variablesReference: 1, name: 'ax', value: 'zz' }));
  await assert.rejects(dc.customRequest('mox77.setRadix', { radix: 8 }));
  await stopped(dc.stepBackRequest({ threadId: 1 }));
  await stopped(dc.stepBackRequest({ threadId: 1 }));
  assert.ok((await values('Registers')).every((r) => r.value === '0'));
  assert.ok((await allCells()).every((v) => v.value === '0'));
});

test('an initialize without pathFormat gets native paths, as the protocol says; a URI format is refused', async () => {
  const bare = { adapterID: 'mox77', linesStartAt1: true, columnsStartAt1: true };
  await assert.rejects(dc.initializeRequest({ ...bare, pathFormat: 'uri' }));
  const response = await dc.initializeRequest(bare);
  assert.ok(response.success);
  assert.ok(response.body.supportsStepBack);
  const program = join(root, 'examples/hello.asm');
  const entry = dc.waitForEvent('stopped');
  await Promise.all([dc.configurationDoneRequest(), dc.launchRequest({ program, stopOnEntry: true })]);
  assert.equal((await entry).body.reason, 'entry');
  assert.equal((await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames[0].source.path, program);
});

test('a source with errors is refused with zerlant\'s lines; a .8xe runs as emurun runs it', async () => {
  const dir = scratch();
  const bad = join(dir, 'bad.asm');
  writeFileSync(bad, 'load ax, 100\nmov ax\nhalt\n');
  const expected = zerlant(bad);
  await assert.rejects(Promise.all([dc.configurationSequence(), dc.launch({ program: bad })]), (e) => {
    for (const l of [...expected.errors, expected.count]) assert.ok(e.message.includes(l), `${l} in ${e.message}`);
    return true;
  });

  const built = zerlant(join(root, 'examples/bits.asm'));
  assert.equal(await launch({ program: built.out, stopOnEntry: false, radix: 2 }), 'halt');
  const want = emurunJson(built.out);
  assert.deepEqual((await values('Registers')).map((r) => r.value), want.registers.map((v) => mox.formatNumber(v, mox.Base.Binary)));
});

// The exercise check's lines, held to emurun --expect from each start.
function emurunMismatches(dir, program, n) {
  const suffix = n === 1 ? '' : String(n);
  const built = zerlant(program);
  const args = ['--init', join(dir, `init${suffix}.json`), '--expect', join(dir, `expected${suffix}.json`), built.out];
  const run = spawnSync(join(bin, 'emurun'), args, { encoding: 'utf8' });
  return run.stdout.split('\n').filter((l) => /expected .*, got/.test(l));
}

test('an exercise launch checks the program at its halt: what ran, what waits for the grader, the mismatches', async () => {
  const dir = join(scratch(), '02-sum');
  cpSync(join(root, 'examples/exercises/02-sum'), dir, { recursive: true });
  const solution = join(dir, 'solution.asm');
  assert.equal(await launch({ program: solution, stopOnEntry: false, exercise: dir }), 'halt');
  const passed = output.join('');
  // The folder's sample solution is not the debug adapter's to run: the
  // hidden starts are left to the grader, and said to be.
  assert.match(passed, /Exercise 02-sum: 2 of 2 public starts pass; 8 hidden starts are run when graded\n/);
  assert.doesNotMatch(passed, /FAIL/);
  const regs = await values('Memory');
  assert.ok(regs.some((v) => v.name === '[00]' && v.value === hex(1000)), 'the first start is set before the run');

  await dc.stop();
  dc = new DebugClient(process.execPath, server('mox77-dap.js'), 'mox77');
  output = [];
  dc.on('output', (e) => output.push(e.body.output));
  await dc.start();
  const start = join(dir, 'start.asm');
  assert.equal(await launch({ program: start, stopOnEntry: false, exercise: dir }), 'halt');
  const failed = output.join('');
  assert.match(failed, /Exercise 02-sum: 0 of 2 public starts pass; 8 hidden starts are run when graded\n/);
  for (const n of [1, 2]) {
    const lines = emurunMismatches(dir, start, n);
    assert.ok(lines.length > 0);
    for (const l of lines) assert.ok(failed.includes(l.trim()), `${l.trim()} in ${failed}`);
  }
});

// One exercise, one judge: the same folders give the same words from
// mox77-grade, from the core's Check as the page calls it, and from a launch
// of the debug adapter.
test('a folder that is no sound exercise is refused in the same words by mox77-grade, Check and the debug adapter', async () => {
  const halted = '{"running": false}';
  const folders = {
    'init-alone': { 'expected.json': halted, 'init2.json': '{}' },
    gap: { 'expected.json': halted, 'expected3.json': halted },
    'two-names': { 'expected.json': halted, 'expected2.json': halted, 'expected02.json': halted },
    'bad-points': { 'expected.json': '{"points": -1}' },
    'no-state': { 'expected.json': halted, 'init.json': '[]' },
    'bad-recipe': { 'expected.json': halted, 'exercise.json': '{"inputs": {}, "outputs": {"running": false}}' },
    empty: { 'notes.json': '{}' },
  };
  const program = join(root, 'examples/exercises/02-sum/solution.asm');
  const bytes = new Uint8Array(readFileSync(program));
  for (const [name, files] of Object.entries(folders)) {
    const dir = join(scratch(), name);
    mkdirSync(dir);
    for (const [file, text] of Object.entries(files)) writeFileSync(join(dir, file), text);
    const graded = spawnSync(join(bin, 'mox77-grade'), ['--exercise', dir, program], { encoding: 'utf8' });
    assert.equal(graded.status, 2, `${name}: ${graded.stdout}`);
    const said = graded.stderr.replace(/^mox77-grade: /, '').trimEnd();
    assert.ok(said.startsWith(dir), `${name}: ${said}`);
    assert.equal(mox.checkExercise(files, dir, bytes, true).error, said, name);
    // The protocol reads braces in an error's text as placeholders.
    await dc.stop();
    dc = new DebugClient(process.execPath, server('mox77-dap.js'), 'mox77');
    await dc.start();
    await assert.rejects(dc.launch({ program, stopOnEntry: false, exercise: dir }), (e) => {
      assert.equal(e.message, said.replace(/[{}]/g, ''), name);
      return true;
    });
  }
});
