// The C++ core as the page sees it: the same assembler, machine, run control,
// history and state checks as the desktop programs, compiled to WebAssembly
// and bound with embind (web/bind/core_bindings.cpp). Built by
// scripts/build-wasm.sh into build/wasm/mox77-core.mjs, one ES module that
// carries its wasm inline.

export type OperandClass = 'RegisterValue' | 'TwoRegisters' | 'OneRegister' | 'None';

// One row of the instruction table; the notation of form, word and effect is
// reg (digit r), src (digit s) and nn (two value digits).
export interface InstructionInfo {
  mnemonic: string; // "load"
  opcode: number; // 1 to 15
  operands: OperandClass;
  form: string; // "load reg, nn"
  word: string; // "2rnn"
  effect: string; // "reg = nn"
}

export interface SourceError {
  index: number; // source line counted from 0; -1 for the missing halt
  line: string; // exactly as zerlant prints it: "error on line(3):  invalid instruction"
}

export interface Assembly {
  errorCount: number;
  // The words back to back: the whole .8xe file zerlant writes, one character
  // per byte (code points 0 to 255), as are the listing and next word below.
  machineCode: string;
  errors: SourceError[]; // in zerlant's order
  wordLines: Int32Array; // the source line (from 0) of each word, in order
}

export interface Change {
  where: 'register' | 'memory';
  index: number; // register 0-15 or cell 0-255
  before: number;
  after: number;
}

// What the run control asked of the display, in order. Refreshes after each
// word are not events: lastChanges() says what they changed.
export type DisplayEvent =
  | { kind: 'message'; text: string; caption: string; icon: 'information' | 'error' }
  | { kind: 'title'; text: string }
  | { kind: 'listing'; text: string }
  | { kind: 'nextInstruction'; text: string } // the whole label: "Next Instruction: 20FF"
  | { kind: 'nextInstructionVisible'; visible: boolean }
  | { kind: 'executeEnabled'; enabled: boolean }
  | { kind: 'stepEnabled'; enabled: boolean }
  | {
      kind: 'window';
      window: 'main' | 'about' | 'execution' | 'memoryMap' | 'instruction';
      visible: boolean;
    };

// A parsed state file (starting or expected); free it with delete().
export interface State {
  delete(): void;
}
export type ParsedState = { ok: true; state: State } | { ok: false; error: string }; // error: "place: reason"

export interface Check {
  readable: boolean;
  errors: number; // the assembler's error count (0 for a .8xe)
  error: string; // zerlant's first error line, or why the program did not run; "" when it ran
  executed: number; // words run; -1 when it did not run
  halted: boolean;
  mismatches: string[]; // "ax: expected ff, got fe", as emurun --expect prints them
  pass: boolean;
}

export interface Machine {
  // 0 step by step, 1 full execution (the Mode menu); starts at 1.
  mode(): number;
  setMode(mode: number): void;
  // "Run .8xe File" with a file of these bytes, in the current mode.
  loadProgram(fileBytes: Uint8Array): void;
  // The Execute button: the listing run in full.
  execute(): void;
  // The Step button.
  step(): void;
  // Return in the Execute Instruction field holding this text.
  typeInstruction(text: string): void;
  // Takes back the last executed word; false when nothing is left to take back.
  back(): boolean;
  canGoBack(): boolean;
  // Every register and cell 0, nothing loaded, the history ended.
  reset(): void;
  // The Memory Map's Mem menu; both end the history.
  clearMemory(): void;
  fillMemory(): void;
  registers(): Int32Array; // a copy, 16 values
  memory(): Int32Array; // a copy, 256 values
  running(): boolean;
  programLoaded(): boolean;
  nextInstruction(): string; // the word the next Step executes ("" at the end)
  instructionPointer(): number; // offset of that word in the program text
  // Words executed since the last load, Reset, Clear or Fill, less those taken back.
  executedCount(): number;
  // What the last step, typed word, run, back, clear or fill changed, in order;
  // after a back, before is the value taken back and after the value restored.
  lastChanges(): Change[];
  // The run control's display calls since the last take.
  takeEvents(): DisplayEvent[];
  // Sets one register (0-15) or cell (0-255) as a debugger edits it, recorded
  // so that back() takes it back; false when nothing changed.
  setValue(where: 'register' | 'memory', index: number, value: number): boolean;
  // Sets the registers and cells the state names.
  applyState(state: State): void;
  // emurun --expect's lines for this machine after `executed` words, numbers
  // in the view mode's radix (0 binary, 1 decimal, 2 hexadecimal).
  mismatches(expected: State, executed: number, viewMode: number): string[];
  delete(): void;
}

export interface Core {
  // A source file's bytes, assembled exactly as zerlant assembles that file.
  assemble(source: Uint8Array): Assembly;
  instructionTable(): InstructionInfo[];
  registerNames(): string[]; // "ax" ... "px"
  describeWord(word: string): string; // "2A7F  load kx, 7f"
  formatNumber(value: number, viewMode: number): string;
  outputFileName(sourceName: string): string; // "prog.asm" -> "prog.8xe"
  // zerlant's closing lines: "process stoped with  (2) fatal errors", and the
  // one naming the .8xe it wrote.
  errorCountLine(errorCount: number): string;
  writtenLine(outputName: string): string;
  parseState(json: string, use: 'expected' | 'starting'): ParsedState;
  // One program graded as mox77-grade grades it: a .asm source (source true)
  // or a .8xe file, run from a zeroed machine with start set (null: none).
  checkProgram(fileBytes: Uint8Array, source: boolean, start: State | null, expected: State): Check;
  Machine: { new (): Machine };
}

export default function createCore(): Promise<Core>;
