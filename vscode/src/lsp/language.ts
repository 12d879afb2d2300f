// What the language server knows of a source, computed from the core on each
// request: the assembler's errors and words, the instruction table, the
// number formats. Nothing here decides what a line means.
import type { Core, InstructionInfo } from '@mox77core';
import {
  CodeAction,
  CodeActionKind,
  CompletionItem,
  CompletionItemKind,
  Diagnostic,
  DiagnosticSeverity,
  Hover,
  InlayHint,
  MarkupKind,
  Position,
  Range,
  SignatureHelp,
} from 'vscode-languageserver';
import type { TextDocument } from 'vscode-languageserver-textdocument';
import { bytesOf } from '../core';

// The semantic token types, in legend order: mnemonic, register, value, comment.
export const tokenTypes = ['keyword', 'variable', 'number', 'comment'];
const [MNEMONIC, REGISTER, VALUE, COMMENT] = [0, 1, 2, 3];

export interface Checked {
  diagnostics: Diagnostic[];
  errorCount: number;
  summary: string; // zerlant's count line
}

// The assembler counts lines by their line feeds after text-mode reading, so
// a carriage return of its own stays inside a line: spans are found by line
// feed, then mapped to the editor's positions through offsets.
function lineSpans(text: string): { start: number; end: number }[] {
  const spans: { start: number; end: number }[] = [];
  let start = 0;
  for (;;) {
    const lf = text.indexOf('\n', start);
    const stop = lf < 0 ? text.length : lf;
    const end = stop > start && text[stop - 1] === '\r' ? stop - 1 : stop;
    spans.push({ start, end });
    if (lf < 0) return spans;
    start = lf + 1;
  }
}

function spanRange(doc: TextDocument, span: { start: number; end: number }): Range {
  return Range.create(doc.positionAt(span.start), doc.positionAt(span.end));
}

// The missing halt belongs to no line: it is shown on the last line with text.
function lastTextSpan(text: string) {
  const spans = lineSpans(text);
  for (let i = spans.length - 1; i >= 0; i--) if (spans[i].end > spans[i].start) return spans[i];
  return spans[0];
}

export function check(core: Core, doc: TextDocument): Checked {
  const text = doc.getText();
  const run = core.assemble(bytesOf(text));
  const spans = lineSpans(text);
  const diagnostics = run.errors.map((e) => {
    const span = e.index >= 0 && e.index < spans.length ? spans[e.index] : lastTextSpan(text);
    return {
      range: spanRange(doc, span),
      severity: DiagnosticSeverity.Error,
      source: 'zerlant',
      message: e.line,
      data: { index: e.index },
    };
  });
  return { diagnostics, errorCount: run.errorCount, summary: core.errorCountLine(run.errorCount) };
}

interface Word {
  text: string;
  from: number; // character in the line
  to: number;
}

function wordAt(line: string, character: number): Word | null {
  let from = character;
  let to = character;
  while (from > 0 && /[A-Za-z0-9]/.test(line[from - 1])) from--;
  while (to < line.length && /[A-Za-z0-9]/.test(line[to])) to++;
  return from === to ? null : { text: line.slice(from, to), from, to };
}

function lineText(doc: TextDocument, line: number): string {
  return doc.getText(Range.create(line, 0, line + 1, 0)).replace(/\r?\n$/, '');
}

function instructionDoc(info: InstructionInfo): string {
  return `word ${info.word}: ${info.effect}`;
}

// The instruction a line holds, as far as its first word names one.
function instructionOf(core: Core, before: string): InstructionInfo | undefined {
  const first = /^\s*([A-Za-z0-9]+)/.exec(before);
  return first ? core.instructionTable().find((i) => i.mnemonic === first[1]) : undefined;
}

// Each operand's name in the instruction's form: "load reg, nn" gives reg, nn.
function operandNames(info: InstructionInfo): string[] {
  const rest = info.form.slice(info.mnemonic.length).trim();
  return rest ? rest.split(',').map((s) => s.trim()) : [];
}

export function completion(core: Core, doc: TextDocument, at: Position): CompletionItem[] {
  const before = lineText(doc, at.line).slice(0, at.character);
  if (before.includes(';')) return [];
  const typed = /[A-Za-z0-9]*$/.exec(before)![0];
  const lead = before.slice(0, before.length - typed.length);
  if (lead.trim() === '') {
    return core.instructionTable().map((info, n) => ({
      label: info.mnemonic,
      kind: CompletionItemKind.Keyword,
      detail: `${info.form}    word ${info.word}`,
      documentation: instructionDoc(info),
      sortText: String(n).padStart(2, '0'),
    }));
  }
  const info = instructionOf(core, lead);
  if (!info) return [];
  const operand = operandNames(info)[(lead.match(/,/g) ?? []).length];
  if (operand !== 'reg' && operand !== 'src') return [];
  return core.registerNames().map((name, n) => ({
    label: name,
    kind: CompletionItemKind.Variable,
    detail: `register ${n.toString(16)}`,
  }));
}

export function hover(core: Core, doc: TextDocument, at: Position): Hover | null {
  const line = lineText(doc, at.line);
  const word = wordAt(line, at.character);
  if (!word || line.slice(0, word.from).includes(';')) return null;
  const range = Range.create(at.line, word.from, at.line, word.to);
  const info = core.instructionTable().find((i) => i.mnemonic === word.text);
  if (info) {
    return {
      range,
      contents: { kind: MarkupKind.Markdown, value: `\`${info.form}\`  \nword \`${info.word}\`: ${info.effect}` },
    };
  }
  const register = core.registerNames().indexOf(word.text);
  if (register >= 0) {
    return { range, contents: { kind: MarkupKind.Markdown, value: `register \`${word.text}\`, number ${register.toString(16)}` } };
  }
  // A value: what the assembler reads as hexadecimal, up to a register's 32 bits.
  const digits = word.text.replace(/^0+(?=.)/, '');
  if (/^[0-9A-Fa-f]+$/.test(digits) && digits.length <= 8) {
    const value = parseInt(digits, 16) | 0;
    const bases = [2, 10, 16].map((radix) => `${core.formatNumber(value, core.baseOfRadix(radix)!)} (base ${radix})`);
    return { range, contents: { kind: MarkupKind.Markdown, value: `value \`${word.text}\`: ${bases.join(', ')}` } };
  }
  return null;
}

export function signatureHelp(core: Core, doc: TextDocument, at: Position): SignatureHelp | null {
  const before = lineText(doc, at.line).slice(0, at.character);
  if (before.includes(';')) return null;
  const info = instructionOf(core, before);
  if (!info || !/^\s*[A-Za-z0-9]+\s/.test(before)) return null;
  const names = operandNames(info);
  if (!names.length) return null;
  let from = info.mnemonic.length;
  const parameters = names.map((name) => {
    from = info.form.indexOf(name, from);
    const label: [number, number] = [from, from + name.length];
    from += name.length;
    return { label };
  });
  const commas = (before.match(/,/g) ?? []).length;
  return {
    signatures: [{ label: info.form, documentation: instructionDoc(info), parameters }],
    activeSignature: 0,
    activeParameter: Math.min(commas, names.length - 1),
  };
}

// Flat, in the protocol's relative encoding: line delta, start delta, length,
// type, modifiers.
export function semanticTokens(core: Core, doc: TextDocument): number[] {
  const mnemonics = new Set(core.instructionTable().map((i) => i.mnemonic));
  const registers = new Set(core.registerNames());
  const data: number[] = [];
  let lastLine = 0;
  let lastStart = 0;
  const push = (line: number, start: number, length: number, type: number) => {
    data.push(line - lastLine, line === lastLine ? start - lastStart : start, length, type, 0);
    lastLine = line;
    lastStart = start;
  };
  for (let line = 0; line < doc.lineCount; line++) {
    const text = lineText(doc, line);
    const comment = text.indexOf(';');
    const code = comment < 0 ? text : text.slice(0, comment);
    for (const m of code.matchAll(/[A-Za-z0-9]+/g)) {
      const w = m[0];
      const type = mnemonics.has(w) ? MNEMONIC : registers.has(w) ? REGISTER : /^[0-9A-Fa-f]+$/.test(w) ? VALUE : -1;
      if (type >= 0) push(line, m.index!, w.length, type);
    }
    if (comment >= 0) push(line, comment, text.length - comment, COMMENT);
  }
  return data;
}

// Each word at the end of the line it came from.
export function inlayHints(core: Core, doc: TextDocument, range: Range): InlayHint[] {
  const text = doc.getText();
  const run = core.assemble(bytesOf(text));
  const spans = lineSpans(text);
  const hints: InlayHint[] = [];
  run.wordLines.forEach((index, n) => {
    const end = doc.positionAt(spans[index].end);
    if (end.line < range.start.line || end.line > range.end.line) return;
    hints.push({ position: end, label: run.machineCode.slice(4 * n, 4 * n + 4).toUpperCase(), paddingLeft: true });
  });
  return hints;
}

// One edit away: a letter changed, added or dropped.
function oneEditApart(a: string, b: string): boolean {
  if (Math.abs(a.length - b.length) > 1 || a === b) return false;
  let i = 0;
  while (i < a.length && i < b.length && a[i] === b[i]) i++;
  if (a.length === b.length) return a.slice(i + 1) === b.slice(i + 1);
  return a.length > b.length ? a.slice(i + 1) === b.slice(i) : a.slice(i) === b.slice(i + 1);
}

function assemblesAlone(core: Core, line: string): boolean {
  const halt = core.instructionTable().find((i) => i.operands === 'None')!.mnemonic;
  return core.assemble(bytesOf(`${line}\n${halt}\n`)).errorCount === 0;
}

// Fixes offered only where they are certain: the one mnemonic a misspelt
// word can be mended to (the mended line then assembles), and the halt a
// program lacks.
export function codeActions(core: Core, doc: TextDocument, diagnostics: Diagnostic[]): CodeAction[] {
  const actions: CodeAction[] = [];
  for (const d of diagnostics) {
    if (d.source !== 'zerlant') continue;
    const index = (d.data as { index?: number } | undefined)?.index;
    if (index === -1) {
      const halt = core.instructionTable().find((i) => i.operands === 'None')!.mnemonic;
      const text = doc.getText();
      const end = doc.positionAt(text.length);
      const newText = text === '' || text.endsWith('\n') ? `${halt}\n` : `\n${halt}\n`;
      actions.push({
        title: `Add a ${halt} line at the end`,
        kind: CodeActionKind.QuickFix,
        diagnostics: [d],
        isPreferred: true,
        edit: { changes: { [doc.uri]: [{ range: Range.create(end, end), newText }] } },
      });
      continue;
    }
    const line = lineText(doc, d.range.start.line);
    const first = /^(\s*)([A-Za-z0-9]+)/.exec(line);
    if (!first) continue;
    const word = first[2];
    const from = first[1].length;
    const fixes = core
      .instructionTable()
      .map((i) => i.mnemonic)
      .filter((m) => (oneEditApart(word, m) || word.toLowerCase() === m) && m !== word)
      .filter((m) => assemblesAlone(core, line.slice(0, from) + m + line.slice(from + word.length)));
    if (fixes.length !== 1) continue;
    actions.push({
      title: `Change '${word}' to '${fixes[0]}'`,
      kind: CodeActionKind.QuickFix,
      diagnostics: [d],
      isPreferred: true,
      edit: {
        changes: {
          [doc.uri]: [{ range: Range.create(d.range.start.line, from, d.range.start.line, from + word.length), newText: fixes[0] }],
        },
      },
    });
  }
  return actions;
}
