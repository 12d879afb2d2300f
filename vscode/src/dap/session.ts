// The MOX77 debug adapter: one machine of the core in step-by-step mode,
// driven a word at a time, with the core's history for step back.
import { readFileSync, readdirSync } from 'node:fs';
import { basename, join, resolve } from 'node:path';
import {
  Breakpoint,
  DebugSession,
  InitializedEvent,
  InvalidatedEvent,
  OutputEvent,
  Scope,
  Source,
  StackFrame,
  StoppedEvent,
  Thread,
} from '@vscode/debugadapter';
import type { DebugProtocol } from '@vscode/debugprotocol';
import type { Base, Core, Machine } from '@mox77core';
import { latin1Bytes } from '@mox77bindings/latin1';
import { loadCore } from '../core';

export interface LaunchArguments extends DebugProtocol.LaunchRequestArguments {
  program: string;
  stopOnEntry?: boolean;
  radix?: number;
  exercise?: string;
}

const THREAD = 1;
const REGISTERS = 1;
const MEMORY = 2;
const ALL_CELLS = 3;
const MEMORY_REFERENCE = 'memory';

interface Program {
  path: string;
  bytes: Uint8Array; // the file as read: what Check grades
  isSource: boolean;
  code: Uint8Array; // the words the machine loads
  wordLines: Int32Array | null; // source line of each word, for a .asm
}

// An exercise folder's JSON files by name, for the core, which finds the
// starts among them; a folder that cannot be listed gives none, and the core
// says what is missing.
function exerciseFiles(folder: string): Record<string, string> {
  const files: Record<string, string> = {};
  let names: string[] = [];
  try {
    names = readdirSync(folder);
  } catch {
    return files;
  }
  for (const name of names.filter((n) => n.endsWith('.json'))) {
    try {
      files[name] = readFileSync(join(folder, name), 'utf8');
    } catch {
      // not a readable file (a folder, say): not a start the core can take
    }
  }
  return files;
}

export class MoxDebugSession extends DebugSession {
  private core!: Core;
  private machine: Machine | null = null;
  private program: Program | null = null;
  private args: LaunchArguments | null = null;
  private base!: Base; // set by the launch
  // Breakpoint lines (from 0) by source path, moved onto lines with words.
  private breakpoints = new Map<string, Set<number>>();
  private configured!: Promise<void>;
  private configurationDone!: () => void;
  private changed = new Set<string>();

  private readonly loading = loadCore();

  constructor() {
    super();
    this.setDebuggerLinesStartAt1(false);
    this.setDebuggerColumnsStartAt1(false);
    this.configured = new Promise((resolve) => (this.configurationDone = resolve));
  }

  // The protocol makes "path" the default path format, but the library
  // refuses an initialize that leaves it out: a client relying on the
  // default would get no session. Any other format is still refused there.
  protected dispatchRequest(request: DebugProtocol.Request): void {
    if (request.command === 'initialize') request.arguments = { ...request.arguments, pathFormat: request.arguments?.pathFormat ?? 'path' };
    super.dispatchRequest(request);
  }

  protected initializeRequest(response: DebugProtocol.InitializeResponse): void {
    response.body = {
      supportsConfigurationDoneRequest: true,
      supportsStepBack: true,
      supportsRestartRequest: true,
      supportsSetVariable: true,
      supportsReadMemoryRequest: true,
      supportsDisassembleRequest: true,
      supportsInstructionBreakpoints: false,
      supportsSteppingGranularity: false,
    };
    this.sendResponse(response);
    this.sendEvent(new InitializedEvent());
  }

  protected configurationDoneRequest(response: DebugProtocol.ConfigurationDoneResponse): void {
    this.sendResponse(response);
    this.configurationDone();
  }

  protected async launchRequest(response: DebugProtocol.LaunchResponse, args: LaunchArguments): Promise<void> {
    this.core = await this.loading;
    const radix = args.radix ?? 16;
    const base = this.core.baseOfRadix(radix);
    if (!base) return this.refuse(response, `radix must be 2, 10 or 16, not ${radix}`);
    this.base = base;
    this.args = args;
    const refused = this.prepare();
    if (refused) return this.refuse(response, refused);
    this.sendResponse(response);
    await this.configured;
    this.begin();
  }

  protected restartRequest(response: DebugProtocol.RestartResponse, args: DebugProtocol.RestartArguments): void {
    const launch = (args.arguments as LaunchArguments | undefined) ?? this.args;
    if (launch?.program) this.args = launch;
    const refused = this.prepare();
    if (refused) return this.refuse(response, refused);
    this.sendResponse(response);
    this.begin();
  }

  private refuse(response: DebugProtocol.Response, message: string): void {
    this.sendErrorResponse(response, { id: 1, format: message.replace(/[{}]/g, ''), showUser: true });
  }

  private begin(): void {
    if (this.args!.stopOnEntry ?? true) this.stopAt('entry');
    else this.runForward();
  }

  // Reads and assembles the program, loads it into a new machine; gives why
  // it cannot, or null.
  private prepare(): string | null {
    const args = this.args!;
    let bytes: Uint8Array;
    try {
      bytes = readFileSync(args.program);
    } catch (e) {
      return `cannot read ${args.program}: ${(e as Error).message}`;
    }
    const isSource = !/\.8xe$/i.test(args.program);
    let code = bytes;
    let wordLines: Int32Array | null = null;
    if (isSource) {
      const run = this.core.assemble(bytes);
      if (run.errorCount !== 0) {
        const lines = [...run.errors.map((e) => e.line), this.core.errorCountLine(run.errorCount)];
        for (const line of lines) this.sendEvent(new OutputEvent(line + '\n', 'stderr'));
        return lines.join('\n');
      }
      code = latin1Bytes(run.machineCode);
      wordLines = run.wordLines;
    }
    this.program = { path: resolve(args.program), bytes, isSource, code, wordLines };
    this.machine?.delete();
    const machine = (this.machine = new this.core.Machine());
    machine.setMode(this.core.ExecutionMode.StepByStep);
    if (args.exercise) {
      const start = this.core.exerciseStart(exerciseFiles(args.exercise), args.exercise);
      if (!start.ok) return start.error;
      machine.applyState(start.state);
      start.state.delete();
    }
    machine.loadProgram(code);
    const messages = this.messages();
    if (!machine.programLoaded()) return messages.join('\n') || `${args.program} cannot run`;
    this.changed.clear();
    return null;
  }

  // The run control's messages since the last call, passed on as output.
  private messages(): string[] {
    const texts: string[] = [];
    for (const e of this.machine!.takeEvents()) {
      if (e.kind !== 'message') continue;
      texts.push(e.text);
      this.sendEvent(new OutputEvent(`${e.text}\n`, e.icon === 'error' ? 'stderr' : 'console'));
    }
    return texts;
  }

  private wordIndex(): number {
    return this.machine!.instructionPointer() >> 2;
  }

  private currentLine(): number | null {
    const lines = this.program?.wordLines;
    const i = this.wordIndex();
    return lines && i < lines.length ? lines[i] : null;
  }

  private atBreakpoint(): boolean {
    const line = this.currentLine();
    return line !== null && (this.breakpoints.get(this.program!.path)?.has(line) ?? false);
  }

  private noteChanges(): void {
    for (const c of this.machine!.lastChanges()) this.changed.add(`${c.where}:${c.index}`);
  }

  // One word; true when it ended the pass (the halt, or the end of the program).
  private stepOnce(): boolean {
    this.machine!.step();
    this.noteChanges();
    this.messages();
    const ended = !this.machine!.running();
    if (ended) this.report();
    return ended;
  }

  private stopAt(reason: string, description?: string): void {
    const event = new StoppedEvent(reason, THREAD) as DebugProtocol.StoppedEvent;
    if (description) event.body.description = description;
    this.sendEvent(event);
  }

  private runForward(): void {
    this.changed.clear();
    for (;;) {
      if (this.stepOnce()) return this.stopAt('halt', 'Halted');
      if (this.atBreakpoint()) return this.stopAt('breakpoint');
    }
  }

  protected continueRequest(response: DebugProtocol.ContinueResponse): void {
    response.body = { allThreadsContinued: true };
    this.sendResponse(response);
    this.runForward();
  }

  private stepRequest(response: DebugProtocol.Response): void {
    this.sendResponse(response);
    this.changed.clear();
    this.stopAt(this.stepOnce() ? 'halt' : 'step');
  }

  protected nextRequest(response: DebugProtocol.NextResponse): void {
    this.stepRequest(response);
  }

  protected stepInRequest(response: DebugProtocol.StepInResponse): void {
    this.stepRequest(response);
  }

  // No calls: stepping out is one word, as next is.
  protected stepOutRequest(response: DebugProtocol.StepOutResponse): void {
    this.stepRequest(response);
  }

  protected stepBackRequest(response: DebugProtocol.StepBackResponse): void {
    this.sendResponse(response);
    this.changed.clear();
    if (this.machine!.back()) this.noteChanges();
    this.messages();
    this.stopAt('step');
  }

  protected reverseContinueRequest(response: DebugProtocol.ReverseContinueResponse): void {
    this.sendResponse(response);
    this.changed.clear();
    while (this.machine!.back()) {
      this.noteChanges();
      if (this.atBreakpoint()) {
        this.messages();
        return this.stopAt('breakpoint');
      }
    }
    this.messages();
    this.stopAt('entry');
  }

  protected pauseRequest(response: DebugProtocol.PauseResponse): void {
    this.sendResponse(response);
  }

  // A breakpoint asks to run to a line: one without a word moves to the next
  // line that has one. They may come before the launch, so the source is
  // assembled here.
  protected async setBreakPointsRequest(
    response: DebugProtocol.SetBreakpointsResponse,
    args: DebugProtocol.SetBreakpointsArguments,
  ): Promise<void> {
    this.core ??= await this.loading;
    const path = args.source.path ? resolve(args.source.path) : '';
    const lines = [...this.wordLinesOf(path)];
    const set = new Set<number>();
    const breakpoints = (args.breakpoints ?? []).map((b) => {
      const asked = this.convertClientLineToDebugger(b.line);
      const line = lines.find((l) => l >= asked);
      if (line === undefined) return new Breakpoint(false);
      set.add(line);
      return new Breakpoint(true, this.convertDebuggerLineToClient(line));
    });
    this.breakpoints.set(path, set);
    response.body = { breakpoints };
    this.sendResponse(response);
  }

  private wordLinesOf(path: string): Int32Array {
    if (this.program?.path === path && this.program.wordLines) return this.program.wordLines;
    if (!path || /\.8xe$/i.test(path)) return new Int32Array();
    try {
      return this.core.assemble(readFileSync(path)).wordLines;
    } catch {
      return new Int32Array();
    }
  }

  protected threadsRequest(response: DebugProtocol.ThreadsResponse): void {
    response.body = { threads: [new Thread(THREAD, 'MOX77')] };
    this.sendResponse(response);
  }

  protected stackTraceRequest(response: DebugProtocol.StackTraceResponse): void {
    const machine = this.machine!;
    const word = machine.nextInstruction();
    const name = word.length === 4 ? this.core.describeWord(word) : '(end of the program)';
    const frame: DebugProtocol.StackFrame = new StackFrame(0, name);
    const line = this.currentLine();
    if (line !== null) {
      frame.source = new Source(basename(this.program!.path), this.program!.path);
      frame.line = this.convertDebuggerLineToClient(line);
      frame.column = this.convertDebuggerColumnToClient(0);
    }
    frame.instructionPointerReference = String(machine.instructionPointer());
    response.body = { stackFrames: [frame], totalFrames: 1 };
    this.sendResponse(response);
  }

  protected scopesRequest(response: DebugProtocol.ScopesResponse): void {
    response.body = {
      scopes: [new Scope('Registers', REGISTERS, false), new Scope('Memory', MEMORY, false)],
    };
    this.sendResponse(response);
  }

  private variable(where: 'register' | 'memory', index: number, name: string, value: number): DebugProtocol.Variable {
    const v: DebugProtocol.Variable = {
      name,
      value: this.core.formatNumber(value, this.base),
      variablesReference: 0,
    };
    if (where === 'memory') v.memoryReference = MEMORY_REFERENCE;
    if (this.changed.has(`${where}:${index}`)) v.presentationHint = { kind: 'data', attributes: ['changed'] };
    return v;
  }

  private cellName(index: number): string {
    return `[${this.core.formatNumber(index, this.core.Base.Hexadecimal).padStart(2, '0')}]`;
  }

  protected variablesRequest(response: DebugProtocol.VariablesResponse, args: DebugProtocol.VariablesArguments): void {
    const machine = this.machine!;
    let variables: DebugProtocol.Variable[] = [];
    if (args.variablesReference === REGISTERS) {
      const names = this.core.registerNames();
      variables = [...machine.registers()].map((v, i) => this.variable('register', i, names[i], v));
    } else if (args.variablesReference === MEMORY || args.variablesReference === ALL_CELLS) {
      const all = args.variablesReference === ALL_CELLS;
      machine.memory().forEach((v, i) => {
        if (all || v !== 0) variables.push(this.variable('memory', i, this.cellName(i), v));
      });
      if (!all) variables.push({ name: 'all 256 cells', value: '', variablesReference: ALL_CELLS });
    }
    response.body = { variables };
    this.sendResponse(response);
  }

  // A value typed in the radix on show; hexadecimal and binary stand for the
  // 32-bit pattern, as they are shown.
  private parseValue(text: string): number | null {
    const radix = this.core.radixOf(this.base);
    const t = text.trim().toLowerCase();
    const digits = radix === 16 ? /^[0-9a-f]{1,8}$/ : radix === 2 ? /^[01]{1,32}$/ : /^-?[0-9]{1,10}$/;
    if (!digits.test(t)) return null;
    const value = parseInt(t, radix);
    if (radix === 10 && (value < -0x80000000 || value > 0xffffffff)) return null;
    return value | 0;
  }

  protected setVariableRequest(
    response: DebugProtocol.SetVariableResponse,
    args: DebugProtocol.SetVariableArguments,
  ): void {
    const value = this.parseValue(args.value);
    const register = this.core.registerNames().indexOf(args.name);
    const cell = /^\[([0-9a-f]+)\]$/.exec(args.name);
    if (value === null) return this.refuse(response, `${args.value} is not a 32-bit number in the radix on show`);
    if (args.variablesReference === REGISTERS && register >= 0) {
      this.machine!.setValue('register', register, value);
    } else if (args.variablesReference !== REGISTERS && cell) {
      this.machine!.setValue('memory', parseInt(cell[1], 16), value);
    } else {
      return this.refuse(response, `${args.name} cannot be set`);
    }
    this.changed.clear();
    this.noteChanges();
    response.body = { value: this.core.formatNumber(value, this.base) };
    this.sendResponse(response);
  }

  // The cells as 32-bit little-endian values, four bytes a cell.
  protected readMemoryRequest(response: DebugProtocol.ReadMemoryResponse, args: DebugProtocol.ReadMemoryArguments): void {
    const bytes = new Uint8Array(this.machine!.memory().buffer);
    const from = Math.max(0, Math.min(bytes.length, parseInt(args.memoryReference === MEMORY_REFERENCE ? '0' : args.memoryReference, 10) + (args.offset ?? 0)));
    const to = Math.min(bytes.length, from + args.count);
    response.body = {
      address: String(from),
      data: Buffer.from(bytes.subarray(from, to)).toString('base64'),
      unreadableBytes: args.count - (to - from),
    };
    this.sendResponse(response);
  }

  // Addresses are offsets in the program text, four characters a word.
  protected disassembleRequest(response: DebugProtocol.DisassembleResponse, args: DebugProtocol.DisassembleArguments): void {
    const code = this.program!.code;
    const words = code.length >> 2;
    const first = (parseInt(args.memoryReference, 10) + (args.offset ?? 0) >> 2) + (args.instructionOffset ?? 0);
    const instructions: DebugProtocol.DisassembledInstruction[] = [];
    for (let i = first; i < first + args.instructionCount; i++) {
      if (i < 0 || i >= words) {
        instructions.push({ address: String(i * 4), instruction: '', presentationHint: 'invalid' });
        continue;
      }
      const word = String.fromCharCode(...code.subarray(4 * i, 4 * i + 4)).toUpperCase();
      const described = this.core.describeWord(word);
      const line = this.program!.wordLines?.[i];
      instructions.push({
        address: String(4 * i),
        instructionBytes: word,
        instruction: described.slice(described.indexOf('  ') + 2),
        ...(line === undefined
          ? {}
          : {
              location: new Source(basename(this.program!.path), this.program!.path),
              line: this.convertDebuggerLineToClient(line),
            }),
      });
    }
    response.body = { instructions };
    this.sendResponse(response);
  }

  // mox77.setRadix {radix: 2 | 10 | 16}: the toggle beside the launch setting.
  protected async customRequest(command: string, response: DebugProtocol.Response, args: { radix?: number }): Promise<void> {
    if (command !== 'mox77.setRadix') return super.customRequest(command, response, args);
    const base = (await this.loading).baseOfRadix(Number(args?.radix));
    if (!base) return this.refuse(response, 'radix must be 2, 10 or 16');
    this.base = base;
    this.sendResponse(response);
    this.sendEvent(new InvalidatedEvent(['variables']));
  }

  // At the end of a pass, an exercise launch grades the program as Check
  // does, from each of the exercise's starts; the core decides it all.
  private report(): void {
    const folder = this.args?.exercise;
    if (!folder) return;
    const r = this.core.checkExercise(exerciseFiles(folder), folder, this.program!.bytes, this.program!.isSource);
    if (r.error) {
      this.sendEvent(new OutputEvent(`${r.error}\n`, 'stderr'));
      return;
    }
    const out = [`Exercise ${basename(folder)}: ${r.summary}`];
    r.tests.forEach((t, n) => {
      const head = r.tests.length > 1 ? `Start ${n + 1}` : 'Result';
      out.push(`${head}${t.startName ? ` (from ${t.startName})` : ''}: ${t.pass ? 'PASS' : 'FAIL'}`);
      out.push(...[...(t.error ? [t.error] : []), ...t.mismatches].map((l) => `  ${l}`));
    });
    this.sendEvent(new OutputEvent(out.join('\n') + '\n', r.pass ? 'console' : 'stderr'));
  }

  protected disconnectRequest(response: DebugProtocol.DisconnectResponse): void {
    this.machine?.delete();
    this.machine = null;
    this.sendResponse(response);
  }
}
