// Opens the page in Debian's Chromium, headless, for the page's tests and
// benchmark, and watches that it asks no server for anything.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

// Chromium's own connections (updates, sync, safe browsing…) are switched
// off, so that every request seen is the page's.
async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: [
      '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync',
      '--disable-background-networking', '--disable-component-update',
      '--disable-default-apps', '--disable-extensions', '--lang=en-US',
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// A new tab showing the page at url, ready for input. Every request and
// every breach of the page's security policy is recorded in .requests and
// .violations.
async function open(browser, url, { viewport = { width: 800, height: 700 } } = {}) {
  const page = await browser.newPage();
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
  await page.setViewport(viewport);
  await page.goto(url);
  await page.waitForFunction(() => !document.getElementById('Client').disabled, { timeout: 10000 });
  return page;
}

// What a page asked for beyond itself: nothing, or the failure's words.
function strayRequests(page, own) {
  const stray = page.requests.filter((url) => url !== own && !url.startsWith('data:'));
  const problems = [...stray.map((u) => `request: ${u}`),
    ...page.violations.map((v) => `policy violation: ${v}`),
    ...page.errors.map((e) => `script error: ${e}`)];
  return problems;
}

module.exports = { launch, open, strayRequests };
