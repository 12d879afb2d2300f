import { expect, it } from 'vitest';
import fs from 'node:fs';
import path from 'node:path';
import { collectExercises } from '../src/exercises';

const root = path.resolve(__dirname, '../../examples/exercises');

function repoFiles(): Record<string, string> {
  const out: Record<string, string> = {};
  for (const dir of fs.readdirSync(root)) {
    const d = path.join(root, dir);
    if (!fs.statSync(d).isDirectory()) continue;
    for (const f of fs.readdirSync(d)) out[`/examples/exercises/${dir}/${f}`] = fs.readFileSync(path.join(d, f), 'utf8');
  }
  return out;
}

it('every exercise folder gives one exercise with each of its starts paired with its expected state', () => {
  const files = repoFiles();
  const list = collectExercises(files);
  const folders = fs.readdirSync(root).filter((d) => fs.statSync(path.join(root, d)).isDirectory()).sort();
  expect(list.map((e) => e.id)).toEqual(folders);
  for (const ex of list) {
    const dir = path.join(root, ex.id);
    const expectedFiles = fs.readdirSync(dir).filter((f) => /^expected\d*\.json$/.test(f));
    expect(ex.starts).toHaveLength(expectedFiles.length);
    ex.starts.forEach((s, n) => {
      const suffix = n === 0 ? '' : String(n + 1);
      expect(s.expected).toBe(files[`/examples/exercises/${ex.id}/expected${suffix}.json`]);
      expect(s.init).toBe(files[`/examples/exercises/${ex.id}/init${suffix}.json`] ?? null);
    });
    expect(ex.start).toBe(fs.readFileSync(path.join(dir, 'start.asm'), 'utf8'));
    expect(ex.title).not.toMatch(/^#/);
  }
});

it('a folder without its task, start or expected state is left out', () => {
  const list = collectExercises({
    '/x/a/task.md': '# A', '/x/a/start.asm': 'halt', // no expected.json
    '/x/b/task.md': '# B', '/x/b/start.asm': 'halt', '/x/b/expected.json': '{}',
  });
  expect(list.map((e) => e.id)).toEqual(['b']);
});
