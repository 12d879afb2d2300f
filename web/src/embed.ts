// The page embedded in a course page or a slide: which fragments ask for
// it, and the <iframe> a teacher pastes. Nothing here touches the page.
//
// A fragment is "#" and items joined by "&". An item is key=value (a share
// link's name and p, an exercise link's exercise) or a bare flag:
//
//   embed      the compact page for an iframe, which keeps nothing in the browser
//   datapath   with embed: the datapath drawing too
//   readonly   with embed: the program's text cannot be edited
//
// The flags stand anywhere among the items, in any order, so a share link
// stays one: #embed&readonly&name=a.asm&p=... and #name=a.asm&p=...&embed
// are the same page. A flag given a value is off for 0, false, no and off
// and on for anything else; case, "-" and "_" in its name do not matter
// (read-only, ReadOnly); an item the page does not know is ignored.

export interface Embedding {
  datapath: boolean;
  readonly: boolean;
}

const OFF = new Set(['0', 'false', 'no', 'off']);

function flags(hash: string): Map<string, boolean> {
  const found = new Map<string, boolean>();
  const text = hash.startsWith('#') ? hash.slice(1) : hash;
  for (const [key, value] of new URLSearchParams(text)) {
    found.set(key.toLowerCase().replace(/[-_\s]/g, ''), !OFF.has(value.trim().toLowerCase()));
  }
  return found;
}

// null: the page as it always is.
export function readEmbedding(hash: string): Embedding | null {
  const f = flags(hash);
  if (!f.get('embed')) return null;
  return { datapath: !!f.get('datapath'), readonly: !!f.get('readonly') };
}

// The flags put in front of a share link's fragment ("#name=...&p=...").
export function embedFragment(programFragment: string, e: Embedding): string {
  const items = ['embed', ...(e.datapath ? ['datapath'] : []), ...(e.readonly ? ['readonly'] : [])];
  const rest = programFragment.replace(/^#/, '');
  return `#${items.join('&')}${rest ? `&${rest}` : ''}`;
}

// Room for the editor, Run to Reset and the registers; the drawing's
// frame is wider, as the drawing reads no smaller than 720 px.
export function embedSize(e: Embedding): { width: number; height: number } {
  return e.datapath ? { width: 800, height: 600 } : { width: 600, height: 400 };
}

function attribute(text: string): string {
  return text.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// The snippet for a course page's HTML or a slide: `src` is the page's own
// address with the embed fragment; the title names it for screen readers.
export function embedSnippet(src: string, name: string, e: Embedding): string {
  const { width, height } = embedSize(e);
  const title = `MOX77 register machine: ${name}`;
  return `<iframe src="${attribute(src)}" width="${width}" height="${height}" title="${attribute(title)}" loading="lazy" style="border: 1px solid #767676; max-width: 100%;"></iframe>`;
}
