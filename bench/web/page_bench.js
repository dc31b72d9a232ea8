// How big and how quick the browser page is, in Chromium, Firefox ESR and
// WebKitGTK (see tests/web/browser.js):
//
//   node bench/web/page_bench.js [build/web/web/vantrel.html] [LOADS] [ENGINE...]
//
// prints the page file's size; then for each engine (default: all three)
// the time from navigation to a usable page (the module compiled, the
// fields enabled), the median of LOADS loads (default 15) from disk, each in
// a fresh tab; and Encode and Decode of the longest texts Vantrel encodes
// (24,572 ASCII characters, 9,200 Cyrillic letters, 4,600 emoji), the
// median of 15 runs each: the command itself with
// the fields updated, and until the next frame is drawn (the slowest run
// too). Needs the web preset built and scripts/deps.sh test run.
'use strict';
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');
const { engines, launch, open, strayRequests } = require('../../tests/web/browser');

const pagePath = path.resolve(process.argv[2] || 'build/web/web/vantrel.html');
const loads = Number(process.argv[3] || 15);
const chosen = process.argv.length > 4 ? process.argv.slice(4) : engines;
const url = pathToFileURL(pagePath).href;
const longest = 24572;

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const ms = (value) => `${value.toFixed(1)} ms`;

async function bench(engine) {
  console.log(`${engine}:`);
  const browser = await launch(engine);
  try {
    const usable = [];
    for (let i = 0; i < loads; ++i) {
      const page = await open(browser, url);
      usable.push(await page.evaluate(
        () => performance.getEntriesByName('vantrel-usable')[0].startTime));
      await page.close();
    }
    console.log(`  load to usable: median ${ms(median(usable))} of ${loads} loads ` +
      `(fastest ${ms(Math.min(...usable))}, slowest ${ms(Math.max(...usable))})`);

    const page = await open(browser, url);
    await page.focus('#Text3');
    await page.keyboard.type('benchmark');
    // The longest text of three kinds: ASCII, encoded as it is; Cyrillic
    // and emoji, through the any-text form (9,200 letters or 4,600 emoji
    // fill a code).
    const sentence = 'The quick brown fox jumps over the lazy dog, 0123456789 times! ';
    const kinds = [
      ['ASCII', sentence.repeat(Math.ceil(longest / sentence.length)).slice(0, longest), longest],
      ['Cyrillic', '\u0416'.repeat(9200), 9200],
      ['emoji', '\u{1F600}'.repeat(4600), 4600],
    ];
    for (const [kind, text, characters] of kinds) {
      const runs = { Encode: [], Decode: [], 'Encode, to the next frame': [],
        'Decode, to the next frame': [] };
      for (let i = 0; i < 15; ++i) {
        for (const command of ['Encode', 'Decode']) {
          if (command === 'Encode') {
            await page.$eval('#Text1', (area, t) => {
              area.value = t;
              area.dispatchEvent(new Event('input'));
            }, text);
          }
          const [handled, framed] = await page.evaluate((id) => new Promise((resolve) => {
            const start = performance.now();
            document.getElementById(id).click();
            const done = performance.now() - start;
            requestAnimationFrame(() => setTimeout(() => resolve([done, performance.now() - start])));
          }), command);
          runs[command].push(handled);
          runs[`${command}, to the next frame`].push(framed);
        }
        const back = await page.$eval('#Text1', (area) => area.value);
        if (back !== text || await page.$eval('#Box', (box) => box.open)) {
          throw new Error(`${engine}: Encode and Decode did not give the ${kind} text back`);
        }
      }
      for (const [name, times] of Object.entries(runs)) {
        console.log(`  ${name} of ${characters.toLocaleString('en')} ${kind} characters: median ` +
          `${ms(median(times))}, slowest ${ms(Math.max(...times))}`);
      }
    }
    const stray = await strayRequests(page, url);
    if (stray.length) throw new Error(`${engine}: ${stray.join('\n')}`);
    await page.close();
  } finally {
    await browser.close();
  }
}

(async () => {
  console.log(`page file: ${fs.statSync(pagePath).size.toLocaleString('en')} bytes (${pagePath})`);
  for (const engine of chosen) await bench(engine);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
