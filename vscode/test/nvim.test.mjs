// A real editor as the client: Neovim, headless, attaches the language
// server with its built-in client and writes the diagnostics it received.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { scratch, server, zerlant } from './helpers.mjs';

test('Neovim shows zerlant\'s lines for a source with two errors', () => {
  const dir = scratch();
  const source = join(dir, 'two.asm');
  writeFileSync(source, '; two mistakes\nload ax, 2a\nlod bx, 05\nadd ax\nhalt\n');
  const expected = zerlant(source);
  assert.equal(expected.errors.length, 2);
  const out = join(dir, 'diagnostics.txt');
  const run = spawnSync('nvim', ['--headless', '--clean', '-u', 'NONE', '-c', `luafile ${fileURLToPath(new URL('nvim/diagnostics.lua', import.meta.url))}`], {
    env: { ...process.env, MOX77_SOURCE: source, MOX77_OUT: out, MOX77_LSP: server('mox77-lsp.js'), MOX77_NODE: process.execPath, MOX77_WANT: '2' },
    timeout: 60000,
    encoding: 'utf8',
  });
  assert.equal(run.status, 0, run.stderr);
  const lines = readFileSync(out, 'utf8').trimEnd().split('\n');
  assert.deepEqual(
    lines,
    expected.errors.map((e) => `${/line\((\d+)\)/.exec(e)[1]}: ${e}`),
  );
});
