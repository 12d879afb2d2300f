// The exercises: the ten of examples/exercises/, read from the repository at
// build time, and those a student opens from a teacher's folder, .zip or
// link.

export interface Exercise {
  id: string; // "02-sum"; an opened one's "opened/02-sum", apart from the bundled
  folder: string; // "02-sum", as the core names the exercise's files
  title: string; // from the task's first heading: "02 · A sum"
  task: string; // task.md
  start: string; // start.asm
  // The folder's JSON files by name, for the core's Check, which finds the
  // starts among them.
  files: Record<string, string>;
}

// An exercise as it is handed over, kept and put in a link: its folder's
// name and files by name.
export interface HandedExercise {
  folder: string;
  files: Record<string, string>;
}

// files: path -> contents, paths ending in "<folder>/<file>".
export function collectExercises(files: Record<string, string>): Exercise[] {
  const byFolder = new Map<string, Record<string, string>>();
  for (const [p, text] of Object.entries(files)) {
    const parts = p.split('/');
    if (parts.length < 2) continue;
    const folder = parts[parts.length - 2];
    const file = parts[parts.length - 1];
    if (!byFolder.has(folder)) byFolder.set(folder, {});
    byFolder.get(folder)![file] = text;
  }
  const out: Exercise[] = [];
  // Folders are numbered in ASCII: code-unit order, without waking the
  // browser's collation tables on the page's first open.
  for (const [id, f] of [...byFolder.entries()].sort(([a], [b]) => (a < b ? -1 : a > b ? 1 : 0))) {
    if (f['task.md'] === undefined || f['start.asm'] === undefined) continue;
    const files = Object.fromEntries(Object.entries(f).filter(([name]) => name.endsWith('.json')));
    const heading = /^#\s+(.+)$/m.exec(f['task.md']);
    out.push({ id, folder: id, title: heading ? heading[1].trim() : id, task: f['task.md'], start: f['start.asm'], files });
  }
  return out;
}

// The files an exercise is made of, as a student may see them: whatever
// else a folder holds, a sample solution above all, stays behind.
export function isExerciseFile(name: string): boolean {
  return name === 'task.md' || name === 'start.asm' || (/^[^/\\]+\.json$/.test(name) && !name.startsWith('.'));
}

// A name that stays one folder's name wherever it came from.
export function folderName(name: string): string {
  return name.replace(/[\\/\x00-\x1f]/g, '_').replace(/^[.\s]+/, '').trim().slice(0, 100) || 'exercise';
}

// undefined when the task or the starting file is missing.
export function openedExercise(h: HandedExercise): Exercise | undefined {
  const folder = folderName(h.folder);
  const files = Object.entries(h.files).filter(([name]) => isExerciseFile(name));
  const [ex] = collectExercises(Object.fromEntries(files.map(([name, text]) => [`${folder}/${name}`, text])));
  return ex && { ...ex, id: `opened/${folder}` };
}

export function handed(ex: Exercise): HandedExercise {
  return { folder: ex.folder, files: { 'task.md': ex.task, 'start.asm': ex.start, ...ex.files } };
}

export function sameExercise(a: Exercise, b: Exercise): boolean {
  const key = (ex: Exercise) => JSON.stringify([ex.folder, ex.task, ex.start, Object.entries(ex.files).sort(([x], [y]) => (x < y ? -1 : 1))]);
  return key(a) === key(b);
}
