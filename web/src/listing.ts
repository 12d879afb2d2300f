// The program listing: one row per word with its source form (from the
// core's describeWord) and its source line; only the rows in view exist,
// so a program of 100,000 words lists at once.

// The row height comes from the style sheet (--listing-row), larger for
// fingers than for a mouse.
function rowHeight(el: HTMLElement): number {
  return parseFloat(getComputedStyle(el).getPropertyValue('--listing-row')) || 24;
}

export class Listing {
  words: string[] = [];
  lines: number[] | null = null;
  private next = -1;
  private raw = '';
  private describe: (w: string) => string = (w) => w;
  private cache = new Map<number, string>();
  private inner: HTMLElement;
  private row = 24;
  // The rows in the page: a Step that keeps them only moves the mark, so
  // the browser lays out and shapes two rows, not all of them.
  private shown = { first: -1, last: -1 };
  // Stored from the events, not read back: reading either after a change
  // makes the browser lay the page out at once, in the middle of a Step.
  private top = 0;
  private height = 400;

  constructor(private el: HTMLElement, private onPick: (line: number) => void) {
    this.inner = el.querySelector('.listing-inner') as HTMLElement;
    el.addEventListener('scroll', () => {
      this.top = el.scrollTop;
      this.paint();
    });
    new ResizeObserver(() => {
      this.height = el.clientHeight || 400;
      if (rowHeight(el) !== this.row) {
        this.row = rowHeight(el);
        this.inner.style.height = `${this.words.length * this.row}px`;
        this.shown.first = -1;
      }
      this.paint();
    }).observe(el);
    this.row = rowHeight(el);
    this.paint();
  }

  setDescriber(d: (w: string) => string) {
    this.describe = d;
    this.cache.clear();
    this.shown.first = -1;
  }

  // The listing text as the run control shows it: the words back to back.
  setText(text: string, lines: number[] | null) {
    this.raw = text;
    this.words = /^[0-9A-Fa-f]*$/.test(text) ? (text.match(/.{1,4}/g) ?? []) : [];
    this.lines = lines && lines.length === this.words.length ? lines : null;
    this.cache.clear();
    this.next = -1;
    this.inner.style.height = `${this.words.length * this.row}px`;
    this.scrollTo(0);
    this.shown.first = -1;
    this.paint();
  }

  setNext(n: number) {
    if (n === this.next) return;
    this.next = n;
    if (n >= 0 && n < this.words.length) {
      const top = n * this.row;
      if (top < this.top) this.scrollTo(Math.max(0, top - this.row));
      else if (top + this.row > this.top + this.height) this.scrollTo(top + 2 * this.row - this.height);
    }
    this.paint();
  }

  private scrollTo(top: number) {
    this.top = top;
    this.el.scrollTop = top;
  }

  private text(i: number): string {
    let t = this.cache.get(i);
    if (t === undefined) {
      const w = this.words[i];
      t = w.length === 4 ? this.describe(w) : `${w}  (not a whole word)`;
      this.cache.set(i, t);
    }
    return t;
  }

  private paint() {
    const { inner } = this;
    if (this.words.length === 0) {
      const p = document.createElement('p');
      p.className = 'empty';
      p.textContent = this.raw ? `Not a program: ${this.raw.slice(0, 40)}` : 'No program loaded';
      inner.replaceChildren(p);
      inner.style.height = '';
      this.shown.first = -1;
      return;
    }
    const first = Math.max(0, Math.floor(this.top / this.row) - 4);
    const last = Math.min(this.words.length, first + Math.ceil(this.height / this.row) + 8);
    if (first !== this.shown.first || last !== this.shown.last) {
      const rows: HTMLElement[] = [];
      for (let i = first; i < last; i++) rows.push(this.makeRow(i));
      inner.replaceChildren(...rows);
      this.shown = { first, last };
    }
    for (const b of inner.children as HTMLCollectionOf<HTMLElement>) this.markRow(b, Number(b.dataset.i));
  }

  private makeRow(i: number): HTMLElement {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'row';
    b.dataset.i = String(i);
    b.style.top = `${i * this.row}px`;
    b.style.height = `${this.row}px`;
    const w = document.createElement('span');
    w.textContent = this.text(i);
    b.append(w);
    // the name a screen reader says: the word, a pause, its line
    let name = w.textContent;
    const line = this.lines?.[i];
    if (line !== undefined) {
      const l = document.createElement('span');
      l.className = 'line';
      l.textContent = `line ${line + 1}`;
      b.append(' ', l); // a space the layout drops and the name keeps
      b.addEventListener('click', () => this.onPick(line));
      name += `, ${l.textContent}`;
    }
    b.dataset.name = name;
    return b;
  }

  private markRow(b: HTMLElement, i: number) {
    const next = i === this.next;
    if (b.hasAttribute('aria-current') === next && b.hasAttribute('aria-label')) return;
    b.toggleAttribute('aria-current', next);
    if (next) b.setAttribute('aria-current', 'step');
    b.setAttribute('aria-label', next ? `next: ${b.dataset.name}` : b.dataset.name!);
  }
}
