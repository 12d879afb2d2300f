// Copy link, Copy embed code and opening a link: the program, or the
// chosen exercise, travels in the address's fragment, which the browser
// never sends anywhere.
import { decodeBytes, sizeText, MAX_FILE_BYTES } from './bytes';
import { makeFragment, readFragment, makeExerciseFragment, readExerciseFragment } from './share';
import { embedFragment, embedSnippet, type Embedding } from './embed';
import { sourceBytes } from './editor';
import { mayReplace, replaceDocument } from './files';
import { chosenExercise, openExercise } from './exercise-panel';
import { handed } from './exercises';
import { notice, pageMessage } from './messages';
import { $, page, embedding } from './state';

let sharedHandled = '';

interface Copy {
  box: string; // shown, holding `field`
  field: string; // where the text stays to be copied by hand
  where: string; // "below the editor"
  what: string; // "link", "embed code"
  copied: string; // said once it is on the clipboard
  // the text copied, made from the page's address (before #) and the
  // fragment; without it, the link, which the address takes too
  shape?: (address: string, fragment: string) => string;
}

// The text goes onto the clipboard (and a link into the address); where
// the browser will not write there, into the field to copy from. A
// fragment that cannot be made says why, in its error.
async function copyLink(fragment: Promise<string>, c: Copy) {
  const link = fragment.then((frag) => {
    const address = location.href.split('#')[0];
    if (!c.shape) {
      history.replaceState(null, '', frag);
      sharedHandled = frag;
    }
    const out = c.shape ? c.shape(address, frag) : address + frag;
    $(c.box).hidden = false;
    $<HTMLInputElement>(c.field).value = out;
    return out;
  });
  // The write starts within the click, holding the link still being made:
  // Safari counts a write begun after an await as no longer the student's.
  const written = (async () => {
    const text = link.then((out) => new Blob([out], { type: 'text/plain' }));
    text.catch(() => {}); // a link not made is said below, not thrown
    await navigator.clipboard.write([new ClipboardItem({ 'text/plain': text })]);
  })();
  try {
    await link;
  } catch (e) {
    void written.catch(() => {});
    notice((e as Error).message);
    return;
  }
  try {
    await written;
    notice(c.copied);
  } catch {
    $<HTMLInputElement>(c.field).select();
    notice(`The ${c.what} is in the field ${c.where}: copy it from there.`);
  }
}

async function exerciseFragment(): Promise<string> {
  const ex = chosenExercise();
  if (!ex) throw new Error('Choose an exercise first.');
  if (!page.core) throw new Error('The page is still starting: try again in a moment.');
  // What a student is given, as the core decides it: a teacher's own folder
  // opened here keeps its seed, from which the hidden starts are drawn.
  const { folder, files } = handed(ex);
  const frag = await makeExerciseFragment({ folder, files: page.core.studentFiles(files) });
  if (frag === 'too large') throw new Error(`Exercise ${ex.title} is too large for a link (over ${sizeText(MAX_FILE_BYTES)}): hand out its folder or .zip instead.`);
  return frag;
}

export async function openSharedLink() {
  const hash = location.hash;
  if (!hash || hash === sharedHandled) return;
  sharedHandled = hash;
  const exercise = await readExerciseFragment(hash);
  if (exercise && embedding) {
    pageMessage('An exercise cannot be embedded: embed a program instead (Copy embed code).', 'Link', 'error');
    return;
  }
  if (exercise) {
    await openExercise('the link', async () => {
      if (exercise === 'too large') throw new Error(`is too large to open (over ${sizeText(MAX_FILE_BYTES)} once unpacked)`);
      return exercise;
    });
    return;
  }
  const shared = await readFragment(hash);
  if (!shared) return;
  if (shared === 'too large') {
    pageMessage('The program of this link is too large to open (over 16 MiB, as a file may be at most). Nothing was changed.', 'Link', 'error');
    return;
  }
  const d = decodeBytes(shared.bytes);
  if (await mayReplace(`the program of the link (${shared.name})`, d.text)) {
    page.opened8xe = null;
    // Embedded, the link's program is the page's own, as a file's would be,
    // and showing it is no news.
    replaceDocument(d.text, shared.name, d.encoding, d.eol, embedding ? d.text : null);
    if (!embedding) pageMessage(`Opened ${shared.name} from the link.`, 'Link');
  }
}

function embedOptions(): Embedding {
  return { datapath: $<HTMLInputElement>('embed-datapath').checked, readonly: $<HTMLInputElement>('embed-readonly').checked };
}

// The <iframe> for a course page or a slide: this page's address with the
// embed flags and the program; the page's own address stays as it is.
function copyEmbedCode() {
  const options = embedOptions();
  const name = page.stored.fileName;
  // A file's address only this computer can open: said beside the code.
  $('embed-file-note').hidden = location.protocol !== 'file:';
  const how = [options.datapath && 'datapath drawing', options.readonly && 'read-only'].filter(Boolean).join(', ');
  void copyLink(makeFragment({ name, bytes: sourceBytes() }), {
    box: 'embed-out',
    field: 'embed-code',
    where: 'below the editor',
    what: 'embed code',
    copied: `Embed code copied${how ? ` (${how})` : ''}: paste it into a course page's HTML or a slide.`,
    shape: (address, frag) => embedSnippet(address + embedFragment(frag, options), name, options),
  });
}

export function wireShare() {
  $('share').addEventListener('click', () => {
    const program = makeFragment({ name: page.stored.fileName, bytes: sourceBytes() });
    void copyLink(program, { box: 'share-out', field: 'share-link', where: 'below the editor', what: 'link', copied: 'Link copied. The program travels in the part after #, which the browser never sends anywhere.' });
  });
  $('copy-exercise-link').addEventListener('click', () => {
    void copyLink(exerciseFragment(), { box: 'exercise-link-out', field: 'exercise-link', where: 'below Check', what: 'link', copied: 'Link copied. The exercise (its task, starting file and public starts, never a solution) travels in the part after #, which the browser never sends anywhere.' });
  });
  $('copy-embed').addEventListener('click', copyEmbedCode);
  // An option changed: the code made again, and copied again.
  for (const id of ['embed-datapath', 'embed-readonly']) $(id).addEventListener('change', copyEmbedCode);
  window.addEventListener('hashchange', () => void openSharedLink());
}
