import { expect, it } from 'vitest';
import fs from 'node:fs';
import path from 'node:path';
import { collectExercises, openedExercise } from '../src/exercises';

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

it('every exercise folder gives one exercise, its JSON files handed on whole for the core to pair', () => {
  const files = repoFiles();
  const list = collectExercises(files);
  const folders = fs.readdirSync(root).filter((d) => fs.statSync(path.join(root, d)).isDirectory()).sort();
  expect(list.map((e) => e.id)).toEqual(folders);
  for (const ex of list) {
    const dir = path.join(root, ex.id);
    const json = fs.readdirSync(dir).filter((f) => f.endsWith('.json')).sort();
    expect(Object.keys(ex.files).sort()).toEqual(json);
    for (const f of json) expect(ex.files[f]).toBe(fs.readFileSync(path.join(dir, f), 'utf8'));
    expect(ex.start).toBe(fs.readFileSync(path.join(dir, 'start.asm'), 'utf8'));
    expect(ex.title).not.toMatch(/^#/);
  }
});

it('a folder without its task or start file is left out; one without starts stays, for Check to say so', () => {
  const list = collectExercises({
    '/x/a/task.md': '# A', // no start.asm
    '/x/b/task.md': '# B', '/x/b/start.asm': 'halt', // no expected.json
    '/x/c/task.md': '# C', '/x/c/start.asm': 'halt', '/x/c/expected.json': '{}', '/x/c/notes.txt': 'x',
  });
  expect(list.map((e) => e.id)).toEqual(['b', 'c']);
  expect(list[1].files).toEqual({ 'expected.json': '{}' });
});

it.each(['../../etc', 'a\\b', ' '])('an opened exercise from folder %j keeps one plain name and its own files, apart from the bundled', (folder) => {
  const ex = openedExercise({ folder, files: { 'task.md': '# A', 'start.asm': 'halt', 'expected.json': '{}', 'solution.asm': 'inc ax' } })!;
  expect([/^[^./\\\s][^/\\]*$/.test(ex.folder), Object.keys(ex.files), ex.id === ex.folder]).toEqual([true, ['expected.json'], false]);
});
