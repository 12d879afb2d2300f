// Emscripten 3.1.6 still reads files in Node through CommonJS names, which an
// ES module lacks: Node reads the wasm from the module's own folder.
const require =
  typeof process == 'object' && typeof process.versions == 'object' && process.versions.node
    ? (await import('node:module')).createRequire(import.meta.url)
    : undefined;
const __dirname = require ? require('node:path').dirname(require('node:url').fileURLToPath(import.meta.url)) : '';
// The page hands the module its wasm (web/src/core.ts); without fetch the
// module can never try a request that the page's Content-Security-Policy
// (connect-src 'none') refuses.
const fetch = undefined;
