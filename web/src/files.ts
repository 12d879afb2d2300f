// Files: opening an .asm or a .8xe, saving the text, downloading the
// machine code, and the file name shown with its saved state.
import { decodeBytes, looksBinary, sizeText, MAX_FILE_BYTES, type Encoding, type Eol } from './bytes';
import { unsaved, fingerprint } from './storage';
import { text, setText, sourceBytes, assembly, goToFirstError } from './editor';
import { remember } from './saving';
import { ask, notice, pageMessage } from './messages';
import { latin1Bytes } from '@mox77bindings/latin1';
import { $, page, on, emit, errorsText } from './state';

let fileHandle: FileSystemFileHandle | null = null;
// The fingerprint of the text last downloaded by Save where the browser has
// no file picker: a download may have been cancelled, so it is no save.
let downloadedPrint: string | null = null;

export function isUnsaved(): boolean {
  return unsaved(text(), page.stored.savedPrint);
}

export function showFileName() {
  const { stored, opened8xe } = page;
  const dirty = isUnsaved();
  const what = opened8xe ? `${opened8xe.name} (loaded program)` : stored.fileName;
  const state = !dirty || opened8xe ? '' : downloadedPrint !== null && downloadedPrint === fingerprint(text()) ? ' (downloaded)' : ' (not saved)';
  $('file-name').textContent = what + state + (page.storeFailed ? ' (not kept by the browser)' : '');
  document.title = `${dirty && !opened8xe ? '• ' : ''}${opened8xe ? opened8xe.name : stored.fileName} - MOX77`;
}
on('text', showFileName);
on('file', showFileName);

// Asks before unsaved text is replaced by `what`.
export async function mayReplace(what: string, newText: string): Promise<boolean> {
  if (!isUnsaved() || text() === newText) return true;
  return ask(`The text has changes that were never saved to a file. Replace it with ${what}?`);
}

export function replaceDocument(t: string, name: string, encoding: Encoding, eol: Eol, savedText: string | null) {
  const { stored } = page;
  stored.fileName = name;
  stored.encoding = encoding;
  stored.eol = eol;
  setText(t);
  stored.savedPrint = savedText === null ? null : fingerprint(savedText);
  fileHandle = null;
  downloadedPrint = null;
  remember(['fileName', 'encoding', 'eol', 'savedPrint'], true);
  emit('file');
}

export async function openFile(file: File) {
  if (file.size > MAX_FILE_BYTES) {
    pageMessage(`${file.name} is too large to open (${sizeText(file.size)}; at most 16 MiB). Nothing was changed.`, 'Open', 'error');
    return;
  }
  let bytes: Uint8Array;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch {
    pageMessage(`${file.name} could not be read. Nothing was changed.`, 'Open', 'error');
    return;
  }
  // A .8xe goes to the core whatever its bytes: the run control judges it,
  // as the desktop emulator does.
  const is8xe = /\.8xe$/i.test(file.name);
  if (!is8xe && looksBinary(bytes)) {
    pageMessage(`${file.name} is not a text file (neither an .asm source nor a .8xe). Nothing was changed.`, 'Open', 'error');
    return;
  }
  if (is8xe) {
    page.opened8xe = { name: file.name, bytes, serial: ++page.openSerial };
    page.stepKey = null;
    emit('file');
    pageMessage(`${file.name} is the program now: Run or Step runs it. Editing the text brings back the text's program.`, 'Open');
    return;
  }
  const d = decodeBytes(bytes);
  if (!(await mayReplace(file.name, d.text))) return;
  replaceDocument(d.text, file.name, d.encoding, d.eol, d.text);
  pageMessage(`Opened ${file.name}${d.encoding === 'latin1' ? ' (Latin-1 bytes, kept as they are)' : ''}.`, 'Open');
}

function download(bytes: Uint8Array, name: string) {
  const url = URL.createObjectURL(new Blob([bytes as BlobPart], { type: 'application/octet-stream' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10_000);
}

type SavePicker = (o: unknown) => Promise<FileSystemFileHandle>;
type Writable = WritableStreamDefaultWriter & { write(b: BlobPart): Promise<void>; close(): Promise<void> };

export async function saveFile() {
  const { stored } = page;
  const bytes = sourceBytes();
  const picker = (window as unknown as { showSaveFilePicker?: SavePicker }).showSaveFilePicker;
  const t = text();
  if (picker) {
    try {
      fileHandle ??= await picker({
        suggestedName: stored.fileName,
        types: [{ description: 'MOX77 source', accept: { 'text/plain': ['.asm'] } }],
      });
      const w = await (fileHandle as unknown as { createWritable(): Promise<Writable> }).createWritable();
      await w.write(bytes as BlobPart);
      await w.close();
      stored.fileName = fileHandle.name;
    } catch (e) {
      if ((e as DOMException).name === 'AbortError') return;
      fileHandle = null;
      pageMessage(`Could not save ${stored.fileName}: ${(e as Error).message}`, 'Save', 'error');
      return;
    }
  } else {
    download(bytes, stored.fileName);
    downloadedPrint = fingerprint(t);
    showFileName();
    pageMessage(`Downloaded ${stored.fileName}. The page cannot see whether the file was kept, so it still asks before this text is replaced.`, 'Save');
    return;
  }
  stored.savedPrint = fingerprint(t);
  remember(['fileName', 'savedPrint'], true);
  showFileName();
  pageMessage(`Saved ${stored.fileName}.`, 'Save');
}

export function download8xe() {
  const { core } = page;
  if (!core) return;
  const asm = assembly();
  if (asm.errorCount > 0) {
    notice(`The program has ${errorsText(asm.errorCount)}: zerlant writes no .8xe for it.`);
    goToFirstError(asm);
    return;
  }
  const name = core.outputFileName(page.stored.fileName);
  download(latin1Bytes(asm.machineCode), name);
  pageMessage(`Downloaded ${name}.`, 'Download .8xe');
}

export function wireFiles() {
  $('open').addEventListener('click', () => $<HTMLInputElement>('file-input').click());
  $<HTMLInputElement>('file-input').addEventListener('change', async (e) => {
    const input = e.target as HTMLInputElement;
    const f = input.files?.[0];
    input.value = '';
    if (f) await openFile(f);
  });
  document.addEventListener('dragover', (e) => {
    if (e.dataTransfer?.types.includes('Files')) {
      e.preventDefault();
      document.body.classList.add('dragging');
    }
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (e) => {
    document.body.classList.remove('dragging');
    const f = e.dataTransfer?.files?.[0];
    if (!f) return;
    e.preventDefault();
    void openFile(f);
  });
  $('save').addEventListener('click', () => void saveFile());
  $('download-8xe').addEventListener('click', download8xe);
}
