// A small Markdown reader for the exercises' task.md: headings, paragraphs,
// lists, `code` and **bold**, built as DOM nodes from text (never as HTML).

export type Inline = { kind: 'text' | 'code' | 'strong'; text: string };
export type Block =
  | { kind: 'heading'; level: number; inlines: Inline[] }
  | { kind: 'paragraph'; inlines: Inline[] }
  | { kind: 'list'; items: Inline[][] }
  | { kind: 'pre'; text: string };

export function parseInline(text: string): Inline[] {
  const out: Inline[] = [];
  const re = /`([^`]*)`|\*\*([^*]+)\*\*/g;
  let last = 0;
  for (let m = re.exec(text); m; m = re.exec(text)) {
    if (m.index > last) out.push({ kind: 'text', text: text.slice(last, m.index) });
    out.push(m[1] !== undefined ? { kind: 'code', text: m[1] } : { kind: 'strong', text: m[2] });
    last = m.index + m[0].length;
  }
  if (last < text.length) out.push({ kind: 'text', text: text.slice(last) });
  return out;
}

export function parseMarkdown(md: string): Block[] {
  const blocks: Block[] = [];
  const lines = md.replace(/\r\n/g, '\n').split('\n');
  let para: string[] = [];
  let list: string[] | null = null;
  const flush = () => {
    if (para.length) blocks.push({ kind: 'paragraph', inlines: parseInline(para.join(' ')) });
    para = [];
    if (list) blocks.push({ kind: 'list', items: list.map(parseInline) });
    list = null;
  };
  for (let i = 0; i < lines.length; i++) {
    const line = lines[i];
    if (line.startsWith('```')) {
      flush();
      const body: string[] = [];
      for (i++; i < lines.length && !lines[i].startsWith('```'); i++) body.push(lines[i]);
      blocks.push({ kind: 'pre', text: body.join('\n') });
      continue;
    }
    const h = /^(#{1,6})\s+(.*)$/.exec(line);
    if (h) {
      flush();
      blocks.push({ kind: 'heading', level: h[1].length, inlines: parseInline(h[2]) });
    } else if (/^\s*[-*]\s+/.test(line)) {
      if (para.length) {
        blocks.push({ kind: 'paragraph', inlines: parseInline(para.join(' ')) });
        para = [];
      }
      list ??= [];
      list.push(line.replace(/^\s*[-*]\s+/, ''));
    } else if (line.trim() === '') {
      flush();
    } else if (list && /^\s+/.test(line)) {
      list[list.length - 1] += ' ' + line.trim();
    } else {
      if (list) flush();
      para.push(line.trim());
    }
  }
  flush();
  return blocks;
}

export function renderMarkdown(md: string, doc: Document, headingBase = 2): DocumentFragment {
  const frag = doc.createDocumentFragment();
  const inl = (parent: HTMLElement, inlines: Inline[]) => {
    for (const i of inlines) {
      if (i.kind === 'text') parent.append(doc.createTextNode(i.text));
      else {
        const el = doc.createElement(i.kind === 'code' ? 'code' : 'strong');
        el.textContent = i.text;
        parent.append(el);
      }
    }
  };
  for (const b of parseMarkdown(md)) {
    if (b.kind === 'heading') {
      const el = doc.createElement(`h${Math.min(6, b.level + headingBase)}`);
      inl(el, b.inlines);
      frag.append(el);
    } else if (b.kind === 'paragraph') {
      const el = doc.createElement('p');
      inl(el, b.inlines);
      frag.append(el);
    } else if (b.kind === 'list') {
      const ul = doc.createElement('ul');
      for (const item of b.items) {
        const li = doc.createElement('li');
        inl(li, item);
        ul.append(li);
      }
      frag.append(ul);
    } else {
      const pre = doc.createElement('pre');
      pre.textContent = b.text;
      frag.append(pre);
    }
  }
  return frag;
}
