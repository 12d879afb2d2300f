// Debian's chromium through playwright-core: nothing downloaded.
import { chromium } from 'playwright-core';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const pageFile = path.resolve(here, '../../build/web/mox77.html');
export const pageUrl = pathToFileURL(pageFile).href;

export const chromiumArgs = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

export async function launch() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: chromiumArgs, headless: true });
}
