// The program listing: one row per word with its source form (from the
// core's describeWord) and its source line; only the rows in view exist,
// so a program of 100,000 words lists at once.

const ROW = 24;

export class Listing {
  words: string[] = [];
  lines: number[] | null = null;
  private next = -1;
  private raw = '';
  private describe: (w: string) => string = (w) => w;
  private cache = new Map<number, string>();
  private inner: HTMLElement;

  constructor(private el: HTMLElement, private onPick: (line: number) => void) {
    this.inner = el.querySelector('.listing-inner') as HTMLElement;
    el.addEventListener('scroll', () => this.paint());
    this.paint();
  }

  setDescriber(d: (w: string) => string) {
    this.describe = d;
    this.cache.clear();
  }

  // The listing text as the run control shows it: the words back to back.
  setText(text: string, lines: number[] | null) {
    this.raw = text;
    this.words = /^[0-9A-Fa-f]*$/.test(text) ? (text.match(/.{1,4}/g) ?? []) : [];
    this.lines = lines && lines.length === this.words.length ? lines : null;
    this.cache.clear();
    this.next = -1;
    this.inner.style.height = `${this.words.length * ROW}px`;
    this.el.scrollTop = 0;
    this.paint();
  }

  setNext(n: number) {
    if (n === this.next) return;
    this.next = n;
    if (n >= 0 && n < this.words.length) {
      const top = n * ROW;
      const h = this.el.clientHeight;
      if (top < this.el.scrollTop) this.el.scrollTop = Math.max(0, top - ROW);
      else if (top + ROW > this.el.scrollTop + h) this.el.scrollTop = top + 2 * ROW - h;
    }
    this.paint();
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
    const { el, inner } = this;
    if (this.words.length === 0) {
      const p = document.createElement('p');
      p.className = 'empty';
      p.textContent = this.raw ? `Not a program: ${this.raw.slice(0, 40)}` : 'No program loaded';
      inner.replaceChildren(p);
      inner.style.height = '';
      return;
    }
    const first = Math.max(0, Math.floor(el.scrollTop / ROW) - 4);
    const last = Math.min(this.words.length, first + Math.ceil((el.clientHeight || 400) / ROW) + 8);
    const rows: HTMLElement[] = [];
    for (let i = first; i < last; i++) {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'row';
      b.style.top = `${i * ROW}px`;
      const w = document.createElement('span');
      w.textContent = this.text(i);
      b.append(w);
      const line = this.lines?.[i];
      if (line !== undefined) {
        const l = document.createElement('span');
        l.className = 'line';
        l.textContent = `line ${line + 1}`;
        b.append(l);
        b.addEventListener('click', () => this.onPick(line));
      }
      if (i === this.next) {
        b.setAttribute('aria-current', 'step');
        b.setAttribute('aria-label', `next: ${b.textContent}`);
      }
      rows.push(b);
    }
    inner.replaceChildren(...rows);
  }
}
