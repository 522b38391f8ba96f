// Firefox for the browser tests, driven over WebDriver BiDi by puppeteer
// (Debian has no geckodriver): engines.py sends one request a line on
// stdin, [id, name, arguments], and reads one answer a line on stdout,
// {id, value} or {id, error}. The first line out is Firefox's process id.
// One Firefox serves many tests, each in a browser context of its own.
//   node firefox.js <profile folder> desktop|phone
'use strict';

const readline = require('readline');
const puppeteer = require('puppeteer-core');

const [profile, screen] = process.argv.slice(2);
const SCREENS = {
  desktop: { width: 1000, height: 1000 },
  phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
};
// The player's own Firefox: sound waits for the first click or key, as
// puppeteer's automation defaults would not have it. A phone's pointer is
// a finger, so the page lays itself out for touch.
const PREFERENCES = {
  desktop: { 'media.autoplay.default': 1, 'media.autoplay.blocking_policy': 0 },
  phone: { 'media.autoplay.default': 1, 'media.autoplay.blocking_policy': 0,
           'ui.primaryPointerCapabilities': 1, 'ui.allPointerCapabilities': 1, 'dom.w3c_touch_events.enabled': 1 },
};

function answer(message) {
  process.stdout.write(JSON.stringify(message) + '\n');
}

(async () => {
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: profile,
    defaultViewport: SCREENS[screen],
    extraPrefsFirefox: PREFERENCES[screen],
  });
  answer({ pid: browser.process().pid });
  // Each test has a context of its own, as fresh as a new profile.
  let context = null, page = null, other = null, errors = [], fingers = [];

  const requests = {
    fresh: async () => {
      context = await browser.createBrowserContext();
      page = await context.newPage();
      await page.setViewport(SCREENS[screen]);
      errors = [];
      fingers = [];
      page.on('pageerror', error => errors.push(String(error)));
      page.on('console', message => message.type() === 'error' && errors.push(message.text()));
    },
    forget: () => context.close(),
    open: url => page.goto(url, { waitUntil: 'load' }),
    // A function body that reads its arguments, as WebDriver's scripts do.
    run: (body, args) => page.evaluate((body, args) => Function(body).apply(null, args), body, args),
    keyDown: key => page.keyboard.down(key),
    keyUp: key => page.keyboard.up(key),
    move: (x, y) => page.mouse.move(x, y),
    click: (x, y) => page.mouse.click(x, y),
    // Every finger down, as the DevTools protocol takes them: new ones
    // come down, the others move; an empty list lifts them all.
    touch: async points => {
      if (points.length === 0) {
        for (const finger of fingers)
          await finger.end();
        fingers = [];
        return;
      }
      for (let i = 0; i < points.length; i++) {
        const [x, y] = points[i];
        if (i < fingers.length)
          await fingers[i].move(x, y);
        else
          fingers.push(await page.touchscreen.touchStart(x, y));
      }
    },
    hide: async () => {
      other = await context.newPage();
      await other.bringToFront();
    },
    show: async () => {
      await page.bringToFront();
      await other.close();
    },
    errors: () => errors,
  };

  for await (const line of readline.createInterface({ input: process.stdin })) {
    const [id, name, args] = JSON.parse(line);
    try {
      const value = await requests[name](...args);
      answer({ id, value: value === undefined ? null : value });
    } catch (error) {
      answer({ id, error: String(error && error.stack || error) });
    }
  }
  await browser.close();
})().catch(error => {
  answer({ error: String(error && error.stack || error) });
  process.exit(1);
});
