// The page in headless Chromium, as a user meets it:
//
//   node page_test.js keystrokes PAGE CLI   every row of the shared keystroke
//                                           table, as real key events into the
//                                           password field
//   node page_test.js commands PAGE CLI     typing, the menu by keys, dialogs,
//                                           clipboard and paste, codes equal to
//                                           vantrel-cli's both ways, a link
//                                           carrying a code
//   node page_test.js phone PAGE CLI        at 360 pixels: no horizontal
//                                           overflow, and a soft keyboard gives
//                                           the same key as a PC's
//   node page_test.js offline PAGE          served over HTTP: one request, the
//                                           page's own
//
// Every test fails on any request but the page's own, any breach of its
// Content-Security-Policy and any script error. Screenshots are left in the
// working directory.
'use strict';
const assert = require('assert/strict');
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { launch, open, strayRequests } = require('./browser');
const { sendKeys } = require('./keys');

const [group, pagePath, cli] = process.argv.slice(2);
const url = pathToFileURL(path.resolve(pagePath)).href;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-page-test-'));

// vantrel-cli's code for a text (one byte per character, or a Buffer of
// UTF-8), with the password typed as the characters given (Backspace as
// "\b"); codes are one byte per character.
function cliEncode(password, text, ...options) {
  fs.writeFileSync(path.join(work, 'password'), `${password}\n`);
  const input = Buffer.isBuffer(text) ? text : Buffer.from(text, 'latin1');
  return execFileSync(cli, ['encode', '--password-file', path.join(work, 'password'), ...options],
    { input }).toString('latin1');
}
function cliDecode(password, code) {
  fs.writeFileSync(path.join(work, 'password'), `${password}\n`);
  return execFileSync(cli, ['decode', '--binary', '--password-file', path.join(work, 'password')],
    { input: Buffer.from(code, 'latin1') }).toString('latin1');
}

// The text a code field's display form stands for (codes hold only the
// characters 10 to 125).
function fromShown(shown) {
  let text = '';
  for (let i = 0; i < shown.length; ++i) {
    const c = shown.charCodeAt(i);
    if (c === 0x240A) {
      text += '\n';
      if (shown[i + 1] === '\n') ++i;
    } else if (shown[i] === '\n') {
      text += '\r\n';
    } else {
      text += c >= 0x2400 && c < 0x2420 ? String.fromCharCode(c - 0x2400) : shown[i];
    }
  }
  return text;
}

const value = (page, id) => page.$eval(`#${id}`, (e) => e.value);
const focused = (page) => page.evaluate(() => document.activeElement.id);
async function chords(page, ...keys) {
  for (const key of keys) {
    const parts = key.split('+');
    for (const p of parts.slice(0, -1)) await page.keyboard.down(p);
    await page.keyboard.press(parts[parts.length - 1]);
    for (const p of parts.slice(0, -1).reverse()) await page.keyboard.up(p);
  }
}
// A menu command by its access keys; returns the dialog's text and icon, if
// one opened, once it is dismissed with Enter.
async function menu(page, access) {
  await chords(page, 'Alt+KeyT', `Key${access.toUpperCase()}`);
  const box = await page.evaluate(() => {
    const open = document.getElementById('Box').open;
    return open && {
      text: document.getElementById('BoxText').textContent,
      icon: document.getElementById('BoxIcon').getAttribute('class'),
      title: document.getElementById('BoxTitle').textContent,
      focus: document.activeElement.id,
    };
  });
  if (box) await dismiss(page, () => chords(page, 'Enter'));
  return box;
}
// Closes a message box, and waits until the page has given the focus back.
async function dismiss(page, how) {
  await page.evaluate(() => {
    window.boxClosed = new Promise((resolve) => document.getElementById('Box')
      .addEventListener('close', () => setTimeout(resolve), { once: true }));
  });
  await how();
  await page.evaluate(() => window.boxClosed);
}
// What Ctrl+V pastes into the focused field, as the clipboard holds it.
async function clipboard(page) {
  await page.evaluate(() => document.addEventListener('paste', (event) => {
    window.pasted = event.clipboardData.getData('text/plain');
  }, { capture: true, once: true }));
  await chords(page, 'Control+KeyV');
  return page.evaluate(() => window.pasted);
}
// Puts text on the clipboard exactly, as another program would.
async function setClipboard(page, text) {
  await page.evaluate((t) => document.addEventListener('keydown', (event) => {
    if (event.key !== 'F9') return;
    const put = (e) => {
      e.clipboardData.setData('text/plain', t);
      e.preventDefault();
      e.stopImmediatePropagation();
    };
    document.addEventListener('copy', put, { capture: true, once: true });
    document.execCommand('copy');
  }, { once: true }), text);
  await chords(page, 'F9');
}

// The key each code of "Hi" was made with: a password whose characters add
// up to key + 100 gives that key.
function keysOfHi() {
  const keys = new Map();
  for (let key = 0; key < 100; ++key) {
    const half = Math.floor((key + 100) / 2);
    keys.set(cliEncode(String.fromCharCode(half, key + 100 - half), 'Hi'), key);
  }
  return keys;
}

async function keystrokes(browser) {
  const table = path.join(__dirname, '..', 'keystrokes.tsv');
  const rows = fs.readFileSync(table, 'utf8').split('\n')
    .filter((l) => l && !l.startsWith('#')).map((l) => l.split('\t'));
  const keyOf = keysOfHi();
  let failed = 0;
  for (const [layout, form] of [['us', 'linux'], ['de', 'linux'], ['de', 'windows']]) {
    const page = await open(browser, url);
    const client = await page.createCDPSession();
    let key = 0;
    for (const [keys, codes, rowLayout = 'us'] of rows) {
      if (rowLayout !== layout) continue;
      const sum = codes === '-' ? 0 : codes.split(',').reduce((s, c) => s + Number(c), 0);
      await page.focus('#Text3');
      await sendKeys(client, 'End');
      await sendKeys(client, keys, layout, form);
      await sendKeys(client, 'k');
      await page.focus('#Text1');
      await chords(page, 'Control+KeyA');
      await page.keyboard.type('Hi');
      const box = await menu(page, 'e');
      const got = keyOf.get(fromShown(await value(page, 'Text2')));
      const want = (key + sum + 107) % 100;
      const ok = !box && got === want;
      failed += ok ? 0 : 1;
      console.log(`${ok ? 'ok  ' : 'FAIL'}  ${keys.padEnd(36)} ${codes.padEnd(8)} ${layout} ${form}` +
        (ok ? '' : `: added ${(got - key - 107 + 200) % 100}, Windows adds ${sum % 100}` +
          (box ? ` (${box.text})` : '')));
      key = got;
    }
    assert.deepEqual(strayRequests(page, url), []);
    await page.close();
  }
  assert.equal(failed, 0, `${failed} rows of the keystroke table differ`);
}

async function commands(browser) {
  const page = await open(browser, url);
  // The focus starts in the text field; Shift+Tab goes back to the password
  // field and the menu, Tab on to the code field.
  assert.equal(await focused(page), 'Text1');
  await chords(page, 'Shift+Tab');
  assert.equal(await focused(page), 'Text3');
  await chords(page, 'Shift+Tab');
  assert.equal(await focused(page), 'Tools');
  await chords(page, 'Tab', 'Tab', 'Tab');
  assert.equal(await focused(page), 'Text2');
  await page.focus('#Text1');

  // A command that needs a password says so in a modal box that takes the
  // focus and gives it back.
  assert.deepEqual(await menu(page, 'e'), {
    text: 'Enter Password Frist', icon: 'critical', title: 'Vantrel', focus: 'BoxOk',
  });
  assert.equal(await focused(page), 'Text1');

  // Typed text and password, Encode: the tool's code for the same keystrokes.
  await page.keyboard.type('Hello');
  await chords(page, 'Enter');
  await page.keyboard.type('World 42');
  await setClipboard(page, 'pasted');
  await page.focus('#Text3');
  await page.keyboard.type('Secret');
  // A paste no key announces (the mouse's) counts nothing.
  const client = await page.createCDPSession();
  await client.send('Input.dispatchKeyEvent',
    { type: 'rawKeyDown', key: 'Unidentified', code: '', commands: ['paste'] });
  assert.equal(await value(page, 'Text3'), 'Secretpasted');
  assert.equal(await menu(page, 'e'), false);
  const code = cliEncode('Secret', 'Hello\r\nWorld 42');
  assert.equal(fromShown(await value(page, 'Text2')), code);
  assert.equal(await value(page, 'Text1'), '');

  // Copy: the code on the clipboard exactly, control characters and all.
  const copied = await menu(page, 'c');
  assert.deepEqual(copied, { text: ' Your Encoded Txt \n\n Has Been Copyed To Clipboard ',
    icon: 'information', title: 'Vantrel', focus: 'BoxOk' });
  assert.equal(await focused(page), 'Text3');
  await page.focus('#Text2');
  await chords(page, 'Control+KeyA', 'Delete');
  assert.equal(await clipboard(page), code);
  // ...and pasted back into the code field exactly, then decoded.
  assert.equal(fromShown(await value(page, 'Text2')), code);
  assert.equal(await menu(page, 'd'), false);
  assert.equal(await value(page, 'Text1'), 'Hello\nWorld 42');
  assert.equal(await value(page, 'Text2'), '');
  // The text field copies the text it holds: its line break is CR LF.
  await page.focus('#Text1');
  await chords(page, 'Control+KeyA', 'Control+KeyC');
  await page.focus('#Text2');
  assert.equal(await clipboard(page), 'Hello\r\nWorld 42');

  // Copy For Mail by mouse: the mail-safe form, which the tool decodes.
  await chords(page, 'Control+KeyA', 'Delete');
  await page.focus('#Text1');
  await chords(page, 'Control+KeyA');
  await page.keyboard.type('Mail me');
  await menu(page, 'e');
  await page.click('#Tools');
  await page.click('#CopyForMail');
  assert.match(await page.$eval('#BoxText', (e) => e.textContent), /mail-safe form/);
  await dismiss(page, () => page.click('#BoxOk'));
  await page.focus('#Text2');
  await chords(page, 'Control+KeyA', 'Delete');
  const block = await clipboard(page);
  assert.match(block, /^Vantrel1~[A-Za-z0-9+/=]+~~end$/);
  assert.equal(cliDecode('Secret', block), 'Mail me');

  // The tool's code for the text the Qt and Windows windows' tests send
  // decodes here, pasted raw; the page's own code decodes in the tool.
  const text = 'From the tool:\r\n100% the same code.';
  await chords(page, 'Control+KeyA', 'Delete');
  await setClipboard(page, cliEncode('Secret', text));

  await page.focus('#Text2');
  await chords(page, 'Control+KeyV');
  await menu(page, 'd');
  assert.equal(await value(page, 'Text1'), text.replace('\r\n', '\n'));
  await menu(page, 'e');
  assert.equal(cliDecode('Secret', fromShown(await value(page, 'Text2'))), text);

  // A lone line feed shows as its mark and a line break, which Backspace
  // takes together.
  await page.focus('#Text1');
  await setClipboard(page, 'a\nb');
  await chords(page, 'Control+KeyA', 'Control+KeyV');
  assert.equal(await value(page, 'Text1'), 'a\u240A\nb');
  await chords(page, 'ArrowLeft', 'Backspace');
  assert.equal(await value(page, 'Text1'), 'ab');

  // Any text shows exactly as typed, its code is the tool's, and Decode
  // brings it back; so does a pasted one (right-to-left, a tab, an emoji
  // sequence, a combining mark, above U+FFFF, a real control picture).
  // A real "␉" typed stays itself, behind an invisible mark.
  for (const [how, any, shown] of [['typed', 'I’m café Привет 😀', 'I’m café Привет 😀'],
    ['typed', 'a\u2409', 'a\u2060\u2409'],
    ['pasted', 'שלום\t中文 👩🏽\u200D💻 e\u0301 𝄞 \u2409']]) {
    await page.focus('#Text1');
    await chords(page, 'Control+KeyA', 'Delete');
    if (how === 'typed') {
      await page.keyboard.type(any);
      assert.equal(await value(page, 'Text1'), shown);
    } else {
      await setClipboard(page, any);
      await chords(page, 'Control+KeyV');
    }
    assert.equal(await menu(page, 'e'), false);
    assert.equal(fromShown(await value(page, 'Text2')), cliEncode('Secret', Buffer.from(any)));
    assert.equal(await menu(page, 'd'), false);
    await chords(page, 'Control+KeyA', 'Control+KeyC');
    await page.focus('#Text2');
    assert.equal(await clipboard(page), any, how);
    await chords(page, 'Control+KeyA', 'Delete');
  }
  // Half of a surrogate pair stays in the field, and Encode refuses it,
  // naming its place.
  await page.focus('#Text1');
  await chords(page, 'Control+KeyA', 'Delete');
  const broken = 'A text that ends in half an emoji \uD83D';
  await page.evaluate((t) => document.execCommand('insertText', false, t), broken);
  assert.equal(await value(page, 'Text1'), broken);
  assert.match((await menu(page, 'e')).text,
    /^The text holds a broken character at line 1, column 35: half of a surrogate pair \(U\+D83D\)/);
  assert.equal(await value(page, 'Text1'), broken);
  await chords(page, 'Control+KeyA');
  await page.keyboard.type('Hi');
  assert.equal(await menu(page, 'e'), false);

  // A wrong password: the box says so, the fields keep what they held.
  await page.focus('#Text3');
  await page.keyboard.type('x');
  const before = await value(page, 'Text2');
  const wrong = await menu(page, 'd');
  assert.ok(wrong && wrong.icon && wrong.focus === 'BoxOk', JSON.stringify(wrong));
  assert.equal(await value(page, 'Text2'), before);
  assert.equal(await focused(page), 'Text3');
  await page.screenshot({ path: 'page-desktop.png' });
  assert.deepEqual(strayRequests(page, url), []);
  await page.close();

  // A link carrying a mail-safe code, its "~" escaped as chat apps do: the
  // code field holds it, and with the password it decodes.
  const mailSafe = cliEncode('Secret', text, '--armor').replace(/\s+/g, '');
  const link = `${url}#${mailSafe.replace(/~/g, '%7E')}`;
  const linked = await open(browser, link);
  assert.equal(await value(linked, 'Text2'), mailSafe);
  await linked.focus('#Text3');
  await linked.keyboard.type('Secret');
  assert.equal(await menu(linked, 'd'), false);
  assert.equal(await value(linked, 'Text1'), text.replace('\r\n', '\n'));
  assert.deepEqual(strayRequests(linked, link), []);
  await linked.close();
}

async function phone(browser) {
  const viewport = { width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
  const page = await open(browser, url, { viewport });
  const overflow = () => page.evaluate(() => {
    const wide = [...document.querySelectorAll('*')].filter((e) => {
      const box = e.getBoundingClientRect();
      return box.width > 0 && (box.left < 0 || box.right > document.documentElement.clientWidth);
    }).map((e) => e.id || e.tagName);
    return { scroll: document.documentElement.scrollWidth, wide };
  });
  assert.deepEqual(await overflow(), { scroll: 360, wide: [] });

  // A soft keyboard: characters arrive as text with no key codes, a deletion
  // as an unnamed key. "pasq", Backspace, "s" gives the key the same keys
  // give on a PC.
  const client = await page.createCDPSession();
  await page.focus('#Text3');
  for (const step of ['p', 'a', 's', 'q', null, 's']) {
    if (step) {
      await client.send('Input.insertText', { text: step });
    } else {
      const deletion = { key: 'Unidentified', code: '', windowsVirtualKeyCode: 229 };
      await client.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...deletion,
        commands: ['deleteBackward'] });
      await client.send('Input.dispatchKeyEvent', { type: 'keyUp', ...deletion });
    }
  }
  assert.equal(await value(page, 'Text3'), 'pass');
  // A word an input method composes counts as the characters it commits.
  await client.send('Input.imeSetComposition', { text: 'wo', selectionStart: 2, selectionEnd: 2 });
  await client.send('Input.imeSetComposition', { text: 'wor', selectionStart: 3, selectionEnd: 3 });
  await client.send('Input.insertText', { text: 'word' });
  assert.equal(await value(page, 'Text3'), 'password');
  await page.focus('#Text1');
  await client.send('Input.insertText', { text: 'On the go' });
  await menu(page, 'e');
  assert.equal(fromShown(await value(page, 'Text2')), cliEncode('pasq\bsword', 'On the go'));

  // The longest message and the open menu still fit.
  await page.focus('#Text2');
  await menu(page, 'm');
  await page.click('#Tools');
  await page.click('#CopyForMail');
  assert.deepEqual(await overflow(), { scroll: 360, wide: [] });
  await page.screenshot({ path: 'page-phone-box.png' });
  await dismiss(page, () => page.click('#BoxOk'));
  await page.click('#Tools');
  assert.deepEqual(await overflow(), { scroll: 360, wide: [] });
  await page.screenshot({ path: 'page-phone-menu.png' });
  await chords(page, 'Escape');
  // The whole page as a screenshot is as wide as the screen: 720 pixels at
  // the phone's scale of 2.
  const shot = await page.screenshot({ path: 'page-phone.png', fullPage: true });
  assert.equal(shot.readUInt32BE(16), 720, 'the page is wider than the screen');
  assert.deepEqual(strayRequests(page, url), []);
  await page.close();
}

// Served by a static web server (here one on the loopback address), the
// page asks it for itself and nothing else, and works.
async function offline(browser) {
  const served = [];
  const server = http.createServer((request, response) => {
    served.push(request.url);
    if (request.url !== '/vantrel.html') {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
    response.end(fs.readFileSync(pagePath));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const address = `http://127.0.0.1:${server.address().port}/vantrel.html`;
  try {
    const page = await open(browser, address);
    await page.keyboard.type('Hi');
    await page.focus('#Text3');
    await page.keyboard.type('k');
    await menu(page, 'e');
    assert.notEqual(await value(page, 'Text2'), '');
    await new Promise((resolve) => setTimeout(resolve, 500));
    assert.deepEqual(strayRequests(page, address), []);
    assert.deepEqual(served, ['/vantrel.html']);
    await page.close();
  } finally {
    server.close();
  }
}

(async () => {
  const tests = { keystrokes, commands, phone, offline };
  if (!tests[group] || !pagePath || (group !== 'offline' && !cli)) {
    console.error('usage: page_test.js keystrokes|commands|phone|offline PAGE [VANTREL-CLI]');
    process.exit(2);
  }
  const browser = await launch();
  try {
    await tests[group](browser);
    console.log(`page ${group}: passed`);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
