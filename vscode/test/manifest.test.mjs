// The packaged extension: what VS Code reads from the .vsix before it runs
// anything (languages, grammar, debugger, activation, engines), and the
// files those entries point at.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { core, root } from './helpers.mjs';

const pkg = JSON.parse(readFileSync(join(root, 'vscode/package.json'), 'utf8'));
const vsix = join(root, 'build/vscode', `mox77-${pkg.version}.vsix`);
const listing = execFileSync('unzip', ['-Z1', vsix], { encoding: 'utf8' }).split('\n');
const read = (name) => execFileSync('unzip', ['-p', vsix, name], { encoding: 'utf8', maxBuffer: 1 << 26 });
const manifest = JSON.parse(read('extension/package.json'));
const inside = (path) => listing.includes(join('extension', path.replace(/^\.\//, '')));

test('the .vsix carries the manifest it was built from, and every file it names', () => {
  assert.deepEqual(manifest, pkg);
  assert.match(read('extension.vsixmanifest'), new RegExp(`Version="${pkg.version}"`));
  for (const file of [manifest.main, 'server/mox77-lsp.js', 'server/mox77-dap.js', 'server/package.json'])
    assert.ok(inside(file), file);
  // "Open in the web edition" opens the page built with the extension.
  if (existsSync(join(root, 'build/web/mox77.html'))) assert.ok(inside('web/mox77.html'));
  assert.ok(!listing.some((f) => f.includes('node_modules')), 'the servers are bundled, not shipped as packages');
  assert.equal(read('extension/server/mox77-lsp.js'), readFileSync(join(root, 'build/vscode/server/mox77-lsp.js'), 'utf8'));
});

test('language, grammar and engines', async () => {
  const [language] = manifest.contributes.languages;
  assert.equal(language.id, 'mox77');
  assert.deepEqual(language.extensions, ['.asm']);
  assert.ok(inside(language.configuration));
  const [grammar] = manifest.contributes.grammars;
  assert.equal(grammar.language, 'mox77');
  assert.ok(inside(grammar.path));
  const tm = JSON.parse(read(join('extension', grammar.path.replace(/^\.\//, ''))));
  assert.equal(tm.scopeName, grammar.scopeName);
  // The grammar colours exactly the core's mnemonics and registers, whole words only.
  const mox = await core();
  const scopeOf = (word) =>
    tm.patterns.find((p) => new RegExp(`^(?:${p.match})$`).test(word))?.name.split('.').slice(0, 2).join('.');
  for (const m of mox.instructionTable()) assert.equal(scopeOf(m.mnemonic), 'keyword.other', m.mnemonic);
  for (const r of mox.registerNames()) assert.equal(scopeOf(r), 'variable.other', r);
  for (const word of ['move', 'qx', 'LOAD']) assert.ok(!['keyword.other', 'variable.other'].includes(scopeOf(word)), word);
  const [major, minor] = manifest.engines.vscode.replace(/^\^/, '').split('.').map(Number);
  const [tMajor, tMinor] = manifest.devDependencies['@types/vscode'].split('.').map(Number);
  assert.ok(major > tMajor || (major === tMajor && minor >= tMinor), 'engines covers the API the extension is typed against');
});

test('debugger, activation and commands', () => {
  const [debug] = manifest.contributes.debuggers;
  assert.equal(debug.type, 'mox77');
  assert.deepEqual(Object.keys(debug.configurationAttributes.launch.properties).sort(), ['exercise', 'program', 'radix', 'stopOnEntry']);
  assert.deepEqual(debug.configurationAttributes.launch.properties.radix.enum, [2, 10, 16]);
  assert.ok(debug.configurationSnippets.length > 0);
  assert.deepEqual(manifest.contributes.breakpoints, [{ language: 'mox77' }]);
  assert.ok(manifest.activationEvents.includes('onDebugResolve:mox77'));
  assert.ok(manifest.activationEvents.includes('onLanguage:mox77'));
  const commands = manifest.contributes.commands.map((c) => c.command);
  assert.deepEqual(commands.sort(), ['mox77.assemble', 'mox77.openWebEdition', 'mox77.toggleRadix']);
  // Every contributed command is one the extension registers.
  const main = read(join('extension', manifest.main.replace(/^\.\//, '')));
  for (const c of commands) assert.ok(main.includes(`registerCommand("${c}"`), c);
});
