// The ten exercises of examples/exercises/, read from the repository at
// build time.

export interface Start {
  init: string | null; // starting state JSON, null: from a zeroed machine
  expected: string; // expected state JSON
}

export interface Exercise {
  id: string; // folder name, "02-sum"
  title: string; // from the task's first heading: "02 · A sum"
  task: string; // task.md
  start: string; // start.asm
  starts: Start[];
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
    if (f['task.md'] === undefined || f['start.asm'] === undefined || f['expected.json'] === undefined) continue;
    const starts: Start[] = [{ init: f['init.json'] ?? null, expected: f['expected.json'] }];
    for (let n = 2; f[`expected${n}.json`] !== undefined; n++) {
      starts.push({ init: f[`init${n}.json`] ?? null, expected: f[`expected${n}.json`] });
    }
    const heading = /^#\s+(.+)$/m.exec(f['task.md']);
    out.push({ id, title: heading ? heading[1].trim() : id, task: f['task.md'], start: f['start.asm'], starts });
  }
  return out;
}
