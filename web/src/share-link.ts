// Copy link and opening a link: the program travels in the address's
// fragment, which the browser never sends anywhere.
import { decodeBytes } from './bytes';
import { makeFragment, readFragment } from './share';
import { sourceBytes } from './editor';
import { mayReplace, replaceDocument } from './files';
import { notice, pageMessage } from './messages';
import { $, page } from './state';

let sharedHandled = '';

async function copyLink() {
  const link = makeFragment({ name: page.stored.fileName, bytes: sourceBytes() }).then((frag) => {
    const url = location.href.split('#')[0] + frag;
    history.replaceState(null, '', frag);
    sharedHandled = frag;
    $('share-out').hidden = false;
    $<HTMLInputElement>('share-link').value = url;
    return url;
  });
  // The write starts within the click, holding the link still being made:
  // Safari counts a write begun after an await as no longer the student's.
  const copied = (async () => {
    const text = link.then((url) => new Blob([url], { type: 'text/plain' }));
    await navigator.clipboard.write([new ClipboardItem({ 'text/plain': text })]);
  })();
  await link;
  try {
    await copied;
    notice('Link copied. The program travels in the part after #, which the browser never sends anywhere.');
  } catch {
    $<HTMLInputElement>('share-link').select();
    notice('The link is in the field below the editor: copy it from there.');
  }
}

export async function openSharedLink() {
  const hash = location.hash;
  if (!hash || hash === sharedHandled) return;
  sharedHandled = hash;
  const shared = await readFragment(hash);
  if (!shared) return;
  if (shared === 'too large') {
    pageMessage('The program of this link is too large to open (over 16 MiB, as a file may be at most). Nothing was changed.', 'Link', 'error');
    return;
  }
  const d = decodeBytes(shared.bytes);
  if (await mayReplace(`the program of the link (${shared.name})`, d.text)) {
    page.opened8xe = null;
    replaceDocument(d.text, shared.name, d.encoding, d.eol, null);
    pageMessage(`Opened ${shared.name} from the link.`, 'Link');
  }
}

export function wireShare() {
  $('share').addEventListener('click', () => void copyLink());
  window.addEventListener('hashchange', () => void openSharedLink());
}
