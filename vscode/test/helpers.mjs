// What the tests hold the servers to: the native programs' own output.
import { execFileSync, spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, existsSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const bin = process.env.MOX77_BIN ?? join(root, 'build/release/bin');
export const server = (name) => join(root, 'build/vscode/server', name);

export async function core() {
  const { default: createCore } = await import(pathToFileURL(join(root, 'build/wasm/mox77-core.mjs')).href);
  return createCore();
}

export function scratch() {
  return mkdtempSync(join(tmpdir(), 'mox77-vscode-'));
}

// Every source the diagnostics are compared on: examples, exercises, corpus.
export function sources() {
  const list = [];
  const add = (dir, keep) => {
    for (const f of readdirSync(dir).sort()) if (keep(f)) list.push(join(dir, f));
  };
  add(join(root, 'examples'), (f) => f.endsWith('.asm'));
  const exercises = join(root, 'examples/exercises');
  for (const d of readdirSync(exercises).sort())
    if (existsSync(join(exercises, d, 'start.asm'))) add(join(exercises, d), (f) => f.endsWith('.asm'));
  add(join(root, 'fuzz/corpus/assembly'), () => true);
  return list;
}

// The encoder's corpus lines, each made a program with a halt after it, so
// that every line's own message is compared.
export function encoderSources() {
  const dir = scratch();
  const corpus = join(root, 'fuzz/corpus/encoder');
  return readdirSync(corpus)
    .sort()
    .map((f) => {
      const file = join(dir, `${f}.asm`);
      writeFileSync(file, Buffer.concat([readFileSync(join(corpus, f)), Buffer.from('\nhalt\n')]));
      return file;
    });
}

// zerlant run on a copy named x.asm in a folder of its own: its error lines,
// its count line, all it printed after "now assembling" up to the pause
// (closing), and the .8xe when it wrote one.
export function zerlant(file) {
  const dir = scratch();
  const copy = join(dir, 'x.asm');
  copyFileSync(file, copy);
  const run = spawnSync(join(bin, 'zerlant'), ['x.asm'], { cwd: dir, input: '', encoding: 'latin1' });
  const lines = run.stdout.split('\n').filter((l) => l !== '');
  const errors = lines.slice(1, lines.findIndex((l) => l.startsWith('process stoped')));
  const count = lines.find((l) => l.startsWith('process stoped'));
  const out = join(dir, 'x.8xe');
  const closing = lines.slice(1).filter((l) => !l.startsWith('Press any key'));
  return { dir, copy, errors, count, closing, code: existsSync(out) ? readFileSync(out, 'latin1') : null, out };
}

export function emurunJson(program, init) {
  const args = ['--json', ...(init ? ['--init', init] : []), program];
  return JSON.parse(execFileSync(join(bin, 'emurun'), args, { encoding: 'utf8' }));
}

export { basename };
