// The parts of the page (Program, Machine, Memory Map, Exercise, and any
// panel added with a tab of its own) reached by a tab bar when the page is
// one column; on a wide screen the style sheet shows them all at once.
const tabs = () => [...document.querySelectorAll<HTMLButtonElement>('#parts [role=tab]')];

export function showPane(paneId: string) {
  for (const t of tabs()) {
    const on = t.getAttribute('aria-controls') === paneId;
    t.setAttribute('aria-selected', String(on));
    t.tabIndex = on ? 0 : -1;
    document.getElementById(t.getAttribute('aria-controls')!)?.toggleAttribute('data-current', on);
  }
}

export function currentPane(): string {
  return tabs().find((t) => t.getAttribute('aria-selected') === 'true')?.getAttribute('aria-controls') ?? '';
}

// A part that comes and goes (the Exercise) takes its tab with it.
export function setPaneAvailable(paneId: string, available: boolean) {
  const tab = tabs().find((t) => t.getAttribute('aria-controls') === paneId);
  if (!tab) return;
  tab.hidden = !available;
  if (!available && currentPane() === paneId) showPane('edit-pane');
}

export function wireTabs() {
  const bar = document.getElementById('parts')!;
  // the run controls stick just below the tab bar, as many rows high as the
  // width makes it; set on the run bar alone, as one on the root would have
  // the whole page's style worked out again
  const runBar = document.getElementById('run-bar')!;
  new ResizeObserver(() => runBar.style.setProperty('--parts-height', `${bar.offsetHeight}px`)).observe(bar);
  bar.addEventListener('click', (e) => {
    const tab = (e.target as HTMLElement).closest<HTMLButtonElement>('[role=tab]');
    if (!tab) return;
    showPane(tab.getAttribute('aria-controls')!);
    // the part from its top, just below the bar that stays on screen
    window.scrollTo(0, document.getElementById('parts')!.offsetTop);
  });
  // arrow keys move along the tabs, as in any tab bar
  bar.addEventListener('keydown', (e) => {
    const shown = tabs().filter((t) => !t.hidden);
    const at = shown.indexOf(e.target as HTMLButtonElement);
    if (at < 0) return;
    const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: shown.length - 1 }[e.key];
    if (to === undefined) return;
    e.preventDefault();
    const tab = shown[(to + shown.length) % shown.length];
    showPane(tab.getAttribute('aria-controls')!);
    tab.focus();
  });
}
