// The ten exercises of examples/exercises/, read from the repository at
// build time.

export interface Exercise {
  id: string; // folder name, "02-sum"
  title: string; // from the task's first heading: "02 · A sum"
  task: string; // task.md
  start: string; // start.asm
  // The folder's JSON files by name, for the core's Check, which finds the
  // starts among them.
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
    out.push({ id, title: heading ? heading[1].trim() : id, task: f['task.md'], start: f['start.asm'], files });
  }
  return out;
}
