import { expect, it } from 'vitest';
import { readEmbedding, embedFragment, embedSnippet, embedSize } from '../src/embed';
import { makeFragment, readFragment } from '../src/share';

it.each([
  ['no fragment', ''],
  ['a bare #', '#'],
  ['a share link', '#name=a.asm&p=abc'],
  ['an exercise link', '#exercise=abc'],
  ['an anchor', '#section-2'],
  ['the flags without embed', '#datapath&readonly&p=abc'],
  ['embed turned off', '#embed=0&p=abc'],
  ['embed turned off in words', '#embed=false'],
  ['embed as a value, not a flag', '#name=embed&p=abc'],
])('%s is the page as it always is', (_, hash) => {
  expect(readEmbedding(hash)).toBeNull();
});

it.each([
  ['#embed', { datapath: false, readonly: false }],
  ['#embed&datapath&readonly&name=a.asm&p=abc', { datapath: true, readonly: true }],
  // after the share link's own items, in any order
  ['#name=a.asm&p=abc&readonly&embed', { datapath: false, readonly: true }],
  ['#p=abc&datapath&embed&name=a.asm', { datapath: true, readonly: false }],
  // values, spellings and flags the page does not know
  ['#embed=1&datapath=no&readonly=yes', { datapath: false, readonly: true }],
  ['#EMBED&Read-Only&Data_Path', { datapath: true, readonly: true }],
  ['#embed&zoom=2&presenter&&&datapath', { datapath: true, readonly: false }],
  ['embed&readonly', { datapath: false, readonly: true }], // without the #
])('%s', (hash, expected) => {
  expect(readEmbedding(hash)).toEqual(expected);
});

it('an embed link is a share link: the program is read from it as from any other', async () => {
  const bytes = new TextEncoder().encode('load ax, ff\nhalt\n');
  const share = await makeFragment({ name: 'first.asm', bytes });
  const embed = embedFragment(share, { datapath: true, readonly: false });
  expect(embed).toBe(`#embed&datapath&${share.slice(1)}`);
  expect(await readFragment(embed)).toEqual({ name: 'first.asm', bytes });
  expect(readEmbedding(embed)).toEqual({ datapath: true, readonly: false });
  expect(embedFragment('', { datapath: false, readonly: true })).toBe('#embed&readonly');
});

it('the snippet is one iframe with its title, size and address, every attribute escaped', () => {
  const src = 'https://course.example/mox77.html#embed&readonly&name=a%22b.asm&p=x-y_z';
  const snippet = embedSnippet(src, 'a "<b>" & c.asm', { datapath: false, readonly: true });
  expect(snippet).toMatch(/^<iframe [^<>]*><\/iframe>$/);
  expect(snippet).toContain('width="600" height="400"');
  expect(snippet).toContain('title="MOX77 register machine: a &quot;&lt;b&gt;&quot; &amp; c.asm"');
  const quoted = /src="([^"]*)"/.exec(snippet)![1];
  expect(quoted.replace(/&amp;/g, '&')).toBe(src);
  expect(embedSnippet(src, 'a.asm', { datapath: true, readonly: false })).toContain(`width="${embedSize({ datapath: true, readonly: false }).width}"`);
  expect(embedSize({ datapath: true, readonly: false }).width).toBeGreaterThanOrEqual(720);
});
