// The MOX77 language server, over standard input and output (--stdio) or
// any transport vscode-languageserver picks from the command line.
import { readFileSync, writeFileSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  createConnection,
  ProposedFeatures,
  TextDocuments,
  TextDocumentSyncKind,
  type InitializeResult,
} from 'vscode-languageserver/node';
import { TextDocument } from 'vscode-languageserver-textdocument';
import { assembleCommand } from '../commands';
import { latin1Bytes } from '@mox77bindings/latin1';
import { loadCore } from '../core';
import { check, codeActions, completion, hover, inlayHints, semanticTokens, signatureHelp, tokenTypes } from './language';

const connection = createConnection(ProposedFeatures.all);
const documents = new TextDocuments(TextDocument);
const corePromise = loadCore();
let showWords = false;

connection.onInitialize((params): InitializeResult => {
  showWords = Boolean((params.initializationOptions as { inlayHints?: boolean } | undefined)?.inlayHints);
  return {
    capabilities: {
      textDocumentSync: TextDocumentSyncKind.Incremental,
      completionProvider: { triggerCharacters: [' ', ','] },
      hoverProvider: true,
      signatureHelpProvider: { triggerCharacters: [' ', ','] },
      semanticTokensProvider: { legend: { tokenTypes, tokenModifiers: [] }, full: true },
      inlayHintProvider: true,
      codeActionProvider: { codeActionKinds: ['quickfix'] },
      executeCommandProvider: { commands: [assembleCommand] },
    },
    serverInfo: { name: 'mox77-lsp' },
  };
});

connection.onDidChangeConfiguration((change) => {
  const settings = (change.settings as { mox77?: { inlayHints?: boolean } } | undefined)?.mox77;
  if (settings && typeof settings.inlayHints === 'boolean') {
    showWords = settings.inlayHints;
    void connection.languages.inlayHint.refresh().catch(() => undefined);
  }
});

// Every change is assembled at once: a source is small and the core fast.
documents.onDidChangeContent(async ({ document }) => {
  const core = await corePromise;
  const result = check(core, document);
  void connection.sendNotification('mox77/errorCount', {
    uri: document.uri,
    errorCount: result.errorCount,
    summary: result.summary,
  });
  void connection.sendDiagnostics({ uri: document.uri, version: document.version, diagnostics: result.diagnostics });
});

documents.onDidClose(({ document }) => {
  void connection.sendDiagnostics({ uri: document.uri, diagnostics: [] });
});

function withDocument<T>(uri: string, empty: T, f: (doc: TextDocument) => T | Promise<T>): T | Promise<T> {
  const doc = documents.get(uri);
  return doc ? f(doc) : empty;
}

connection.onCompletion(async (p) => withDocument(p.textDocument.uri, [], async (d) => completion(await corePromise, d, p.position)));
connection.onHover(async (p) => withDocument(p.textDocument.uri, null, async (d) => hover(await corePromise, d, p.position)));
connection.onSignatureHelp(async (p) =>
  withDocument(p.textDocument.uri, null, async (d) => signatureHelp(await corePromise, d, p.position)),
);
connection.languages.semanticTokens.on(async (p) =>
  withDocument(p.textDocument.uri, { data: [] }, async (d) => ({ data: semanticTokens(await corePromise, d) })),
);
connection.languages.inlayHint.on(async (p) =>
  showWords ? withDocument(p.textDocument.uri, [], async (d) => inlayHints(await corePromise, d, p.range)) : [],
);
connection.onCodeAction(async (p) =>
  withDocument(p.textDocument.uri, [], async (d) => codeActions(await corePromise, d, p.context.diagnostics)),
);

// zerlant's run on a saved source: the file's own bytes, its lines, and the
// .8xe beside it when there is no error.
connection.onExecuteCommand(async (p) => {
  if (p.command !== assembleCommand) return null;
  const path = fileURLToPath(String(p.arguments?.[0]));
  const core = await corePromise;
  const run = core.assemble(readFileSync(path));
  const lines = run.errors.map((e) => e.line);
  lines.push(core.errorCountLine(run.errorCount));
  if (run.errorCount !== 0) return { lines, output: null };
  const name = core.outputFileName(basename(path));
  const output = join(dirname(path), name);
  lines.push(core.writtenLine(name));
  try {
    writeFileSync(output, latin1Bytes(run.machineCode));
  } catch (e) {
    lines.push(`could not write ${output}: ${(e as Error).message}`);
    return { lines, output: null };
  }
  return { lines, output };
});

documents.listen(connection);
connection.listen();
