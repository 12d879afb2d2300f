// What the page's modules share: the kept state, the core and its machine,
// and which program the editor stands for. Modules hear about each other's
// changes through on()/emit(), so no module reaches into another's view.
import type { Base, Core, Machine } from '@mox77core';
import { load as loadStored, defaults, type Stored } from './storage';
import { loadCore } from './core';
import { readEmbedding } from './embed';

export const $ = <T extends HTMLElement = HTMLElement>(id: string) => document.getElementById(id) as T;

// Asked for first: the core's wasm compiles while the page is built.
export const corePromise = loadCore();

export interface Opened8xe {
  name: string;
  bytes: Uint8Array;
  serial: number;
}

// Embedded in a course page or a slide (embed.ts), for the page's whole
// life: read once, as it opens. Embedded, the page neither reads nor writes
// the browser's storage: the program the link carries is the one shown.
export const embedding = readEmbedding(globalThis.location?.hash ?? '');
if (embedding) {
  const root = document.documentElement.classList;
  root.add('embed');
  root.toggle('embed-datapath', embedding.datapath);
  root.toggle('embed-readonly', embedding.readonly);
}

export const page = {
  stored: (embedding ? { ...defaults, datapath: embedding.datapath } : loadStored(globalThis.localStorage)) as Stored,
  core: null as Core | null, // set once it has started
  machine: null as Machine | null,
  docVersion: 0, // grows with every change of the text
  stepKey: null as string | null, // what the step-mode load was made from
  opened8xe: null as Opened8xe | null, // a loaded .8xe stands for the program until the text is edited
  openSerial: 0,
  storeFailed: false, // the browser refused the last save: a reload would lose the text
};

// The base the page shows numbers in; kept as its number.
export function shownBase(): Base {
  return page.core!.Base.values[page.stored.base];
}

// The machine loaded step by step, as Step and the Datapath drive it.
export function steppingMode(machine: Machine): boolean {
  return machine.mode() === page.core!.ExecutionMode.StepByStep;
}

// What the Run and Step buttons would load now.
export function editorKey(): string {
  return page.opened8xe ? `8xe:${page.opened8xe.serial}` : `text:${page.docVersion}`;
}

// text: the editor's text changed; machine: the machine panel was painted
// after an action (panels that follow the machine listen to it); file: the
// file name, saved or kept state changed.
export type Topic = 'text' | 'machine' | 'file';
const listeners = new Map<Topic, (() => void)[]>();

export function on(topic: Topic, fn: () => void) {
  listeners.set(topic, [...(listeners.get(topic) ?? []), fn]);
}

export function emit(topic: Topic) {
  for (const fn of listeners.get(topic) ?? []) fn();
}


export function errorsText(n: number): string {
  return `${n} ${n === 1 ? 'error' : 'errors'}`;
}
