// Writes the TextMate grammar from the core's own instruction table and
// register names, so that the colours never disagree with the assembler.
// Usage: node tools/grammar.mjs <core.mjs> <out.json>
import { writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

const [corePath, out] = process.argv.slice(2);
const { default: createCore } = await import(pathToFileURL(resolve(corePath)).href);
const core = await createCore();
const words = (list) => `\\b(${list.join('|')})\\b`;
const grammar = {
  name: 'MOX77 assembly',
  scopeName: 'source.mox77',
  patterns: [
    { name: 'comment.line.semicolon.mox77', match: ';.*$' },
    { name: 'keyword.other.mnemonic.mox77', match: words(core.instructionTable().map((i) => i.mnemonic)) },
    { name: 'variable.other.register.mox77', match: words(core.registerNames()) },
    { name: 'constant.numeric.hex.mox77', match: '\\b[0-9A-Fa-f]+\\b' },
    { name: 'punctuation.separator.mox77', match: ',' },
  ],
};
writeFileSync(out, JSON.stringify(grammar, null, 2) + '\n');
