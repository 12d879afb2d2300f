// The smoke test in Debian's WebKitGTK (webkit2gtk-driver's WebKitWebDriver
// with its MiniBrowser). WebKitGTK draws on a display, so without one the
// test starts itself again under xvfb-run.
import { test } from 'node:test';
import { spawn, spawnSync } from 'node:child_process';
import net from 'node:net';
import { Builder, By, Key } from 'selenium-webdriver';
import { smoke, typing, embedded } from './smoke.mjs';

const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

if (!process.env.DISPLAY && !process.env.WAYLAND_DISPLAY) {
  const env = { ...process.env };
  delete env.NODE_TEST_CONTEXT;
  const r = spawnSync('xvfb-run', ['-a', process.execPath, process.argv[1]], { stdio: 'inherit', env });
  process.exit(r.status ?? 1);
}

test('smoke: WebKit', async () => {
  const caps = {
    browserName: 'MiniBrowser',
    'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] },
  };
  const port = await freePort();
  const server = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'], { stdio: 'ignore' });
  await new Promise((r) => setTimeout(r, 500));
  let driver;
  try {
    driver = await new Builder().withCapabilities(caps).usingServer(`http://127.0.0.1:${port}`).build();
    const b = {
      goto: (url) => driver.get(url),
      click: async (sel) => (await driver.findElement(By.css(sel))).click(),
      // With a delay, one key at a time, as a student types.
      type: async (t, delay = 0) => {
        // the focused element of the page or frame switched to (the
        // driver's own command answers for the top page only)
        const active = await driver.executeScript('return document.activeElement');
        const keys = delay ? [...t] : t.split(/(\n)/).filter(Boolean);
        for (const k of keys) {
          await active.sendKeys(k === '\n' ? Key.ENTER : k);
          if (delay) await new Promise((r) => setTimeout(r, delay));
        }
      },
      text: async (sel) => driver.executeScript(`return document.querySelector(arguments[0]).textContent`, sel),
      run: (body, ...args) => driver.executeScript(body, ...args),
      // the same steps, the driver switched into the page's one iframe
      inFrame: async (steps) => {
        await driver.switchTo().frame(await driver.findElement(By.css('iframe')));
        try {
          await steps(b);
        } finally {
          await driver.switchTo().defaultContent();
        }
      },
    };
    await embedded(b);
    await smoke(b);
    await typing(b);
    await driver.manage().window().setRect({ width: 390, height: 844 }); // a phone
    await typing(b);
  } finally {
    await driver?.quit();
    server.kill();
  }
});

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer();
    s.listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}
