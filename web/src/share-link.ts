// Copy link and opening a link: the program, or the chosen exercise,
// travels in the address's fragment, which the browser never sends anywhere.
import { decodeBytes, sizeText, MAX_FILE_BYTES } from './bytes';
import { makeFragment, readFragment, makeExerciseFragment, readExerciseFragment } from './share';
import { sourceBytes } from './editor';
import { mayReplace, replaceDocument } from './files';
import { chosenExercise, openExercise } from './exercise-panel';
import { handed } from './exercises';
import { notice, pageMessage } from './messages';
import { $, page } from './state';

let sharedHandled = '';

// The link goes into the address and onto the clipboard; where the browser
// will not write there, into the field `field` (shown in `box`) to copy
// from. A fragment that cannot be made says why, in its error.
async function copyLink(fragment: Promise<string>, box: string, field: string, where: string, copied: string) {
  const link = fragment.then((frag) => {
    const url = location.href.split('#')[0] + frag;
    history.replaceState(null, '', frag);
    sharedHandled = frag;
    $(box).hidden = false;
    $<HTMLInputElement>(field).value = url;
    return url;
  });
  // The write starts within the click, holding the link still being made:
  // Safari counts a write begun after an await as no longer the student's.
  const written = (async () => {
    const text = link.then((url) => new Blob([url], { type: 'text/plain' }));
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
    notice(copied);
  } catch {
    $<HTMLInputElement>(field).select();
    notice(`The link is in the field ${where}: copy it from there.`);
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
    replaceDocument(d.text, shared.name, d.encoding, d.eol, null);
    pageMessage(`Opened ${shared.name} from the link.`, 'Link');
  }
}

export function wireShare() {
  $('share').addEventListener('click', () => {
    const program = makeFragment({ name: page.stored.fileName, bytes: sourceBytes() });
    void copyLink(program, 'share-out', 'share-link', 'below the editor', 'Link copied. The program travels in the part after #, which the browser never sends anywhere.');
  });
  $('copy-exercise-link').addEventListener('click', () => {
    void copyLink(exerciseFragment(), 'exercise-link-out', 'exercise-link', 'below Check', 'Link copied. The exercise (its task, starting file and public starts, never a solution) travels in the part after #, which the browser never sends anywhere.');
  });
  window.addEventListener('hashchange', () => void openSharedLink());
}
