// A presenter's remote sends Page Down and Page Up (some Right and Left,
// period or B), so a lecture can be given from it with the focus anywhere
// but where those keys already mean something: the program's text, a field,
// a list of choices, a slider, the tabs, a panel that scrolls.

export interface PresenterActions {
  step(): void;
  back(): void;
  blank(): void;
}

const ACTION: Record<string, keyof PresenterActions> = {
  PageDown: 'step', ArrowRight: 'step', '.': 'step',
  PageUp: 'back', ArrowLeft: 'back',
  b: 'blank', B: 'blank',
};

const TEXT_LIKE = new Set(['', 'text', 'search', 'url', 'tel', 'email', 'password', 'number', 'date', 'time', 'datetime-local', 'month', 'week']);

// Whether the focused element would do something of its own with the key.
export function controlUsesKey(el: Element | null, key: string): boolean {
  if (!(el instanceof HTMLElement) || el === document.body) return false;
  if (el.isContentEditable || el.closest('.cm-editor') || el instanceof HTMLTextAreaElement || el instanceof HTMLSelectElement) return true;
  const arrow = key === 'ArrowLeft' || key === 'ArrowRight';
  const paging = key === 'PageUp' || key === 'PageDown';
  if (el instanceof HTMLInputElement) {
    if (TEXT_LIKE.has(el.type)) return !el.readOnly || arrow;
    if (el.type === 'range') return arrow || paging;
    if (el.type === 'radio') return arrow;
    return false;
  }
  const role = el.getAttribute('role') ?? '';
  if (arrow && ['tab', 'tablist', 'listbox', 'option', 'menu', 'menuitem', 'radiogroup', 'slider', 'grid', 'tree'].includes(role)) return true;
  if (arrow) return el.scrollWidth > el.clientWidth;
  if (paging) return el.scrollHeight > el.clientHeight;
  return false;
}

// `quiet`: a dialog or anything else that owns the keys for now.
export function wirePresenterKeys(act: PresenterActions, quiet: () => boolean) {
  // Bubbling, after the focused control's own handlers had their turn.
  window.addEventListener('keydown', (e) => {
    const name = ACTION[e.key];
    if (!name || e.defaultPrevented || e.ctrlKey || e.altKey || e.metaKey || e.isComposing) return;
    if (e.shiftKey && name !== 'blank') return;
    if (quiet() || controlUsesKey(document.activeElement, e.key)) return;
    e.preventDefault();
    act[name]();
  });
}
