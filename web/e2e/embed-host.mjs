// A course page in miniature for the embed tests: the page in an <iframe>
// of a given size, the program in its fragment as Copy link makes it.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { pathToFileURL } from 'node:url';
import { pageUrl } from './browser.mjs';

// "#embed&...&name=...&p=...": flags first, then the share link's fragment.
export function embedUrl(program, { flags = [], name = 'example.asm', page = pageUrl } = {}) {
  const params = new URLSearchParams();
  params.set('name', name);
  params.set('p', zlib.deflateRawSync(Buffer.from(program)).toString('base64url'));
  return `${page}#${['embed', ...flags].join('&')}&${params}`;
}

function attribute(text) {
  return text.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');
}

// Written to a folder of its own; its file:// address.
export function hostPage({ src, width = 600, height = 400, iframe } = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'mox77-host-'));
  const file = path.join(dir, 'course.html');
  const frame = iframe ?? `<iframe src="${attribute(src)}" width="${width}" height="${height}" title="MOX77 example" style="border: 1px solid #767676"></iframe>`;
  fs.writeFileSync(file, `<!doctype html>
<html lang="en"><head><meta charset="utf-8"><title>A course page</title>
<style>body { margin: 8px; font-family: sans-serif; } iframe { display: block; }</style></head>
<body><h1>Week 3: registers</h1>
<p><a id="before" href="#notes">Notes for this week</a></p>
${frame}
<p><a id="away" href="about:blank">Next page</a></p>
</body></html>
`);
  return pathToFileURL(file).href;
}
