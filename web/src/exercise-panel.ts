// The Exercise pane: choosing an exercise (its task and starting file), a
// bundled one or one the student opened, and Check, which grades the
// program as mox77-grade does.
import { collectExercises, openedExercise, handed, sameExercise, type Exercise, type HandedExercise } from './exercises';
import { renderMarkdown } from './markdown';
import { sourceBytes } from './editor';
import { mayReplace, replaceDocument, isUnsaved } from './files';
import { notice } from './messages';
import { setPaneAvailable } from './tabs';
import { remember } from './saving';
import { loadOpened, saveOpened, OPENED_KEY } from './storage';
import { $, page, on, corePromise, embedding } from './state';

const exerciseFiles = import.meta.glob(['@examples/exercises/*/task.md', '@examples/exercises/*/start.asm', '@examples/exercises/*/*.json'], {
  query: '?raw', import: 'default', eager: true,
}) as Record<string, string>;
const exercises: Exercise[] = collectExercises(exerciseFiles);
// Opened from a teacher's folder, .zip or link, in the order opened.
let opened: Exercise[] = [];

// Embedded, the page reads nothing the browser keeps.
function readOpened() {
  if (embedding) return;
  opened = loadOpened(globalThis.localStorage).map(openedExercise).filter((ex): ex is Exercise => !!ex);
}
readOpened();

function exerciseById(id: string): Exercise | undefined {
  return exercises.find((e) => e.id === id) ?? opened.find((e) => e.id === id);
}

export function chosenExercise(): Exercise | undefined {
  return exerciseById(page.stored.exercise);
}

function showExercise(ex: Exercise | undefined) {
  const pane = $('exercise-pane');
  pane.hidden = !ex;
  setPaneAvailable('exercise-pane', !!ex);
  $('check-result').replaceChildren();
  $('exercise-link-out').hidden = true;
  if (!ex) return;
  $('exercise-h').textContent = `Exercise ${ex.title}`;
  $('task').replaceChildren(renderMarkdown(ex.task.replace(/^#\s+.*\n/, ''), document, 2));
}

// The opened exercises, listed apart from the bundled ones.
function listOpened() {
  const select = $<HTMLSelectElement>('exercise');
  select.querySelector('optgroup')?.remove();
  if (opened.length) {
    const group = document.createElement('optgroup');
    group.label = 'Opened';
    // named by its folder too: a teacher's version of a bundled one has its title
    for (const ex of opened) group.append(new Option(ex.title === ex.folder ? ex.title : `${ex.title} (${ex.folder})`, ex.id));
    select.append(group);
  }
  select.value = chosenExercise() ? page.stored.exercise : '';
}

function take(ex: Exercise | undefined) {
  page.stored.exercise = ex ? ex.id : '';
  if (ex) replaceDocument(ex.start, `${ex.folder}.asm`, 'utf-8', '\n', ex.start);
  remember(['exercise'], true);
  $<HTMLSelectElement>('exercise').value = page.stored.exercise;
  showExercise(ex);
}

async function chooseExercise(id: string) {
  const ex = exerciseById(id);
  if (ex && !(await mayReplace(`the starting file of exercise ${ex.title}`, ex.start))) {
    $<HTMLSelectElement>('exercise').value = page.stored.exercise;
    return;
  }
  take(ex);
}

// An exercise from a teacher's folder, .zip or link (`from` names it), then
// chosen as a bundled one is. The page needs the task and the starting file
// to show; whether the starts make an exercise, the core says.
export async function openExercise(from: string, read: () => Promise<HandedExercise>) {
  let h: HandedExercise;
  try {
    h = await read();
  } catch (e) {
    notice(`Could not open ${from}: it ${(e as Error).message}. Nothing was changed.`);
    return;
  }
  const ex = openedExercise(h);
  if (!ex) {
    const missing = ['task.md', 'start.asm'].filter((name) => h.files[name] === undefined);
    notice(`Could not open ${from}: it has no ${missing.join(' and no ')}. An exercise's folder holds its task (task.md), its starting file (start.asm) and its start files. Nothing was changed.`);
    return;
  }
  const known = [...exercises, ...opened].find((k) => sameExercise(k, ex));
  if (known && known.id === page.stored.exercise) {
    notice(`Exercise ${known.title} is open already.`);
    return;
  }
  const core = page.core ?? (await corePromise.catch(() => null));
  if (!core) return;
  const start = core.exerciseStart(ex.files, ex.folder);
  if (!start.ok) {
    notice(`Could not open ${from}: ${start.error}. Nothing was changed.`);
    return;
  }
  start.state.delete();
  if (!(await mayReplace(`the starting file of exercise ${ex.title}`, ex.start))) {
    notice(`Exercise ${ex.title} was not opened: your text stays.`);
    return;
  }
  let kept = true;
  if (!known) {
    // a folder opened again is the teacher's newer version of it
    opened = [...opened.filter((o) => o.id !== ex.id), ex];
    kept = !!embedding || saveOpened(globalThis.localStorage, opened.map(handed));
    listOpened();
  }
  take(known ?? ex);
  notice(`Opened exercise ${ex.title} from ${from}.${kept ? '' : ' The browser has no room to keep it: after a reload, open it again.'}`);
}

// Each start's result as mox77-grade --exercise finds it: the core decides
// which files make the exercise and whether the program passes.
function check() {
  const { core, opened8xe } = page;
  if (!core) return;
  const ex = chosenExercise();
  if (!ex) return;
  const out = $('check-result');
  out.replaceChildren();
  // An opened .8xe is the program that Run and Step run, so it is the one graded.
  const bytes = opened8xe ? opened8xe.bytes : sourceBytes();
  const r = core.checkExercise(ex.files, ex.folder, bytes, !opened8xe);
  const details: HTMLElement[] = [];
  const list = (lines: string[]) => {
    const ul = document.createElement('ul');
    for (const l of lines) {
      const li = document.createElement('li');
      li.textContent = l;
      ul.append(li);
    }
    return ul;
  };
  if (r.error) details.push(list([r.error]));
  r.tests.forEach((t, n) => {
    const div = document.createElement('div');
    div.className = 'check-start';
    const head = document.createElement('div');
    head.textContent = `${r.tests.length > 1 ? `Start ${n + 1}` : 'Result'}${t.startName ? ` (from ${t.startName})` : ''}: ${t.pass ? 'PASS' : 'FAIL'}`;
    div.append(head);
    const lines = [...(t.error ? [t.error] : []), ...t.mismatches];
    if (lines.length) div.append(list(lines));
    details.push(div);
  });
  // Said in words, with how many starts were run and how many wait for the
  // grader, so a pass here never reads as a pass of starts not run.
  const verdict = document.createElement('p');
  verdict.className = `verdict ${r.pass ? 'pass' : 'fail'}`;
  verdict.textContent = r.error ? 'FAIL' : r.summary;
  out.append(verdict, ...details);
}

export function wireExercises() {
  const select = $<HTMLSelectElement>('exercise');
  for (const ex of exercises) select.append(new Option(ex.title, ex.id));
  listOpened();
  // Arrow keys walk the list; with unsaved text the choice is made (and
  // asked about) once, with Enter, not at every press.
  let walking = false;
  select.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      walking = false;
      if (select.value !== page.stored.exercise) {
        e.preventDefault();
        void chooseExercise(select.value);
      }
    } else if (/^(Arrow|Page|Home$|End$)/.test(e.key) || e.key.length === 1) walking = true;
  });
  select.addEventListener('pointerdown', () => (walking = false));
  select.addEventListener('change', () => {
    if (walking && isUnsaved()) {
      notice('Press Enter to choose this exercise.');
      return;
    }
    void chooseExercise(select.value);
  });
  select.addEventListener('blur', () => {
    // a walk that ended without Enter chose nothing
    if (walking && select.value !== page.stored.exercise) select.value = chosenExercise() ? page.stored.exercise : '';
    walking = false;
  });
  showExercise(chosenExercise());
  // another tab's text may come with another exercise
  on('file', () => {
    const id = chosenExercise() ? page.stored.exercise : '';
    if (select.value === id) return;
    select.value = id;
    showExercise(exerciseById(id));
  });
  // or with one it opened
  window.addEventListener('storage', (e) => {
    if (e.key !== OPENED_KEY || e.storageArea !== globalThis.localStorage) return;
    const before = chosenExercise();
    readOpened();
    listOpened();
    const now = chosenExercise();
    if (now !== before && !(now && before && sameExercise(now, before))) showExercise(now);
  });
  $('check').addEventListener('click', check);
}
