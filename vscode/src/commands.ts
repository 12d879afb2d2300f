// What the extension and the language server agree on by name.
export const assembleCommand = 'mox77.server.assemble';
