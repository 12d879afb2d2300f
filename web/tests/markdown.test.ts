import { expect, it } from 'vitest';
import { parseMarkdown, parseInline } from '../src/markdown';

it('reads the parts a task uses', () => {
  const md = '# 02 · A sum\n\nRead `loadm ax, 00`\nand add.\n\n**Task.** Add them.\n\n**Hints**\n- one `x`\n  continued\n- two\n\n```\nload ax, 01\n```\n';
  expect(parseMarkdown(md)).toEqual([
    { kind: 'heading', level: 1, inlines: [{ kind: 'text', text: '02 · A sum' }] },
    { kind: 'paragraph', inlines: [{ kind: 'text', text: 'Read ' }, { kind: 'code', text: 'loadm ax, 00' }, { kind: 'text', text: ' and add.' }] },
    { kind: 'paragraph', inlines: [{ kind: 'strong', text: 'Task.' }, { kind: 'text', text: ' Add them.' }] },
    { kind: 'paragraph', inlines: [{ kind: 'strong', text: 'Hints' }] },
    { kind: 'list', items: [[{ kind: 'text', text: 'one ' }, { kind: 'code', text: 'x' }, { kind: 'text', text: ' continued' }], [{ kind: 'text', text: 'two' }]] },
    { kind: 'pre', text: 'load ax, 01' },
  ]);
});

it('keeps markup-like text as text', () => {
  expect(parseInline('<img src=x onerror=alert(1)> `<b>`')).toEqual([
    { kind: 'text', text: '<img src=x onerror=alert(1)> ' },
    { kind: 'code', text: '<b>' },
  ]);
});
