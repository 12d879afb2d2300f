// The editor's knowledge of the language, all of it taken from the core's
// instruction table and register names: colours, completion and tips.
import { StreamLanguage, HighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { tags as t } from '@lezer/highlight';
import { autocompletion, type CompletionContext, type CompletionResult } from '@codemirror/autocomplete';
import { hoverTooltip } from '@codemirror/view';
import type { Extension } from '@codemirror/state';
import type { InstructionInfo } from '@mox77core';

export function languageFor(table: InstructionInfo[], registers: string[]): Extension {
  const mnemonics = new Map(table.map((i) => [i.mnemonic, i]));
  const regs = new Set(registers);
  const lang = StreamLanguage.define<null>({
    name: 'mox77',
    startState: () => null,
    token(stream) {
      if (stream.eatSpace()) return null;
      if (stream.peek() === ';') {
        stream.skipToEnd();
        return 'comment';
      }
      if (stream.match(/^[A-Za-z0-9]+/)) {
        const w = stream.current();
        if (mnemonics.has(w)) return 'keyword';
        if (regs.has(w)) return 'variableName';
        if (/^[0-9a-fA-F]+$/.test(w)) return 'number';
        return null;
      }
      stream.next();
      return stream.current() === ',' ? 'punctuation' : null;
    },
    languageData: { commentTokens: { line: ';' } },
  });

  const complete = (ctx: CompletionContext): CompletionResult | null => {
    const word = ctx.matchBefore(/[A-Za-z0-9]*/);
    if (!word) return null;
    const line = ctx.state.doc.lineAt(ctx.pos);
    const before = line.text.slice(0, word.from - line.from);
    if (before.includes(';')) return null;
    if (word.from === word.to && !ctx.explicit) return null;
    if (before.trim() === '') {
      return {
        from: word.from,
        options: table.map((i) => ({
          label: i.mnemonic,
          type: 'keyword',
          detail: i.form,
          info: `word ${i.word}: ${i.effect}`,
          apply: i.operands === 'None' ? i.mnemonic : i.mnemonic + ' ',
        })),
        validFor: /^[a-z]*$/,
      };
    }
    const m = /^\s*([a-z]+)\b/.exec(before);
    const info = m ? mnemonics.get(m[1]) : undefined;
    if (!info || info.operands === 'None') return null;
    const commas = (before.match(/,/g) || []).length;
    const wantsRegister = commas === 0 || info.operands === 'TwoRegisters';
    if (!wantsRegister) return null;
    return {
      from: word.from,
      options: registers.map((r, n) => ({ label: r, type: 'variable', detail: `register ${n.toString(16)}` })),
      validFor: /^[a-z]*$/,
    };
  };

  const hover = hoverTooltip((view, pos) => {
    const line = view.state.doc.lineAt(pos);
    const text = line.text;
    let from = pos - line.from;
    let to = from;
    while (from > 0 && /[a-z]/.test(text[from - 1])) from--;
    while (to < text.length && /[a-z]/.test(text[to])) to++;
    const word = text.slice(from, to);
    const info = mnemonics.get(word);
    if (!info || text.slice(0, from).includes(';')) return null;
    return {
      pos: line.from + from,
      end: line.from + to,
      above: true,
      create() {
        const dom = document.createElement('div');
        dom.className = 'mox-tip';
        const form = document.createElement('strong');
        form.textContent = info.form;
        const rest = document.createElement('div');
        rest.textContent = `word ${info.word}: ${info.effect}`;
        dom.append(form, rest);
        return { dom };
      },
    };
  });

  // Nothing chosen until the arrow keys move into the list: Enter at the end
  // of "add ax, bx" starts a line, however fast the list opened.
  return [lang, autocompletion({ override: [complete], selectOnOpen: false }), hover];
}

export const highlight = syntaxHighlighting(
  HighlightStyle.define([
    { tag: t.keyword, class: 'tok-mnemonic' },
    { tag: t.variableName, class: 'tok-register' },
    { tag: t.number, class: 'tok-value' },
    { tag: t.comment, class: 'tok-comment' },
  ]),
);
