// The smoke test in Debian's firefox-esr, driven over WebDriver BiDi.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { smoke, typing, embedded } from './smoke.mjs';

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
    // `at`: the page, or the frame its steps run in
    const adapter = (at) => ({
      goto: (url) => page.goto(url),
      // In the embed's frame a press of the element itself: puppeteer's
      // click finds a frame's place through the frame's element, asked for
      // by a "context" locator, which the firefox-esr of a stock Debian 12
      // refuses (it knows css, xpath, innerText and accessibility).
      click: (sel) => (at === page ? page.click(sel) : at.$eval(sel, (e) => { e.focus(); e.click(); })),
      type: (t, delay = 0) => page.keyboard.type(t, { delay }),
      text: (sel) => at.$eval(sel, (e) => e.textContent),
      // The driver evaluates the script itself: a Function made in the page
      // is an eval, which the page's Content-Security-Policy forbids, and
      // Firefox 140 enforces that on driver calls too.
      run: (body, ...args) => at.evaluate(`(function () { ${body} }).apply(null, ${JSON.stringify(args)})`),
      // The frame from the page's tree of frames, not from the iframe's
      // element (its contentFrame() takes that locator too).
      inFrame: async (steps) => {
        await page.waitForSelector('iframe');
        let frame;
        for (let i = 0; i < 100 && !(frame = page.frames().find((f) => f !== page.mainFrame())); i++) {
          await new Promise((r) => setTimeout(r, 100));
        }
        assert.ok(frame, 'the embedded page has a frame');
        return steps(adapter(frame));
      },
    });
    const b = adapter(page);
    await embedded(b);
    await smoke(b);
    await typing(b);
    // A phone. The standard command alone: puppeteer's setViewport also
    // overrides the screen's orientation, which Firefox 140 cannot.
    await browser.connection.send('browsingContext.setViewport', {
      context: page.mainFrame()._id,
      viewport: { width: 390, height: 844 },
    });
    assert.equal(await b.run('return innerWidth'), 390);
    await typing(b);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
});
