// The smoke test in Debian's firefox-esr, driven over WebDriver BiDi.
import { test } from 'node:test';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { smoke, typing } from './smoke.mjs';

test('smoke: Firefox', async () => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'mox77-ff-'));
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: profile,
    extraPrefsFirefox: { 'network.captive-portal-service.enabled': false, 'app.update.enabled': false },
  });
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => { throw e; });
    const b = {
      goto: (url) => page.goto(url),
      click: (sel) => page.click(sel),
      type: (t, delay = 0) => page.keyboard.type(t, { delay }),
      text: (sel) => page.$eval(sel, (e) => e.textContent),
      run: (body, ...args) => page.evaluate((b, a) => new Function(b).apply(null, a), body, args),
    };
    await smoke(b);
    await typing(b);
    await page.setViewport({ width: 390, height: 844 }); // a phone
    await typing(b);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
});
