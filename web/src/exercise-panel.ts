// The Exercise pane: choosing an exercise (its task and starting file) and
// Check, which grades the program as mox77-grade does.
import { collectExercises, type Exercise } from './exercises';
import { renderMarkdown } from './markdown';
import { sourceBytes } from './editor';
import { mayReplace, replaceDocument, isUnsaved } from './files';
import { notice } from './messages';
import { setPaneAvailable } from './tabs';
import { remember } from './saving';
import { $, page, on } from './state';

const exerciseFiles = import.meta.glob(['@examples/exercises/*/task.md', '@examples/exercises/*/start.asm', '@examples/exercises/*/*.json'], {
  query: '?raw', import: 'default', eager: true,
}) as Record<string, string>;
const exercises: Exercise[] = collectExercises(exerciseFiles);

function exerciseById(id: string): Exercise | undefined {
  return exercises.find((e) => e.id === id);
}

function showExercise(ex: Exercise | undefined) {
  const pane = $('exercise-pane');
  pane.hidden = !ex;
  setPaneAvailable('exercise-pane', !!ex);
  $('check-result').replaceChildren();
  if (!ex) return;
  $('exercise-h').textContent = `Exercise ${ex.title}`;
  $('task').replaceChildren(renderMarkdown(ex.task.replace(/^#\s+.*\n/, ''), document, 2));
}

async function chooseExercise(id: string) {
  const select = $<HTMLSelectElement>('exercise');
  const ex = exerciseById(id);
  if (ex) {
    if (!(await mayReplace(`the starting file of exercise ${ex.title}`, ex.start))) {
      select.value = page.stored.exercise;
      return;
    }
    page.stored.exercise = id;
    replaceDocument(ex.start, `${ex.id}.asm`, 'utf-8', '\n', ex.start);
  }
  page.stored.exercise = ex ? id : '';
  remember(['exercise'], true);
  showExercise(ex);
}

// Each start's result as mox77-grade --exercise finds it: the core decides
// which files make the exercise and whether the program passes.
function check() {
  const { core, opened8xe } = page;
  if (!core) return;
  const ex = exerciseById(page.stored.exercise);
  if (!ex) return;
  const out = $('check-result');
  out.replaceChildren();
  // An opened .8xe is the program that Run and Step run, so it is the one graded.
  const bytes = opened8xe ? opened8xe.bytes : sourceBytes();
  const r = core.checkExercise(ex.files, ex.id, bytes, !opened8xe);
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
  const verdict = document.createElement('p');
  verdict.className = `verdict ${r.pass ? 'pass' : 'fail'}`;
  verdict.textContent = r.pass ? 'PASS' : 'FAIL';
  out.append(verdict, ...details);
}

export function wireExercises() {
  const select = $<HTMLSelectElement>('exercise');
  for (const ex of exercises) {
    const o = document.createElement('option');
    o.value = ex.id;
    o.textContent = ex.title;
    select.append(o);
  }
  select.value = exerciseById(page.stored.exercise) ? page.stored.exercise : '';
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
    if (walking && select.value !== page.stored.exercise) select.value = exerciseById(page.stored.exercise) ? page.stored.exercise : '';
    walking = false;
  });
  showExercise(exerciseById(page.stored.exercise));
  // another tab's text may come with another exercise
  on('file', () => {
    const id = exerciseById(page.stored.exercise) ? page.stored.exercise : '';
    if (select.value === id) return;
    select.value = id;
    showExercise(exerciseById(id));
  });
  $('check').addEventListener('click', check);
}
