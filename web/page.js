// The page's script: shows the window and forwards the user's events to the
// window model (Page, compiled from C++ into the module above). What a key
// counts, what a field holds and what a command does are decided there.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const text1 = $('Text1');
  const text2 = $('Text2');
  const text3 = $('Text3');
  const client = $('Client');
  const status = $('Status');
  const tools = $('Tools');
  const menu = $('ToolsMenu');
  const items = [...menu.querySelectorAll('[role="menuitem"]')];
  const box = $('Box');
  const hint = $('Hint');
  const bar = [...$('Commands').querySelectorAll('button')];
  const areas = new Map([[text1, 1], [text2, 2]]);
  const lineFeedMark = '\u240A';
  let Page = null;
  let page = null;
  let stopped = false;

  // Another site's page could show this one in a frame, to watch or steer
  // it: put a code in its address, or lay its own controls over these. In a
  // frame of another origin the page says why it refuses, and does nothing
  // else.
  function framedByAnotherSite() {
    if (window.top === window.self) return false;
    try {
      return window.top.location.origin !== location.origin;
    } catch {
      return true;
    }
  }
  if (framedByAnotherSite()) {
    tools.disabled = true;
    status.textContent = 'Vantrel does not work inside another site\'s page, which could see or ' +
        'change what is typed here. Open Vantrel in a tab of its own.';
    return;
  }

  // Puts text on the clipboard exactly, line breaks and control characters
  // included, while the user's click or key is being handled; false when the
  // browser does not allow it. A copy event handler sets the text itself:
  // copying a selection would change line breaks, and the clipboard API is
  // asynchronous where the command has to know now.
  function copyText(text) {
    let copied = false;
    const put = (event) => {
      event.stopImmediatePropagation();
      event.preventDefault();
      event.clipboardData.setData('text/plain', text);
      copied = true;
    };
    // WebKit copies with nothing selected only once a beforecopy handler
    // has said that the page copies for itself.
    const allow = (event) => event.preventDefault();
    document.addEventListener('beforecopy', allow, true);
    document.addEventListener('copy', put, true);
    // A browser copies nothing while the selection is in a password field.
    getSelection().removeAllRanges();
    try {
      copied = document.execCommand('copy') && copied;
    } catch {
      copied = false;
    } finally {
      document.removeEventListener('copy', put, true);
      document.removeEventListener('beforecopy', allow, true);
    }
    return copied;
  }

  // The fields show what the model holds. The hint for a link's code stays
  // while the code does.
  function show() {
    for (const [area, field] of areas) {
      const shown = page.shown(field);
      if (area.value !== shown) area.value = shown;
    }
    if (!text2.value) hint.hidden = true;
  }

  // Message boxes, one after the other: modal, with the caption as title and
  // the focus given back where it was.
  const boxes = [];
  function showBoxes(messages) {
    for (let i = 0; i < messages.length; ++i) boxes.push(messages[i]);
    if (!box.open) nextBox();
  }
  function nextBox() {
    const message = boxes.shift();
    if (!message) {
      if (page.ended()) stop();
      return;
    }
    $('BoxIcon').setAttribute('class', message.icon);
    $('BoxIcon').setAttribute('aria-label', {
      critical: 'Error', exclamation: 'Warning', information: 'Information', none: '',
    }[message.icon]);
    $('BoxText').textContent = message.text.replace(/\r\n/g, '\n');
    const back = document.activeElement;
    box.addEventListener('close', () => {
      if (back && back !== document.body && back.isConnected) back.focus();
      nextBox();
    }, { once: true });
    box.showModal();
    $('BoxOk').focus();
  }
  $('BoxOk').addEventListener('click', () => box.close());

  // After the error report: nothing runs any more; the texts can still be
  // read and copied.
  function stop() {
    stopped = true;
    for (const item of [...items, ...bar]) item.disabled = true;
    for (const field of [text1, text2, text3]) field.readOnly = true;
    status.textContent = 'Vantrel has stopped after an error. Reload the page to start again.';
  }

  // Anything said during an event outside the menu: only the error report,
  // should the binding's own steps fail.
  function settle() {
    showBoxes(page.messages());
  }

  // The Tools menu: Alt+T, a click or Tab reaches it; arrows, access keys,
  // Enter and Escape work in it, and a command gives the focus back to the
  // field that had it.
  let returnTo = text1;
  document.addEventListener('focusin', (event) => {
    if ([text1, text2, text3].includes(event.target)) returnTo = event.target;
  });
  function openMenu() {
    menu.hidden = false;
    tools.setAttribute('aria-expanded', 'true');
    items[0].focus();
  }
  function closeMenu(focus) {
    if (menu.hidden) return;
    menu.hidden = true;
    tools.setAttribute('aria-expanded', 'false');
    if (focus) focus.focus();
  }
  // A command from the menu gives the focus back to the field that had it;
  // one from the buttons under the fields leaves it on the button, so that
  // a phone does not open its keyboard.
  function command(item, fromMenu = true) {
    // The focus waits on the menu bar while the command runs: a browser
    // copies nothing while a password field has it.
    closeMenu(tools);
    const messages = page && !stopped ? page.run(Number(item.dataset.command)) : [];
    show();
    if (fromMenu) returnTo.focus();
    showBoxes(messages);
  }
  for (const button of bar) button.addEventListener('click', () => command(button, false));
  tools.addEventListener('click', () => (menu.hidden ? openMenu() : closeMenu(returnTo)));
  tools.addEventListener('keydown', (event) => {
    if (event.key === 'ArrowDown') {
      event.preventDefault();
      openMenu();
    } else if (event.key === 'Escape') {
      closeMenu(returnTo);
    }
  });
  for (const item of items) {
    item.addEventListener('click', () => command(item));
    // The pointer and the keys share one highlighted item.
    item.addEventListener('pointerenter', () => item.focus());
  }
  menu.addEventListener('keydown', (event) => {
    const at = items.indexOf(document.activeElement);
    const move = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: items.length - 1 }[event.key];
    if (move !== undefined) {
      items[(move + items.length) % items.length].focus();
    } else if (event.key === 'Escape') {
      closeMenu(returnTo);
    } else if (event.key === 'Tab') {
      closeMenu(tools);
      return;
    } else if (event.key === 'Enter' || event.key === ' ') {
      if (at >= 0 && !items[at].disabled) command(items[at]);
    } else {
      const item = items.find((i) => i.dataset.access === event.key.toLowerCase());
      if (!item || event.ctrlKey || event.metaKey) return;
      if (!item.disabled) command(item);
    }
    event.preventDefault();
  });
  document.addEventListener('keydown', (event) => {
    if (event.altKey && !event.ctrlKey && !event.metaKey && event.code === 'KeyT' && !box.open) {
      event.preventDefault();
      openMenu();
    }
  });
  document.addEventListener('pointerdown', (event) => {
    if (!menu.hidden && !menu.contains(event.target) && event.target !== tools) closeMenu(null);
  });

  // The password field reports what Windows reports for the same keystrokes:
  // control characters from the key events, every other character from the
  // text typed into the field (after the layout, a dead key or an input
  // method made it), and a deletion no key announced (a phone's soft
  // keyboard) as Backspace. Pasted text counts nothing, as in the window.
  // Any other text that reaches the field (filled in by the browser, dropped,
  // picked from a suggestion) would give a key that ignores it: it is taken
  // out again and the user is told to type the password.
  let keyAnnounced = false;
  let afterDeadKey = false;
  function modifiers(event) {
    return (event.ctrlKey ? 1 : 0) | (event.altKey ? 2 : 0) | (event.shiftKey ? 4 : 0) |
        (event.metaKey ? 8 : 0) | (event.getModifierState('AltGraph') ? 16 : 0);
  }
  // Keys the browser would take for itself (history, reload, print…) that the
  // window counts as characters: the field keeps them. Editing keys keep
  // their work, but for undo, which a browser applies to whichever field of
  // the page was edited last, and moves the focus there.
  const editingKeys = new Set(['a', 'c', 'v', 'x', 'Backspace']);
  text3.addEventListener('keydown', (event) => {
    if (event.isComposing || event.keyCode === 229 ||
        event.key === 'Process' || event.key === 'Unidentified') {
      return;
    }
    keyAnnounced = true;
    if (event.key === 'Dead') {
      afterDeadKey = true;
      return;
    }
    if (stopped) return;
    const typed = page.keyDown(event.key, event.code, modifiers(event));
    if (typed && event.ctrlKey && !editingKeys.has(event.key.length === 1 ?
        event.key.toLowerCase() : event.key)) {
      event.preventDefault();
    }
    settle();
  });
  text3.addEventListener('keyup', () => {
    keyAnnounced = false;
  });
  const typedEdits = new Set(['insertText', 'insertCompositionText', 'insertFromPaste']);
  let announcedEdit = null;
  let lastPassword = '';
  text3.addEventListener('beforeinput', (event) => {
    const kind = event.inputType;
    announcedEdit = kind;
    if (stopped || event.isComposing) return;
    if (kind === 'insertText' && event.data) {
      page.inserted(event.data, event.data.normalize('NFD'), afterDeadKey);
      afterDeadKey = false;
    } else if (kind.startsWith('delete') && kind.endsWith('Backward') && !keyAnnounced) {
      page.deleted();
    }
    keyAnnounced = false;
    settle();
  });
  text3.addEventListener('compositionend', (event) => {
    if (stopped || !event.data) return;
    page.inserted(event.data, event.data.normalize('NFD'), afterDeadKey);
    afterDeadKey = false;
    settle();
  });
  text3.addEventListener('blur', () => {
    afterDeadKey = false;
    keyAnnounced = false;
  });
  text3.addEventListener('input', (event) => {
    if (stopped) return;
    const kind = event.inputType;
    // An input method's text counts when the composition ends, whether or
    // not the browser announced each step.
    const announced = kind !== undefined &&
        (kind === announcedEdit || kind === 'insertCompositionText');
    announcedEdit = null;
    if (!announced || !(typedEdits.has(kind) || kind.startsWith('delete'))) {
      text3.value = lastPassword;
      page.notTyped();
      settle();
      return;
    }
    lastPassword = text3.value;
    page.setPassword(lastPassword);
    settle();
  });
  // A password field copies nothing.
  for (const kind of ['copy', 'cut']) text3.addEventListener(kind, (event) => event.preventDefault());

  // The text and code fields show the display form of their texts (control
  // characters as visible marks, a lone line feed as its mark and a line
  // break), which a text area keeps exactly; text comes in and goes out
  // through it whole.
  function edited(area) {
    const shown = area.value;
    const wanted = page.edited(areas.get(area), shown);
    if (wanted !== shown) {
      // Only the part that differs is replaced, so the caret stays put.
      let head = 0;
      while (head < shown.length && head < wanted.length && shown[head] === wanted[head]) ++head;
      let tail = 0;
      while (tail < shown.length - head && tail < wanted.length - head &&
             shown[shown.length - 1 - tail] === wanted[wanted.length - 1 - tail]) {
        ++tail;
      }
      area.setRangeText(wanted.slice(head, wanted.length - tail), head, shown.length - tail, 'end');
    }
    settle();
  }
  // A short paste goes in through the browser's editing command, so that it
  // can be undone; a long one, or one of many lines, at once: the command
  // takes seconds over a mail-safe block of hundreds of lines.
  // True while the page inserts text already in its display form: WebKit
  // announces the page's own insertText as typing, which must not be turned
  // into its display form a second time.
  let inserting = false;
  function insert(area, shown) {
    const short = shown.length <= 2000 && shown.split('\n').length <= 8;
    inserting = true;
    try {
      if (short && document.execCommand('insertText', false, shown)) return;
    } finally {
      inserting = false;
    }
    area.setRangeText(shown, area.selectionStart, area.selectionEnd, 'end');
    edited(area);
  }
  function selection(area) {
    return area.value.slice(area.selectionStart, area.selectionEnd);
  }
  for (const area of areas.keys()) {
    // A typed character that would read back as a stand-in (a real "␉") is
    // typed in its display form, so that it stays itself.
    area.addEventListener('beforeinput', (event) => {
      if (stopped || inserting || event.inputType !== 'insertText' || !event.data) return;
      const shown = Page.toShown(event.data);
      if (shown === event.data) return;
      event.preventDefault();
      insert(area, shown);
    });
    area.addEventListener('input', () => {
      if (!stopped) edited(area);
    });
    area.addEventListener('paste', (event) => {
      event.preventDefault();
      if (stopped || area.readOnly) return;
      const text = event.clipboardData.getData('text/plain');
      if (area === text2 && text.length > Page.longestInput()) {
        page.oversized(false, text.length);
        settle();
        return;
      }
      insert(area, Page.toShown(text));
    });
    for (const kind of ['copy', 'cut']) {
      area.addEventListener(kind, (event) => {
        const selected = selection(area);
        if (!selected) return;
        event.preventDefault();
        event.clipboardData.setData('text/plain', Page.fromShown(selected));
        if (kind === 'cut' && !area.readOnly) document.execCommand('delete');
      });
    }
    // Backspace and Delete take a lone line feed's mark and line break
    // together.
    area.addEventListener('keydown', (event) => {
      const back = event.key === 'Backspace';
      if ((!back && event.key !== 'Delete') || event.ctrlKey || event.altKey ||
          area.selectionStart !== area.selectionEnd) {
        return;
      }
      const at = area.selectionStart;
      const v = area.value;
      let from = -1;
      if (back) {
        if (v[at - 1] === '\n' && v[at - 2] === lineFeedMark) from = at - 2;
        else if (v[at - 1] === lineFeedMark && v[at] === '\n') from = at - 1;
      } else if (v[at] === lineFeedMark && v[at + 1] === '\n') {
        from = at;
      } else if (v[at] === '\n' && v[at - 1] === lineFeedMark) {
        from = at - 1;
      }
      if (from >= 0) area.setSelectionRange(from, from + 2);
    });
  }

  // A link may carry a code after "#" (which browsers never send to a
  // server): it goes into the code field as the text it stands for, and
  // leaves the page's address, so that the history and the saved session
  // keep the address without it from then on.
  function openLink() {
    const fragment = location.hash.slice(1);
    if (!fragment) return;
    history.replaceState(null, '', location.href.slice(0, location.href.indexOf('#')));
    if (stopped) return;
    // Longer than any code could be, it is refused before it is read: a
    // huge one would hold up the page for long. Escapes at most triple it.
    const longest = Page.longestInput();
    let code = fragment;
    if (fragment.length <= 3 * longest) {
      try {
        code = decodeURIComponent(fragment);
      } catch {
        // A stray "%": the fragment as it stands.
      }
    }
    if (code.length > longest) {
      page.oversized(true, code.length);
    } else {
      text2.value = page.edited(2, Page.toShown(code));
      hint.hidden = !text2.value;
    }
    settle();
  }
  window.addEventListener('hashchange', openLink);

  // eslint-disable-next-line no-undef
  VantrelModule().then((module) => {
    Page = module.Page;
    page = new Page(copyText);
    document.title = $('Caption').textContent = $('BoxTitle').textContent = Page.caption();
    openLink();
    show();
    client.disabled = false;
    status.textContent = '';
    // A link's code waits for its password.
    (hint.hidden ? text1 : text3).focus();
    performance.mark('vantrel-usable');
  }, () => {
    status.textContent = 'This browser cannot run Vantrel: it needs WebAssembly.';
  });
})();
