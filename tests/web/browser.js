// Opens the page for the page's tests and benchmark in one of three
// engines, and watches that it asks no server for anything:
//
//   chromium  Debian's Chromium, headless, through puppeteer-core over the
//             DevTools protocol
//   firefox   Debian's Firefox ESR, headless, through puppeteer-core over
//             WebDriver BiDi
//   webkit    WebKitGTK's MiniBrowser through WebKitWebDriver (webkit.js),
//             which offers the part of puppeteer's API the tests use
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { launchWebKit } = require('./webkit');

const engines = ['chromium', 'firefox', 'webkit'];

// The browsers' own connections (updates, sync, safe browsing…) are switched
// off, so that every request seen is the page's.
async function launch(engine = 'chromium') {
  if (engine === 'webkit') return launchWebKit();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `vantrel-${engine}-`));
  const browser = engine === 'firefox' ? await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    protocol: 'webDriverBiDi',
    headless: true,
    userDataDir: profile,
    extraPrefsFirefox: { 'intl.locale.requested': 'en-US', 'app.update.enabled': false },
  }) : await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [
      '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync',
      '--disable-background-networking', '--disable-component-update',
      '--disable-default-apps', '--disable-extensions', '--lang=en-US',
    ],
  });
  browser.engine = engine;
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// A new tab showing the page at url, ready for input. Every request and
// every breach of the page's security policy is recorded in .requests and
// .violations. Only Chromium takes a viewport's device scale, touch and
// mobile flags.
async function open(browser, url, { viewport = { width: 800, height: 700 } } = {}) {
  const page = await browser.newPage();
  if (browser.engine === 'webkit') {
    await page.setViewport(viewport);
    await page.goto(url);
  } else {
    page.requests = [];
    page.violations = [];
    page.errors = [];
    page.on('request', (request) => page.requests.push(request.url()));
    page.on('pageerror', (error) => page.errors.push(error.message));
    await page.exposeFunction('reportViolation', (v) => page.violations.push(v));
    await page.evaluateOnNewDocument(() => {
      document.addEventListener('securitypolicyviolation', (event) => {
        window.reportViolation(`${event.violatedDirective} ${event.blockedURI}`);
      });
    });
    const { width, height, deviceScaleFactor } = viewport;
    await page.setViewport(browser.engine === 'chromium' ? viewport : { width, height, deviceScaleFactor });
    await page.goto(url);
  }
  await page.waitForFunction(() => !document.getElementById('Client').disabled, { timeout: 10000 });
  return page;
}

// What a page asked for beyond itself: nothing, or the failure's words.
async function strayRequests(page, own) {
  const seen = page.seen ? await page.seen() : page;
  const stray = seen.requests.filter((url) => url !== own && !url.startsWith('data:'));
  return [...stray.map((u) => `request: ${u}`),
    ...seen.violations.map((v) => `policy violation: ${v}`),
    ...seen.errors.map((e) => `script error: ${e}`)];
}

// Runs fn in the first frame inside the page.
async function frameEvaluate(page, fn) {
  if (page.frameEvaluate) return page.frameEvaluate(fn);
  const frame = page.frames().find((f) => f !== page.mainFrame());
  if (!frame) throw new Error('no frame in the page');
  return frame.evaluate(fn);
}

module.exports = { engines, launch, open, strayRequests, frameEvaluate };
