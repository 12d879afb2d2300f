// The debug adapter over standard input and output (or --server=PORT).
import { DebugSession } from '@vscode/debugadapter';
import { MoxDebugSession } from './session';

DebugSession.run(MoxDebugSession);
