// Emscripten 3.1.6 still reads files in Node through CommonJS names, which an
// ES module lacks; the wasm itself is inline, so only their presence matters.
const require =
  typeof process == 'object' && typeof process.versions == 'object' && process.versions.node
    ? (await import('node:module')).createRequire(import.meta.url)
    : undefined;
const __dirname = '';
