// The VS Code side: starts both servers (bundled beside this file, each with
// the core inside) and adds the commands. It knows no rule of its own.
import * as path from 'node:path';
import { existsSync, readFileSync } from 'node:fs';
import * as vscode from 'vscode';
import { LanguageClient, TransportKind, type LanguageClientOptions, type ServerOptions } from 'vscode-languageclient/node';
import { makeFragment } from '../../web/src/share';
import { assembleCommand } from './commands';

let client: LanguageClient | undefined;

function settings() {
  return { inlayHints: vscode.workspace.getConfiguration('mox77').get<boolean>('inlayHints', false) };
}

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const server = context.asAbsolutePath(path.join('server', 'mox77-lsp.js'));
  const adapter = context.asAbsolutePath(path.join('server', 'mox77-dap.js'));
  const run = { module: server, transport: TransportKind.stdio };
  const serverOptions: ServerOptions = { run, debug: run };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [{ language: 'mox77' }],
    initializationOptions: settings(),
  };
  client = new LanguageClient('mox77', 'MOX77', serverOptions, clientOptions);

  const status = vscode.window.createStatusBarItem(vscode.StatusBarAlignment.Left);
  context.subscriptions.push(status);
  client.onNotification('mox77/errorCount', (p: { uri: string; errorCount: number; summary: string }) => {
    if (vscode.window.activeTextEditor?.document.uri.toString() !== p.uri) return;
    status.text = p.errorCount ? `$(error) ${p.summary}` : `$(check) ${p.summary}`;
    status.show();
  });
  await client.start();

  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration((e) => {
      if (e.affectsConfiguration('mox77')) void client?.sendNotification('workspace/didChangeConfiguration', { settings: { mox77: settings() } });
    }),
    // The adapter runs in the editor's own Node, so no other is needed.
    vscode.debug.registerDebugAdapterDescriptorFactory('mox77', {
      createDebugAdapterDescriptor: () =>
        new vscode.DebugAdapterExecutable(process.execPath, [adapter], { env: { ELECTRON_RUN_AS_NODE: '1' } }),
    }),
    vscode.debug.registerDebugConfigurationProvider('mox77', {
      resolveDebugConfiguration(_folder, config) {
        if (!config.type && !config.request && !config.name) {
          const doc = vscode.window.activeTextEditor?.document;
          if (doc?.languageId !== 'mox77') return config;
          Object.assign(config, { type: 'mox77', request: 'launch', name: 'Step through the program', program: doc.fileName, stopOnEntry: true });
        }
        return config.program ? config : undefined;
      },
    }),
    vscode.commands.registerCommand('mox77.assemble', assemble),
    vscode.commands.registerCommand('mox77.openWebEdition', () => openWebEdition(context)),
    vscode.commands.registerCommand('mox77.toggleRadix', toggleRadix),
  );
}

const output = vscode.window.createOutputChannel('MOX77');

// As the editor's Build does: save, then zerlant's run on the saved file.
async function assemble(): Promise<void> {
  const doc = vscode.window.activeTextEditor?.document;
  if (!doc || doc.languageId !== 'mox77' || !client) return;
  if (!(await doc.save()) && doc.isDirty) return;
  const result = (await client.sendRequest('workspace/executeCommand', {
    command: assembleCommand,
    arguments: [doc.uri.toString()],
  })) as { lines: string[]; output: string | null };
  output.appendLine(`${doc.fileName}:`);
  for (const line of result.lines) output.appendLine(line);
  output.show(true);
  if (result.output) void vscode.window.showInformationMessage(`MOX77: wrote ${result.output}`);
  else void vscode.window.showErrorMessage(`MOX77: ${result.lines[result.lines.length - 1]}`);
}

// The page shipped inside the extension, with the open source in its address.
async function openWebEdition(context: vscode.ExtensionContext): Promise<void> {
  const page = context.asAbsolutePath(path.join('web', 'mox77.html'));
  if (!existsSync(page)) {
    void vscode.window.showErrorMessage('MOX77: this build of the extension carries no web edition (scripts/build-web.sh was not run before it).');
    return;
  }
  const doc = vscode.window.activeTextEditor?.document;
  let fragment = '';
  if (doc?.languageId === 'mox77') {
    const bytes = doc.isUntitled ? new TextEncoder().encode(doc.getText()) : readFileSync(doc.fileName);
    fragment = await makeFragment({ name: path.basename(doc.fileName), bytes });
  }
  await vscode.env.openExternal(vscode.Uri.file(page).with({ fragment: fragment.slice(1) }));
}

const radices = [16, 10, 2];
const shown = new WeakMap<vscode.DebugSession, number>();

// Cycles 16, 10, 2 from the radix the session was launched with.
async function toggleRadix(): Promise<void> {
  const session = vscode.debug.activeDebugSession;
  if (session?.type !== 'mox77') return;
  const current = shown.get(session) ?? Number(session.configuration.radix ?? 16);
  const next = radices[(radices.indexOf(current) + 1) % radices.length];
  await session.customRequest('mox77.setRadix', { radix: next });
  shown.set(session, next);
  void vscode.window.setStatusBarMessage(`MOX77: registers and cells in base ${next}`, 3000);
}

export async function deactivate(): Promise<void> {
  await client?.stop();
}
