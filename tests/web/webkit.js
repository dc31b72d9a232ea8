// WebKitGTK for the page's tests, driven by Debian's WebKitWebDriver over
// the W3C WebDriver protocol (HTTP on the loopback address) on a display of
// its own (Xvfb). It offers the part of puppeteer's Browser and Page the
// tests use, so that one driver runs in every engine. The browser is
// MiniBrowser, WebKitGTK's own, without its toolbar (full screen), so that
// the window is the viewport.
'use strict';
const { spawn } = require('child_process');
const net = require('net');

const miniBrowser = process.env.MINIBROWSER ||
  '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// WebDriver's values for the keys that type no character, by the names
// puppeteer gives them.
const keyValues = {
  Backspace: '\uE003', Tab: '\uE004', Enter: '\uE006', NumpadEnter: '\uE007',
  Shift: '\uE008', Control: '\uE009', Alt: '\uE00A', Escape: '\uE00C', Space: ' ',
  End: '\uE010', Home: '\uE011', ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014',
  ArrowDown: '\uE015', Delete: '\uE017', NumpadAdd: '\uE025', F5: '\uE035', F9: '\uE039',
};
function keyValue(name) {
  if (keyValues[name]) return keyValues[name];
  if (/^Key[A-Z]$/.test(name)) return name[3].toLowerCase();
  if (/^Digit[0-9]$/.test(name)) return name[5];
  if ([...name].length === 1) return name;
  throw new Error(`webkit: no WebDriver value for the key ${name}`);
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

class WebDriverError extends Error {}

class Session {
  constructor(port) {
    this.base = `http://127.0.0.1:${port}`;
    this.id = null;
  }

  async call(method, path, body) {
    const where = this.id ? `/session/${this.id}${path}` : path;
    const response = await fetch(this.base + where, {
      method, headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const { value } = await response.json();
    if (!response.ok) {
      throw new WebDriverError(`webkit: ${method} ${path}: ${value.error}: ${value.message}`);
    }
    return value;
  }

  // Runs fn(...args) in the page (or the current frame) and returns its
  // result, awaited when it is a promise.
  async evaluate(fn, ...args) {
    const script = `const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn}).apply(null, Array.from(arguments).slice(0, -1)))
        .then((value) => done({ value }), (error) => done({ error: String(error && error.stack || error) }));`;
    const result = await this.call('POST', '/execute/async', { script, args });
    if (result.error) throw new Error(`webkit: in the page: ${result.error}`);
    return result.value;
  }
}

// A page: MiniBrowser's one window, opened afresh for each page.
class WebKitPage {
  constructor(session) {
    this.session = session;
    this.held = [];
    const keys = async (actions) => session.call('POST', '/actions',
      { actions: [{ type: 'key', id: 'keyboard', actions }] });
    // Keys held with down() go down and up again around each key pressed,
    // in one sequence, so that no key is left pressed between calls.
    this.keyboard = {
      down: async (name) => { this.held.push(keyValue(name)); },
      up: async (name) => { this.held.splice(this.held.lastIndexOf(keyValue(name)), 1); },
      press: async (name) => {
        const value = keyValue(name);
        await keys([
          ...this.held.map((v) => ({ type: 'keyDown', value: v })),
          { type: 'keyDown', value }, { type: 'keyUp', value },
          ...[...this.held].reverse().map((v) => ({ type: 'keyUp', value: v })),
        ]);
      },
      type: async (text) => {
        for (const c of text) await this.keyboard.press(c === '\n' ? 'Enter' : c);
      },
    };
  }

  async goto(url) {
    await this.session.call('POST', '/url', { url });
    // What the page asks for, breaches of its policy and script errors from
    // here on (WebDriver offers no way to watch them from the start).
    await this.evaluate(() => {
      window.vantrelSeen = { violations: [], errors: [] };
      document.addEventListener('securitypolicyviolation', (event) => {
        window.vantrelSeen.violations.push(`${event.violatedDirective} ${event.blockedURI}`);
      });
      window.addEventListener('error', (event) => window.vantrelSeen.errors.push(event.message));
    });
  }

  evaluate(fn, ...args) {
    return this.session.evaluate(fn, ...args);
  }

  $eval(selector, fn, ...args) {
    return this.session.evaluate(`(selector, ...rest) =>
      (${fn})(document.querySelector(selector), ...rest)`, selector, ...args);
  }

  async waitForFunction(fn, { timeout = 10000 } = {}) {
    const until = Date.now() + timeout;
    for (;;) {
      if (await this.evaluate(fn)) return;
      if (Date.now() > until) throw new Error(`webkit: waited ${timeout} ms for ${fn}`);
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }

  focus(selector) {
    return this.$eval(selector, (e) => e.focus());
  }

  async click(selector) {
    const found = await this.session.call('POST', '/element', { using: 'css selector', value: selector });
    await this.session.call('POST', `/element/${Object.values(found)[0]}/click`, {});
  }

  async setViewport({ width, height }) {
    await this.session.call('POST', '/window/rect', { width, height });
  }

  async screenshot({ path } = {}) {
    const shot = Buffer.from(await this.session.call('GET', '/screenshot'), 'base64');
    if (path) require('fs').writeFileSync(path, shot);
    return shot;
  }

  // The resources the page loaded, its policy breaches and script errors.
  async seen() {
    return this.evaluate(() => ({
      requests: performance.getEntriesByType('resource').map((r) => r.name),
      violations: window.vantrelSeen ? window.vantrelSeen.violations : [],
      errors: window.vantrelSeen ? window.vantrelSeen.errors : [],
    }));
  }

  // Runs fn in the page's first frame.
  async frameEvaluate(fn) {
    await this.session.call('POST', '/frame', { id: 0 });
    try {
      return await this.evaluate(fn);
    } finally {
      await this.session.call('POST', '/frame/parent', {});
    }
  }

  async close() {
    await this.session.call('POST', '/url', { url: 'about:blank' });
  }
}

// Starts Xvfb, WebKitWebDriver and a MiniBrowser session; close() ends the
// three (the driver ends MiniBrowser with the session).
async function launchWebKit() {
  const children = [];
  const end = () => {
    for (const child of children.reverse()) if (child.exitCode === null) child.kill();
    children.length = 0;
  };
  // Should the script end without closing the browser, the three end too.
  process.once('exit', end);
  try {
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    children.push(xvfb);
    const display = await new Promise((resolve, reject) => {
      xvfb.stdio[3].once('data', (d) => resolve(String(d).trim()));
      xvfb.once('exit', () => reject(new Error('webkit: Xvfb did not start')));
    });
    const port = await freePort();
    const driver = spawn('WebKitWebDriver', [`--port=${port}`],
      { env: { ...process.env, DISPLAY: `:${display}` }, stdio: 'ignore' });
    children.push(driver);
    const session = new Session(port);
    for (let tries = 0; ; ++tries) {
      try {
        await session.call('GET', '/status');
        break;
      } catch (error) {
        if (tries > 100) throw error;
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
    }
    const created = await session.call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation', '--full-screen'] },
    } } });
    session.id = created.sessionId;
    const page = new WebKitPage(session);
    return {
      engine: 'webkit',
      version: created.capabilities.browserVersion,
      newPage: async () => page,
      close: async () => {
        try {
          await session.call('DELETE', '');
        } finally {
          end();
        }
      },
    };
  } catch (error) {
    end();
    throw error;
  }
}

module.exports = { launchWebKit };
