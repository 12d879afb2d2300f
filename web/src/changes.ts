// What an action changed, one entry per register or cell: its value before
// the first change and after the last (a full run changes a place many times).
import type { Change } from '@mox77core';

export interface Lit {
  where: 'register' | 'memory';
  index: number;
  before: number;
  after: number;
}

export function collapse(changes: Change[]): Lit[] {
  const by = new Map<string, Lit>();
  for (const c of changes) {
    const key = c.where + c.index;
    const had = by.get(key);
    if (had) had.after = c.after;
    else by.set(key, { where: c.where, index: c.index, before: c.before, after: c.after });
  }
  return [...by.values()].filter((l) => l.before !== l.after);
}

// "ax: was 0, now ff" / "cell 10: was 0, now ff"; at most `limit` named.
export function announce(
  lit: Lit[],
  name: (l: Lit) => string,
  format: (v: number) => string,
  limit = 6,
): string {
  const parts = lit.slice(0, limit).map((l) => `${name(l)}: was ${format(l.before)}, now ${format(l.after)}`);
  if (lit.length > limit) parts.push(`and ${lit.length - limit} more`);
  return parts.join('; ');
}
