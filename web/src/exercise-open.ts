// Open exercise: a teacher's exercise from a folder or a .zip, read here
// and then opened as a link's is (exercise-panel.ts).
import { exerciseFromFolder, exerciseFromZip } from './exercise-files';
import { openExercise } from './exercise-panel';
import { $ } from './state';

// Emptied, so that the same choice made again is seen again.
function chosen(input: HTMLInputElement): File[] {
  const files = [...(input.files ?? [])];
  input.value = '';
  return files;
}

export function wireExerciseOpening() {
  const dialog = $<HTMLDialogElement>('open-exercise-dialog');
  const folderInput = $<HTMLInputElement>('exercise-folder-input');
  const zipInput = $<HTMLInputElement>('exercise-zip-input');
  $('open-exercise').addEventListener('click', () => dialog.showModal());
  // The picker opens within the click, as browsers require.
  $('open-exercise-folder').addEventListener('click', () => {
    dialog.close();
    folderInput.click();
  });
  $('open-exercise-zip').addEventListener('click', () => {
    dialog.close();
    zipInput.click();
  });
  $('open-exercise-cancel').addEventListener('click', () => dialog.close());
  folderInput.addEventListener('change', () => {
    const items = chosen(folderInput).map((f) => ({ path: f.webkitRelativePath || f.name, blob: f }));
    if (items.length) void openExercise(`the folder ${items[0].path.split('/')[0]}`, () => exerciseFromFolder(items));
  });
  zipInput.addEventListener('change', () => {
    const [file] = chosen(zipInput);
    if (file) void openExercise(file.name, () => exerciseFromZip(file));
  });
}
