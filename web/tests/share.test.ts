import { expect, it } from 'vitest';
import { makeFragment, readFragment, makeExerciseFragment, readExerciseFragment, type Shared } from '../src/share';

it('a program survives the link, names and bytes alike', async () => {
  const bytes = Uint8Array.from([...new TextEncoder().encode('load ax, ff ; é\r\n'.repeat(200)), 0xe9, 0]);
  const frag = await makeFragment({ name: 'my prog.asm', bytes });
  expect(frag.startsWith('#')).toBe(true);
  expect(frag.length).toBeLessThan(bytes.length); // compressed
  expect(await readFragment(frag)).toEqual({ name: 'my prog.asm', bytes });
});

it.each([
  ['no fragment', ''],
  ['a fragment without a program', '#section-2'],
  ['a damaged program', '#p=not-deflate-data'],
])('%s gives nothing', async (_, hash) => {
  expect(await readFragment(hash)).toBeNull();
});

it('a name in the link cannot name a folder', async () => {
  const frag = await makeFragment({ name: '../../etc/passwd', bytes: new Uint8Array([104]) });
  expect(((await readFragment(frag)) as Shared).name).not.toMatch(/\//);
});

it('a link whose program unpacks beyond the limit is refused, not unpacked', async () => {
  const frag = await makeFragment({ name: 'big.asm', bytes: new Uint8Array(4096).fill(32) });
  expect(await readFragment(frag, 4095)).toBe('too large');
  expect(await readFragment(frag, 4096)).toMatchObject({ name: 'big.asm' });
});

it('an exercise link carries the task, start and JSON files, never a solution, and is bounded both ways', async () => {
  const sum = { folder: '02-sum', files: { 'task.md': '# A sum', 'start.asm': 'halt\n', 'expected.json': '{}', 'exercise.json': '{"hidden":8}' } };
  const frag = (await makeExerciseFragment({ ...sum, files: { ...sum.files, 'solution.asm': 'inc ax\n', '../x.json': '{}' } })) as string;
  expect(await readExerciseFragment(frag)).toEqual(sum);
  expect([await readFragment(frag), await readExerciseFragment(await makeFragment({ name: 'a.asm', bytes: new Uint8Array([104]) }))]).toEqual([null, null]);
  expect([await readExerciseFragment(frag, 40), await makeExerciseFragment(sum, 40)]).toEqual(['too large', 'too large']);
});
