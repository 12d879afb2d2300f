import { defineConfig } from 'vitest/config';
import { build, type Plugin, type Rollup } from 'vite';
import { viteSingleFile } from 'vite-plugin-singlefile';
import { fileURLToPath } from 'node:url';
import path from 'node:path';
import fs from 'node:fs';
import zlib from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..');
const coreModule = path.join(repo, 'build/wasm/mox77-core.mjs');
const coreWasm = path.join(repo, 'build/wasm/mox77-core.wasm');

// What rides in the page packed (see web/src/unpack.ts): deflated, then
// base64, a third of its plain base64 size.
export function pack(bytes: Uint8Array): string {
  return zlib.deflateRawSync(bytes, { level: 9 }).toString('base64');
}

// The core's wasm for web/src/core.ts.
function packedCoreWasm(): Plugin {
  const id = 'virtual:mox77-core-wasm';
  return {
    name: 'mox77-core-wasm',
    resolveId: (source) => (source === id ? `\0${id}` : null),
    load(resolved) {
      if (resolved !== `\0${id}`) return null;
      this.addWatchFile(coreWasm);
      return `export default ${JSON.stringify(pack(fs.readFileSync(coreWasm)))};`;
    },
  };
}

// In Node the core finds its wasm through new URL(..., import.meta.url)
// (Emscripten 3.1.69 on). The page hands it the wasm itself, so Vite must
// not take that URL for an asset and inline a second, unpacked copy.
function coreUrlsLeftAlone(): Plugin {
  return {
    name: 'mox77-core-urls',
    enforce: 'pre',
    transform(code, id) {
      if (id.split('?')[0] !== coreModule) return null;
      return { code: code.replaceAll('new URL(', 'new URL(/* @vite-ignore */ '), map: null };
    },
    generateBundle(_options, bundle) {
      for (const file of Object.values(bundle))
        if (file.type === 'chunk' && file.code.includes('data:application/wasm'))
          this.error(`${file.fileName} carries the core's wasm a second time, unpacked`);
    },
  };
}

// The full editor (src/code-editor.ts, CodeMirror and all) built as a
// classic script of its own and kept in the page packed: the browser
// neither compiles nor runs it while the page starts, src/editor.ts puts it
// in once the page is ready to use, and the page is 40 % smaller.
function codeEditorScript(): Plugin {
  const entry = path.join(here, 'src/code-editor.ts');
  let packed = '';
  return {
    name: 'mox77-code-editor',
    apply: 'build',
    async buildStart() {
      const out = (await build({
        configFile: false,
        logLevel: 'warn',
        esbuild: { charset: 'ascii' },
        build: {
          write: false,
          target: 'es2022',
          rollupOptions: { input: entry, output: { format: 'iife' } },
        },
      })) as Rollup.RollupOutput;
      packed = pack(Buffer.from(out.output[0].code));
    },
    transformIndexHtml: {
      order: 'post',
      handler: () => [{ tag: 'script', attrs: { type: 'application/octet-stream', id: 'code-editor-script' }, children: packed, injectTo: 'body' }],
    },
  };
}

// Keeps the page ASCII (see esbuild's charset below): a character that
// slips in later fails the build rather than slowing every first open.
function asciiPage(): Plugin {
  return {
    name: 'mox77-ascii-page',
    enforce: 'post',
    generateBundle(_options, bundle) {
      for (const file of Object.values(bundle)) {
        const text = file.type === 'asset' ? String(file.source) : file.code;
        const at = text.search(/[^\x00-\x7f]/);
        if (at >= 0) this.error(`${file.fileName}: a non-ASCII character near "${text.slice(Math.max(0, at - 40), at + 10)}"; escape it`);
      }
    },
  };
}

// One self-contained page: every script, style and the core's wasm inline,
// nothing fetched at run time.
export default defineConfig({
  root: here,
  base: './',
  resolve: {
    alias: {
      // The C++ core compiled by scripts/build-wasm.sh; the one place it comes from.
      '@mox77core': coreModule,
      // The core's typing and the helpers the page and the editor servers share.
      '@mox77bindings': path.join(repo, 'bindings'),
      '@examples': path.join(repo, 'examples'),
    },
  },
  server: { fs: { allow: [repo] } },
  // Escaped to ASCII: a page of one-byte characters is decoded and parsed
  // without widening every string to two bytes, which shows in a cold start.
  esbuild: { charset: 'ascii' },
  plugins: [coreUrlsLeftAlone(), packedCoreWasm(), codeEditorScript(), viteSingleFile({ removeViteModuleLoader: true }), asciiPage()],
  build: {
    outDir: path.join(repo, 'build/web'),
    emptyOutDir: true,
    target: 'es2022',
    modulePreload: false,
    assetsInlineLimit: 100_000_000,
    chunkSizeWarningLimit: 5000,
    rollupOptions: {
      input: path.join(here, 'mox77.html'),
      // Node-only branches of the emscripten module; never reached in a browser.
      external: ['module', 'fs', 'path', 'url', 'crypto', 'worker_threads', /^node:/],
    },
  },
  test: {
    include: ['tests/**/*.test.ts'],
    environment: 'node',
    setupFiles: ['tests/setup-compression.ts'],
  },
});
