// Pictures of the browser page for the README, taken in headless Chromium:
// a text and a password typed, Encode chosen, the Tools menu open.
//
//   node scripts/page_screenshot.js [PAGE] [DESKTOP.png] [PHONE.png]
//
// PAGE defaults to build/web/web/vantrel.html, the pictures to
// docs/screenshot-web.png (the window at desktop width) and
// docs/screenshot-web-phone.png (a 360-pixel-wide phone screen). Needs the
// web preset built and scripts/deps.sh test run.
'use strict';
const path = require('path');
const { pathToFileURL } = require('url');
const { launch, open } = require('../tests/web/browser');

const [pagePath = 'build/web/web/vantrel.html', desktop = 'docs/screenshot-web.png',
  phone = 'docs/screenshot-web-phone.png'] = process.argv.slice(2);
const url = pathToFileURL(path.resolve(pagePath)).href;

async function picture(browser, viewport, output, clip) {
  const page = await open(browser, url, { viewport });
  await page.keyboard.type('Meet at nine by the old mill.');
  await page.keyboard.press('Enter');
  await page.keyboard.type('Bring the map.');
  await page.focus('#Text3');
  await page.keyboard.type('Tuesday');
  await page.keyboard.down('Alt');
  await page.keyboard.press('KeyT');
  await page.keyboard.up('Alt');
  await page.keyboard.press('KeyE');
  await page.click('#Tools');
  await page.hover('#CopyForMail');
  const window = await (await page.$('#Form1')).boundingBox();
  await page.screenshot({ path: output, clip: clip ? window : undefined });
  await page.close();
}

(async () => {
  const browser = await launch();
  try {
    await picture(browser, { width: 720, height: 520 }, desktop, true);
    await picture(browser, { width: 360, height: 640, deviceScaleFactor: 1, isMobile: true,
      hasTouch: true }, phone, false);
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
