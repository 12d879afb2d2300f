import { expect, it } from 'vitest';
import { collapse, announce } from '../src/changes';

it('a place changed many times is lit once, from its first value to its last', () => {
  const lit = collapse([
    { where: 'register', index: 0, before: 0, after: 1 },
    { where: 'memory', index: 0, before: 5, after: 6 },
    { where: 'register', index: 0, before: 1, after: 2 },
    { where: 'register', index: 3, before: 7, after: 8 },
    { where: 'register', index: 3, before: 8, after: 7 }, // back where it was
  ]);
  expect(lit).toEqual([
    { where: 'register', index: 0, before: 0, after: 2 },
    { where: 'memory', index: 0, before: 5, after: 6 },
  ]);
});

it('announces each change, and counts the rest past the limit', () => {
  const lit = Array.from({ length: 4 }, (_, i) => ({ where: 'register' as const, index: i, before: 0, after: 255 }));
  const text = announce(lit, (l) => `r${l.index}`, (v) => v.toString(16), 2);
  expect(text).toBe('r0: was 0, now ff; r1: was 0, now ff; and 2 more');
});
