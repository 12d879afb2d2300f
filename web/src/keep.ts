// Keeping the text in the browser: shortly after each change and at once
// when the page is hidden or left.
import { save as saveKept, unsaved } from './storage';
import { text } from './editor';
import { page, on, emit } from './state';
import { notice } from './messages';

let persistTimer: number | undefined;

export function persist(now = false) {
  page.kept.text = text();
  if (now) {
    clearTimeout(persistTimer);
    persistTimer = undefined;
    const failed = !saveKept(globalThis.localStorage, page.kept);
    if (failed !== page.keptFailed) {
      page.keptFailed = failed;
      if (failed) notice('The browser has no room to keep this text: save it to a file, or a reload loses it.');
      emit('file');
    }
  } else if (persistTimer === undefined) {
    persistTimer = window.setTimeout(() => persist(true), 120);
  }
}
on('text', () => persist());

window.addEventListener('pagehide', () => persist(true));
document.addEventListener('visibilitychange', () => document.visibilityState === 'hidden' && persist(true));
window.addEventListener('beforeunload', (e) => {
  persist(true);
  if (unsaved(page.kept)) {
    e.preventDefault();
    e.returnValue = '';
  }
});
