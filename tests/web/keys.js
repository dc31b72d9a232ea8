// Turns a row of the shared keystroke table (xdotool key names, chords
// joined by "+") into the key events Chromium delivers to a page for those
// keys, and sends them through the DevTools protocol.
//
// Headless Chromium has no keyboard layout of the system behind it: every
// event carries the key, the code and the text the browser would give. For
// the US layout that is what Chromium gives on every system. For the German
// layout's AltGr and dead keys, browsers differ by system, so a row is sent
// in either of two forms: "windows", where AltGr comes with Ctrl and Alt held
// and a dead key and a letter the layout cannot combine type both, and
// "linux", where AltGr is a key of its own and the composed text is the
// letter with its accent as Unicode combines them.
'use strict';

const shiftedDigits = ')!@#$%^&*(';
// keysym: [code, Windows key code, text, shifted text, AltGr text]
const us = {
  space: ['Space', 32, ' ', ' '],
  minus: ['Minus', 189, '-', '_'],
  bracketleft: ['BracketLeft', 219, '[', '{'],
  bracketright: ['BracketRight', 221, ']', '}'],
  backslash: ['Backslash', 220, '\\', '|'],
  slash: ['Slash', 191, '/', '?'],
  apostrophe: ['Quote', 222, "'", '"'],
  KP_Add: ['NumpadAdd', 107, '+', '+'],
};
for (let d = 0; d <= 9; ++d) us[d] = [`Digit${d}`, 48 + d, `${d}`, shiftedDigits[d]];
for (const c of 'abcdefghijklmnopqrstuvwxyz') {
  us[c] = [`Key${c.toUpperCase()}`, c.toUpperCase().charCodeAt(0), c, c.toUpperCase()];
}
const de = {
  ...us,
  q: ['KeyQ', 81, 'q', 'Q', '@'],
  e: ['KeyE', 69, 'e', 'E', '€'],
  m: ['KeyM', 77, 'm', 'M', 'µ'],
  7: ['Digit7', 55, '7', '/', '{'],
  ssharp: ['Minus', 219, 'ß', '?', '\\'],
  plus: ['BracketRight', 187, '+', '*', '~'],
  less: ['IntlBackslash', 226, '<', '>', '|'],
  odiaeresis: ['Semicolon', 192, 'ö', 'Ö'],
  adiaeresis: ['Quote', 222, 'ä', 'Ä'],
};
// Dead keys of the German layout: [code, key code, accent, combining mark],
// and with Shift.
const deadKeys = {
  dead_circumflex: [['Backquote', 220, '^', '\u0302'], ['Backquote', 220, '°', null]],
  dead_acute: [['Equal', 221, '\u00B4', '\u0301'], ['Equal', 221, '`', '\u0300']],
};
// Keys that type no text: [key, code, key code, text].
const named = {
  BackSpace: ['Backspace', 'Backspace', 8],
  Return: ['Enter', 'Enter', 13, '\r'],
  KP_Enter: ['Enter', 'NumpadEnter', 13, '\r'],
  Escape: ['Escape', 'Escape', 27],
  Delete: ['Delete', 'Delete', 46],
  Left: ['ArrowLeft', 'ArrowLeft', 37],
  Home: ['Home', 'Home', 36],
  End: ['End', 'End', 35],
  F5: ['F5', 'F5', 116],
  Tab: ['Tab', 'Tab', 9],
};
const modifierKeys = {
  ctrl: ['Control', 'ControlLeft', 17, 2],
  alt: ['Alt', 'AltLeft', 18, 1],
  shift: ['Shift', 'ShiftLeft', 16, 8],
  ISO_Level3_Shift: ['AltGraph', 'AltRight', 225, 0],
};

// Sends one chord; `pending` carries a dead key's accent to the next chord.
async function chord(client, names, layout, form, pending) {
  const held = names.slice(0, -1);
  const last = names[names.length - 1];
  const altGr = held.includes('ISO_Level3_Shift');
  // AltGr as Windows reports it: Ctrl and Alt held.
  const holding = altGr && form === 'windows' ?
    ['ctrl', 'alt'] : held.filter((m) => m !== 'ISO_Level3_Shift' || form === 'linux');
  let modifiers = 0;
  for (const m of holding) {
    const [key, code, keyCode, bit] = modifierKeys[m];
    modifiers |= bit;
    await client.send('Input.dispatchKeyEvent',
      { type: 'rawKeyDown', key, code, windowsVirtualKeyCode: keyCode, modifiers });
  }
  const shift = held.includes('shift');
  const plain = !held.includes('ctrl') && !held.includes('alt');
  let event;
  if (named[last]) {
    const [key, code, keyCode, text] = named[last];
    event = { key, code, windowsVirtualKeyCode: keyCode, text: plain ? text : undefined };
  } else if (deadKeys[last] && layout === 'de' && plain) {
    const [code, keyCode, accent, mark] = deadKeys[last][shift ? 1 : 0];
    if (pending.accent) {
      // A second dead key types both accents.
      event = { key: accent, code, windowsVirtualKeyCode: keyCode, text: pending.accent + accent };
      pending.accent = null;
    } else {
      event = { key: 'Dead', code, windowsVirtualKeyCode: keyCode };
      pending.accent = accent;
      pending.mark = mark;
    }
  } else {
    const table = layout === 'de' ? de : us;
    const [code, keyCode, text, shifted, level3] = table[last];
    const key = altGr ? level3 : shift ? shifted : text;
    event = { key, code, windowsVirtualKeyCode: keyCode, text: plain || altGr ? key : undefined };
  }
  if (pending.accent && event.key !== 'Dead' && event.text && event.text !== '\r') {
    const [accent, mark] = [pending.accent, pending.mark];
    const typed = event.text;
    const combined = (typed + mark).normalize('NFC');
    if (typed === ' ') {
      event.text = accent;
    } else if (form === 'windows') {
      const code = combined.charCodeAt(0);
      event.text = combined.length === 1 && code >= 0xA0 && code <= 0xFF ? combined : accent + typed;
    } else {
      event.text = combined;
    }
    event.key = event.text;
    pending.accent = null;
  }
  if (altGr && form === 'windows') {
    // Chromium on Windows inserts the text of a key with Ctrl and Alt held;
    // the DevTools protocol does not, so the text follows the key event as
    // the browser would insert it.
    const { text, ...key } = event;
    await client.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', modifiers, ...key });
    await client.send('Input.insertText', { text });
  } else {
    const down = event.text ? 'keyDown' : 'rawKeyDown';
    await client.send('Input.dispatchKeyEvent', { type: down, modifiers, ...event });
  }
  await client.send('Input.dispatchKeyEvent', { type: 'keyUp', modifiers, ...event, text: undefined });
  for (const m of holding.reverse()) {
    const [key, code, keyCode, bit] = modifierKeys[m];
    modifiers &= ~bit;
    await client.send('Input.dispatchKeyEvent',
      { type: 'keyUp', key, code, windowsVirtualKeyCode: keyCode, modifiers });
  }
}

// Sends a row's keys: chords separated by spaces.
async function sendKeys(client, row, layout = 'us', form = 'linux') {
  const pending = { accent: null, mark: null };
  for (const names of row.split(' ')) await chord(client, names.split('+'), layout, form, pending);
}

// A row's chords as puppeteer names the keys, for engines driven over
// WebDriver, which types a key as the character it gives: a letter or an
// AltGr character of the German layout is sent as that character, with
// Shift already applied. No dead key can be sent so.
const keyNamesOf = {
  // WebDriver's own values for Enter and the keypad's Enter.
  BackSpace: 'Backspace', Return: '\uE006', KP_Enter: '\uE007', Escape: 'Escape',
  Delete: 'Delete', Left: 'ArrowLeft', Home: 'Home', End: 'End', F5: 'F5', Tab: 'Tab',
  KP_Add: 'NumpadAdd', space: ' ', ctrl: 'Control', alt: 'Alt', shift: 'Shift',
};
function keyNames(row, layout = 'us') {
  const table = layout === 'de' ? de : us;
  return row.split(' ').map((chord) => {
    const names = chord.split('+');
    const shift = names.includes('shift');
    const altGr = names.includes('ISO_Level3_Shift');
    const last = names[names.length - 1];
    if (keyNamesOf[last]) return names.map((name) => keyNamesOf[name]);
    const [, , text, shifted, level3] = table[last];
    // A character of the layout's own goes alone: WebKit's driver types
    // nothing for Shift with a character the US layout lacks.
    const own = table[last] !== us[last];
    const held = names.slice(0, -1)
      .filter((name) => name !== 'ISO_Level3_Shift' && !(own && name === 'shift'));
    return [...held.map((name) => keyNamesOf[name]), altGr ? level3 : shift ? shifted : text];
  });
}

module.exports = { sendKeys, keyNames };
