// An exercise handed over as files, the folder a student picks or a .zip:
// both find the exercise's folder alike, read only its own files and stop
// reading past the page's bound.
import { decodeBytes, sizeText, MAX_FILE_BYTES } from './bytes';
import { folderName, isExerciseFile, type HandedExercise } from './exercises';
import { zipEntries, zipEntryBytes } from './zip';

interface Item {
  path: string; // inside what was handed over: "02-sum/task.md"
  read(limit: number): Promise<Uint8Array | null>; // null: over the limit
}

// What a Mac or a version control system leaves beside the files, and
// folders themselves, are no part of it.
function seen(path: string): boolean {
  const parts = path.split('/');
  return parts[0] !== '__MACOSX' && !parts.some((p) => p.startsWith('.')) && !path.endsWith('/');
}

// The exercise's folder among the paths ("" or "name/"): the first that
// holds the task or the starting file, going down while there is one
// folder only, as a .zip of the folder or of the folder around it has.
export function exerciseRoot(paths: string[]): string {
  let root = '';
  for (;;) {
    const inside = paths.filter((p) => p.startsWith(root)).map((p) => p.slice(root.length));
    if (inside.includes('task.md') || inside.includes('start.asm')) return root;
    const folders = [...new Set(inside.filter((p) => p.includes('/')).map((p) => p.slice(0, p.indexOf('/'))))];
    if (folders.length > 1) {
      const named = folders.slice(0, 3).join(', ') + (folders.length > 3 ? ' and more' : '');
      throw new Error(`holds several folders (${named}) and no task.md beside them: open one exercise's own folder`);
    }
    if (folders.length === 0) return root;
    root += `${folders[0]}/`;
  }
}

async function handOver(name: string, items: Item[], limit: number): Promise<HandedExercise> {
  const visible = items.filter((i) => seen(i.path));
  const root = exerciseRoot(visible.map((i) => i.path));
  const files: Record<string, string> = {};
  let left = limit;
  for (const i of visible) {
    const file = i.path.slice(root.length);
    if (!i.path.startsWith(root) || !isExerciseFile(file)) continue;
    const bytes = await i.read(left);
    if (!bytes) throw new Error(`is too large to open: its exercise's files come to more than ${sizeText(limit)}`);
    left -= bytes.length;
    files[file] = decodeBytes(bytes).text;
  }
  return { folder: folderName(root ? root.slice(0, -1).split('/').pop()! : name), files };
}

// files: each with its path from the chosen folder on, "02-sum/task.md".
export async function exerciseFromFolder(files: { path: string; blob: Blob }[], limit = MAX_FILE_BYTES): Promise<HandedExercise> {
  const first = files[0]?.path ?? '';
  const chosen = first.slice(0, Math.max(0, first.indexOf('/')));
  const items = files.map(({ path, blob }) => ({
    path: chosen ? path.slice(chosen.length + 1) : path,
    read: async (left: number) => (blob.size > left ? null : new Uint8Array(await blob.arrayBuffer())),
  }));
  return handOver(chosen, items, limit);
}

export async function exerciseFromZip(file: File, limit = MAX_FILE_BYTES): Promise<HandedExercise> {
  if (file.size > limit) throw new Error(`is too large to open (${sizeText(file.size)}; at most ${sizeText(limit)})`);
  const zip = new Uint8Array(await file.arrayBuffer());
  // Windows tools may write "\" between folders.
  const items = zipEntries(zip).map((e) => ({ path: e.name.replace(/\\/g, '/').replace(/^\.?\//, ''), read: (left: number) => zipEntryBytes(zip, e, left) }));
  return handOver(file.name.replace(/\.zip$/i, ''), items, limit);
}
