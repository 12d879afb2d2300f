// The C++ core as the page sees it: the same assembler, machine, run control,
// history and state checks as the desktop programs, compiled to WebAssembly
// and bound with embind (bindings/core_bindings.cpp). Built by
// scripts/build-wasm.sh into build/wasm/mox77-core.mjs, an ES module with its
// wasm beside it (mox77-core.wasm).

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
  // Lines with text beside their mnemonic that the reading passed over
  // ("loadx ax, 1"): no error for zerlant, a hint for the student.
  misread: { index: number; reading: string }[]; // reading: "load ax, 01"
}

export interface Change {
  where: 'register' | 'memory';
  index: number; // register 0-15 or cell 0-255
  before: number;
  after: number;
}

// One word's cycle in five phases, told by the core (the page never derives
// it): the data, then each phase's ids of datapath.svg to light, the texts of
// its -value slots, emurun --explain's line and the narration's sentence.
export type PhaseName = 'fetch' | 'decode' | 'read' | 'execute' | 'write';
export interface CyclePhase {
  name: PhaseName;
  lit: string[]; // ids in datapath.svg: "alu", "bus-registers-alu", ...
  values: Record<string, string>; // slot id ("bus-registers-alu-value") -> its text
  line: string; // "ff + 2 = 101"
  sentence: string; // "Execute: the ALU adds ff and 2, giving 101."
}
export interface CycleSource {
  kind: 'register' | 'memory' | 'constant';
  index: number; // register 0-15, cell 0-255, or the constant itself
  value: number;
}
export interface Cycle {
  word: string; // upper case: "5001"
  position: number; // the word's place in the program from 0; -1 when typed
  next: number; // the word the instruction pointer goes to (0 after a halt); -1 when typed
  mnemonic: string; // "" for opcode 0, which does nothing
  operation: string; // "+", "-", "x", "/", "+1", "-1", "OR", "XOR", "AND", "rotate", "copy", "stop"; "" for opcode 0
  digits: { digit: string; role: 'opcode' | 'register' | 'source' | 'value' | 'unused' }[];
  sources: CycleSource[]; // what the word reads, in order
  usesAlu: boolean;
  result: number;
  rule: 'none' | 'wrapped' | 'divideByZero' | 'divideOverflow' | 'rotateByNothing' | 'halt' | 'noInstruction';
  // The destination before and after; where 'nothing' for halt and opcode 0.
  write: { where: 'nothing' | 'register' | 'memory'; index: number; before: number; after: number };
  phases: CyclePhase[]; // fetch, decode, read, execute, write
  narration: string; // the five sentences as one paragraph
}

// What the run control's actions came to, in order, beyond what they
// changed (lastChanges() says that): the program loaded, the mode the title
// names ("MOX77 - Step by Step Mode"), and the messages for the user.
export type RunEvent =
  | { kind: 'message'; text: string; caption: string; icon: 'information' | 'error' }
  | { kind: 'title'; text: string }
  | { kind: 'listing'; text: string };

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

// One program graded against every start of an exercise, as mox77-grade
// --exercise grades it. error: why the folder is no sound exercise
// ("ex/init2.json: has no expected2.json"), "" when it is; tests then holds
// one result a start, in order.
export interface ExerciseTestResult {
  name: string; // "expected2.json"
  startName: string; // "init2.json", "" for a zeroed machine
  points: number;
  hidden: boolean; // a hidden start, run only where the sample solution is
  pass: boolean;
  error: string; // as Check's error
  mismatches: string[];
}
export interface ExerciseCheck {
  error: string;
  tests: ExerciseTestResult[];
  pass: boolean; // every start run here passed
  points: number;
  possible: number;
  // What was run, for the student: "2 of 2 public starts pass; 8 hidden
  // starts are run when graded"; "" with an error.
  summary: string;
}

// The core's enums: one object a value, compared with ===; `value` is its
// number (Base: 0 binary, 1 decimal, 2 hexadecimal, as the page keeps it).
export interface Base {
  readonly value: 0 | 1 | 2;
}
export interface ExecutionMode {
  readonly value: 0 | 1;
}
export interface Enum<T> {
  readonly values: Readonly<Record<number, T>>;
}

export interface Timeline {
  word: number;
  length: number;
  available: boolean;
}

export interface Machine {
  // The Mode menu's choice; starts at full execution.
  mode(): ExecutionMode;
  setMode(mode: ExecutionMode): void;
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
  // Where a step-by-step run stands: `word` words executed of the run's
  // `length`; available only with a program loaded in step by step mode.
  timeline(): Timeline;
  // Moves to that word of the timeline (clamped to its length) by Step and
  // Back, leaving the machine as that many Steps from the load leave it;
  // lastChanges() and takeEvents() then tell the move. Nothing moves when
  // the timeline is not available.
  moveTo(word: number): void;
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
  // The cycle of the word executed last (Step, typed word, or a run's last
  // word), on the machine as it was before it; after back(), of the word now
  // last; null when there is none. Numbers in `base`.
  lastCycle(base: Base): Cycle | null;
  // The cycle the next step() would go through, changing nothing (the Phase
  // control's preview); null when step() would execute no word.
  nextCycle(base: Base): Cycle | null;
  // The run control's events since the last take.
  takeEvents(): RunEvent[];
  // Sets one register (0-15) or cell (0-255) as a debugger edits it, recorded
  // so that back() takes it back; false when nothing changed.
  setValue(where: 'register' | 'memory', index: number, value: number): boolean;
  // Sets the registers and cells the state names.
  applyState(state: State): void;
  // emurun --expect's lines for this machine after `executed` words, numbers
  // in `base`.
  mismatches(expected: State, executed: number, base: Base): string[];
  delete(): void;
}

export interface Core {
  // A source file's bytes, assembled exactly as zerlant assembles that file.
  assemble(source: Uint8Array): Assembly;
  instructionTable(): InstructionInfo[];
  registerNames(): string[]; // "ax" ... "px"
  describeWord(word: string): string; // "2A7F  load kx, 7f"
  formatNumber(value: number, base: Base): string;
  // The radix as emurun's --radix and the debug adapter write it: 2, 10 or 16;
  // baseOfRadix the reverse, null for any other number.
  radixOf(base: Base): number;
  baseOfRadix(radix: number): Base | null;
  Base: Enum<Base> & { Binary: Base; Decimal: Base; Hexadecimal: Base };
  ExecutionMode: Enum<ExecutionMode> & { StepByStep: ExecutionMode; FullExecution: ExecutionMode };
  outputFileName(sourceName: string): string; // "prog.asm" -> "prog.8xe"
  // zerlant's closing lines: "process stoped with  (2) fatal errors", and the
  // one naming the .8xe it wrote.
  errorCountLine(errorCount: number): string;
  writtenLine(outputName: string): string;
  parseState(json: string, use: 'expected' | 'starting'): ParsedState;
  // One program graded as mox77-grade grades it: a .asm source (source true)
  // or a .8xe file, run from a zeroed machine with start set (null: none).
  checkProgram(fileBytes: Uint8Array, source: boolean, start: State | null, expected: State): Check;
  // An exercise folder's files by name (any of them: the core picks the
  // init*.json and expected*.json it is made of), `folder` as messages name it.
  checkExercise(files: Record<string, string>, folder: string, fileBytes: Uint8Array, source: boolean): ExerciseCheck;
  // The state its first start sets; free it with delete().
  // What a student is given of them: task.md, start.asm, the start files and
  // exercise.json without its seed; never the solution.
  studentFiles(files: Record<string, string>): Record<string, string>;
  exerciseStart(files: Record<string, string>, folder: string): { ok: true; state: State } | { ok: false; error: string };
  Machine: { new (): Machine };
}

// What the page passes in: it instantiates the wasm itself (Emscripten's
// instantiateWasm), from bytes it carries, so that nothing is fetched.
export interface CoreOptions {
  instantiateWasm?(
    imports: WebAssembly.Imports,
    receive: (instance: WebAssembly.Instance, module?: WebAssembly.Module) => void,
  ): object;
}

export default function createCore(options?: CoreOptions): Promise<Core>;
