// The page as a user meets it, in one of three engines (chromium, firefox,
// webkit; see browser.js):
//
//   node page_test.js keystrokes ENGINE PAGE CLI   every row of the shared
//                                           keystroke table, as real key events
//                                           into the password field
//   node page_test.js commands ENGINE PAGE CLI     typing, the menu by keys,
//                                           dialogs, clipboard and paste, codes
//                                           equal to vantrel-cli's both ways,
//                                           text no key typed into the password,
//                                           a link carrying a code, over-long
//                                           links and pastes
//   node page_test.js phone ENGINE PAGE CLI        at 360 pixels: no horizontal
//                                           overflow, 44-pixel targets, the
//                                           commands one tap away, the link's
//                                           hint, and a soft keyboard giving
//                                           the same key as a PC's
//   node page_test.js offline ENGINE PAGE          served over HTTP: one request,
//                                           the page's own; framed by another
//                                           site, it refuses
//
// Every test fails on any request but the page's own, any breach of its
// Content-Security-Policy and any script error. A check an engine cannot
// make is skipped in that engine only, saying so. Screenshots are left in
// the working directory.
'use strict';
const assert = require('assert/strict');
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { pathToFileURL } = require('url');
const { engines, launch, open, strayRequests, frameEvaluate } = require('./browser');
const { sendKeys, keyNames } = require('./keys');

const [group, engine, pagePath, cli] = process.argv.slice(2);
// Only Chromium's own protocol sends text without key events (a phone's
// keyboard, an input method), a paste without a key, and key events as a
// keyboard layout other than the US one gives them.
const chromium = engine === 'chromium';
const skipped = new Set();
function skip(check, why) {
  const line = `skipped in ${engine}: ${check}: ${why}`;
  if (!skipped.has(line)) console.log(line);
  skipped.add(line);
}
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
// What the clipboard keeps of a text: WebKitGTK's turns CR LF and a lone CR
// into LF, whatever the page puts there.
function clipboardForm(text) {
  if (engine !== 'webkit' || !text.includes('\r')) return text;
  skip('CR on the clipboard', 'WebKitGTK\'s clipboard turns CR LF and CR into LF');
  return text.replace(/\r\n?/g, '\n');
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
    document.addEventListener('beforecopy', (e) => e.preventDefault(), { capture: true, once: true });
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
  // Over WebDriver a key is sent as the character it types, so the German
  // layout's AltGr and letters are sent as the characters they give.
  const layouts = chromium ? [['us', 'linux'], ['de', 'linux'], ['de', 'windows']] : [['us'], ['de']];
  for (const [layout, form] of layouts) {
    const page = await open(browser, url);
    const client = chromium ? await page.createCDPSession() : null;
    const send = async (keys) => {
      if (client) return sendKeys(client, keys, layout, form);
      for (const names of keyNames(keys, layout)) await chords(page, names.join('+'));
    };
    let key = 0;
    for (const [keys, codes, rowLayout = 'us'] of rows) {
      if (rowLayout !== layout) continue;
      if (!client && keys.includes('dead_')) {
        skip('the dead keys', 'WebDriver sends characters, not a layout\'s dead keys');
        continue;
      }
      const sum = codes === '-' ? 0 : codes.split(',').reduce((s, c) => s + Number(c), 0);
      await page.focus('#Text3');
      await send('End');
      await send(keys);
      await send('k');
      await page.focus('#Text1');
      await chords(page, 'Control+KeyA');
      await page.keyboard.type('Hi');
      const box = await menu(page, 'e');
      const got = keyOf.get(fromShown(await value(page, 'Text2')));
      const want = (key + sum + 107) % 100;
      const ok = !box && got === want;
      failed += ok ? 0 : 1;
      console.log(`${ok ? 'ok  ' : 'FAIL'}  ${keys.padEnd(36)} ${codes.padEnd(8)} ${layout} ${form || ''}` +
        (ok ? '' : `: added ${(got - key - 107 + 200) % 100}, Windows adds ${sum % 100}` +
          (box ? ` (${box.text})` : '')));
      key = got;
    }
    assert.deepEqual(await strayRequests(page, url), []);
    await page.close();
  }
  assert.equal(failed, 0, `${failed} rows of the keystroke table differ`);
}

async function commands(browser) {
  const page = await open(browser, url);
  // The buttons for the commands are for phones only.
  assert.equal(await page.$eval('#Commands', (e) => getComputedStyle(e).display), 'none');
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
  let password = 'Secret';
  if (chromium) {
    const client = await page.createCDPSession();
    await client.send('Input.dispatchKeyEvent',
      { type: 'rawKeyDown', key: 'Unidentified', code: '', commands: ['paste'] });
    password += 'pasted';
  } else {
    skip('a paste without a key', 'WebDriver pastes only with keys');
  }
  assert.equal(await value(page, 'Text3'), password);
  // Text no key typed (the browser's password manager filling the field in,
  // a drop, a keyboard's suggestion) counts nothing and is taken out again,
  // with a box that says the password must be typed.
  // In Chromium a real drop too, as a mouse gives it.
  for (const kind of [null, 'insertFromDrop', 'insertReplacementText', ...(chromium ? ['drop'] : [])]) {
    if (kind === 'drop') {
      const box = await (await page.$('#Text3')).boundingBox();
      const at = { x: box.x + box.width / 2, y: box.y + box.height / 2 };
      const data = { items: [{ mimeType: 'text/plain', data: 'Dropped' }], dragOperationsMask: 1 };
      const client = await page.createCDPSession();
      for (const type of ['dragEnter', 'dragOver', 'drop']) {
        await client.send('Input.dispatchDragEvent', { type, ...at, data });
      }
    } else {
      await page.$eval('#Text3', (field, inputType) => {
        field.value = 'Filled in';
        field.dispatchEvent(inputType ? new InputEvent('input', { inputType, data: 'Filled in' }) :
          new Event('input'));
      }, kind);
    }
    const box = await page.evaluate(() => document.getElementById('Box').open &&
      document.getElementById('BoxText').textContent);
    assert.match(String(box), /^The password must be typed\./, `${kind}: ${box}`);
    await dismiss(page, () => chords(page, 'Enter'));
    assert.equal(await value(page, 'Text3'), password, kind);
  }
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
  assert.equal(await clipboard(page), clipboardForm(code));
  // ...and pasted back into the code field exactly, then decoded.
  assert.equal(fromShown(await value(page, 'Text2')), code);
  assert.equal(await menu(page, 'd'), false);
  assert.equal(await value(page, 'Text1'), 'Hello\nWorld 42');
  assert.equal(await value(page, 'Text2'), '');
  // The text field copies the text it holds: its line break is CR LF.
  await page.focus('#Text1');
  await chords(page, 'Control+KeyA', 'Control+KeyC');
  await page.focus('#Text2');
  assert.equal(await clipboard(page), clipboardForm('Hello\r\nWorld 42'));

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
  await page.screenshot({ path: `page-desktop-${engine}.png` });
  assert.deepEqual(await strayRequests(page, url), []);
  await page.close();

  // A link carrying a mail-safe code, its "~" escaped as chat apps do: the
  // code field holds it, and with the password it decodes.
  const mailSafe = cliEncode('Secret', text, '--armor').replace(/\s+/g, '');
  const link = `${url}#${mailSafe.replace(/~/g, '%7E')}`;
  const linked = await open(browser, link);
  assert.equal(await value(linked, 'Text2'), mailSafe);
  assert.equal(await focused(linked), 'Text3');
  // The code has left the page's address.
  assert.equal(await linked.evaluate(() => location.href), url);
  await linked.keyboard.type('Secret');
  assert.equal(await menu(linked, 'd'), false);
  assert.equal(await value(linked, 'Text1'), text.replace('\r\n', '\n'));
  assert.deepEqual(await strayRequests(linked, link), []);

  // The longest code's mail-safe form, its lines ending in CR LF, is the
  // most a paste into the code field may hold; one character more is
  // refused unread.
  const longest = cliEncode('Secret', 'x'.repeat(24572), '--armor').trimEnd()
    .replace(/\n/g, '\r\n');
  await linked.focus('#Text2');
  await chords(linked, 'Control+KeyA', 'Delete');
  const onClipboard = clipboardForm(longest);
  await setClipboard(linked, onClipboard + ' '.repeat(longest.length + 1 - onClipboard.length));
  await chords(linked, 'Control+KeyV');
  assert.match(await linked.$eval('#BoxText', (e) => e.textContent),
    /^The pasted text is too long for the code field: it was not pasted\.[^]*has at most 44,856 characters; this text has 44,857\.$/);
  await dismiss(linked, () => chords(linked, 'Enter'));
  assert.equal(await value(linked, 'Text2'), '');
  await setClipboard(linked, longest);
  await chords(linked, 'Control+KeyV');
  assert.equal(await menu(linked, 'd'), false);
  assert.equal(await value(linked, 'Text1'), 'x'.repeat(24572));
  await linked.close();

  // A link far longer than any code is refused at once, unread.
  const huge = `${url}#${'A'.repeat(200000)}`;
  const refused = await open(browser, huge);
  assert.deepEqual(await refused.evaluate(() => ({
    box: document.getElementById('Box').open && document.getElementById('BoxText').textContent,
    code: document.getElementById('Text2').value,
    fast: performance.getEntriesByName('vantrel-usable')[0].startTime < 1000,
  })), {
    box: 'The code in this link is too long: it was not opened.\n\nA code, even in its ' +
      'mail-safe form, has at most 44,856 characters; this link has 200,000.',
    code: '', fast: true,
  });
  await refused.close();
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
  // Every control is at least 44 pixels each way, with the menu or a box
  // open too (checked below), and the password field spans the width.
  const small = () => page.evaluate(() => [...document.querySelectorAll('button, input, textarea')]
    .filter((e) => e.getClientRects().length).map((e) => [e.id || e.textContent, e.getBoundingClientRect()])
    .filter(([, r]) => r.width < 44 || r.height < 44)
    .map(([name, r]) => `${name}: ${r.width}×${r.height}`));
  assert.deepEqual(await small(), []);
  assert.equal(await page.$eval('#Text3', (e) => e.offsetWidth),
    await page.$eval('#Text1', (e) => e.offsetWidth));

  // A soft keyboard: characters arrive as text with no key codes, a deletion
  // as an unnamed key. "pasq", Backspace, "s" gives the key the same keys
  // give on a PC.
  await page.focus('#Text3');
  let typed = 'pasq\bsword';
  if (chromium) {
    const client = await page.createCDPSession();
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
  } else {
    skip('a soft keyboard and an input method', 'WebDriver sends text only as key events');
    await page.keyboard.type('password');
    typed = 'password';
  }
  assert.equal(await value(page, 'Text3'), 'password');
  await page.focus('#Text1');
  await page.keyboard.type('On the go');
  // Each command is one tap away, under the fields.
  const tap = (command) => page.click(`#Commands [data-command="${command}"]`);
  await tap(0);
  assert.equal(fromShown(await value(page, 'Text2')), cliEncode(typed, 'On the go'));

  // The longest message and the open menu still fit.
  await tap(3);
  assert.match(await page.$eval('#BoxText', (e) => e.textContent), /mail-safe form/);
  assert.deepEqual(await overflow(), { scroll: 360, wide: [] });
  assert.deepEqual(await small(), []);
  await page.screenshot({ path: `page-phone-box-${engine}.png` });
  await dismiss(page, () => page.click('#BoxOk'));
  await page.click('#Tools');
  assert.deepEqual(await overflow(), { scroll: 360, wide: [] });
  assert.deepEqual(await small(), []);
  await page.screenshot({ path: `page-phone-menu-${engine}.png` });
  await chords(page, 'Escape');
  // The whole page as a screenshot is as wide as the screen: 360 pixels
  // times the screen's scale.
  const shot = await page.screenshot({ path: `page-phone-${engine}.png`, fullPage: true });
  assert.equal(shot.readUInt32BE(16), 360 * await page.evaluate(() => devicePixelRatio),
    'the page is wider than the screen');
  assert.deepEqual(await strayRequests(page, url), []);
  await page.close();

  // A link's code: the page says what to do next until it is decoded.
  const hint = 'The code from your link is in the Code field: type the password, then choose Decode.';
  const linked = await open(browser, `${url}#${cliEncode('k', 'Meet at nine', '--armor').trim()}`, { viewport });
  const hinted = () => linked.$eval('#Hint', (e) => !e.hidden && e.textContent.replace(/\s+/g, ' '));
  assert.equal(await hinted(), hint);
  await linked.keyboard.type('k');
  await linked.click('#Commands [data-command="1"]');
  assert.equal(await value(linked, 'Text1'), 'Meet at nine');
  assert.equal(await hinted(), false);
  await linked.close();
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
    assert.deepEqual(await strayRequests(page, address), []);
    assert.deepEqual(served, ['/vantrel.html']);
    await page.close();

    // Shown in a frame by a page of another origin (another port), with a
    // code in its address: it refuses, saying why, and takes nothing in.
    const framing = http.createServer((request, response) => {
      response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
      response.end(`<!DOCTYPE html><iframe src="${address}#Vantrel1~AAAA~~end"></iframe>`);
    });
    await new Promise((resolve) => framing.listen(0, '127.0.0.1', resolve));
    try {
      const outer = await browser.newPage();
      await outer.goto(`http://127.0.0.1:${framing.address().port}/`);
      const framed = () => frameEvaluate(outer, () => ({
        status: document.getElementById('Status').textContent,
        client: document.getElementById('Client').disabled,
        tools: document.getElementById('Tools').disabled,
        code: document.getElementById('Text2').value,
      }));
      let seen = null;
      for (let tries = 0; tries < 100; ++tries) {
        seen = await framed().catch(() => null);
        if (seen && seen.status !== 'Starting…') break;
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
      assert.deepEqual(seen, {
        status: 'Vantrel does not work inside another site\'s page, which could see or change ' +
          'what is typed here. Open Vantrel in a tab of its own.',
        client: true, tools: true, code: '',
      });
      await outer.close();
    } finally {
      framing.close();
    }
  } finally {
    server.close();
  }
}

(async () => {
  const tests = { keystrokes, commands, phone, offline };
  if (!tests[group] || !engines.includes(engine) || !pagePath || (group !== 'offline' && !cli)) {
    console.error('usage: page_test.js keystrokes|commands|phone|offline ' +
      `${engines.join('|')} PAGE [VANTREL-CLI]`);
    process.exit(2);
  }
  const browser = await launch(engine);
  try {
    await tests[group](browser);
    console.log(`page ${group} in ${engine}: passed`);
  } finally {
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(`page ${group} in ${engine}: FAILED`);
  console.error(error);
  process.exit(1);
});
