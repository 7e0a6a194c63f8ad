'use strict';
// One small driver over three browser engines, so that the page's test, its
// screenshots and its benchmark say what a player does once:
//
//   chromium  Debian's chromium through puppeteer-core (the DevTools protocol)
//   firefox   Firefox ESR through puppeteer-core over WebDriver BiDi
//   webkit    WebKitGTK's MiniBrowser through WebKitWebDriver (W3C WebDriver,
//             plain HTTP); MiniBrowser has no headless mode, so it needs the
//             private X server of scripts/session.py run
//
// A page offers: goto, evaluate(fn, ...args), waitFor(fn, ...args), $eval,
// $$eval, mouse {move, down, up, click}, keys {press, down, up}, touch
// (start(x, y) -> finger {move, end}, or null), click/tap/focus(selector),
// setViewport, viewport, screenshot, onNewDocument(fn) (or null) and close.
// What an engine cannot do is in kCapabilities, with the reason.

const childProcess = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');

// What each engine or its driver cannot do, or does otherwise than a player's
// browser, and why: a step or check that needs it is skipped with the reason
// printed.
const kCapabilities = {
    chromium: {},
    firefox: {
        accessibilityTree: 'puppeteer reads the accessibility tree over the DevTools protocol only',
        installability: 'Firefox installs no web app from a manifest',
        touchScroll: 'Firefox pans no page for touches sent over BiDi, not even a plain tall one',
    },
    webkit: {
        accessibilityTree: 'WebDriver exposes no accessibility tree',
        installability: 'WebKitGTK installs no web app from a manifest',
        requests: 'WebDriver reports no network requests',
        popups: 'WebDriver reports no window a script opens',
        touch: 'WebKitWebDriver on GTK turns touch pointer actions into mouse events',
        narrowViewport: 'MiniBrowser\'s window is never narrower than its toolbar: 447 px',
        // As on a plain page with a focusable box: Tab still leaves it.
        focusLeavesBoardAfterClick: 'WebKit starts Shift+Tab from the hole last clicked, so it comes back to the board that holds it',
        newDocument: 'WebDriver runs no script before the page\'s own: policy reports are watched from load on',
    },
};

function lacks(engine, need) {
    const reason = kCapabilities[engine][need];
    return reason || null;
}

// Firefox must not talk to anyone but the test server.
const kQuietFirefoxPrefs = {
    'app.update.auto': false,
    'app.update.disabledForTesting': true,
    'app.normandy.enabled': false,
    'browser.safebrowsing.malware.enabled': false,
    'browser.safebrowsing.phishing.enabled': false,
    'browser.safebrowsing.downloads.enabled': false,
    'browser.shell.checkDefaultBrowser': false,
    'browser.topsites.contile.enabled': false,
    'browser.newtabpage.activity-stream.feeds.system.topstories': false,
    'captivedetect.canonicalURL': '',
    'datareporting.healthreport.uploadEnabled': false,
    'datareporting.policy.dataSubmissionEnabled': false,
    'extensions.update.enabled': false,
    'extensions.getAddons.cache.enabled': false,
    'network.captive-portal-service.enabled': false,
    'network.connectivity-service.enabled': false,
    'network.dns.disablePrefetch': true,
    'network.prefetch-next': false,
    'services.settings.server': 'http://127.0.0.1:9/remote-settings',
    'toolkit.telemetry.enabled': false,
    'toolkit.telemetry.server': '',
    'toolkit.telemetry.unified': false,
};

const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// --- puppeteer-core: Chromium and Firefox --------------------------------------

class PuppeteerPage {
    constructor(page, owner, engine) {
        this.raw = page;
        this.engine = engine;
        this.owner = owner;
        this.mouse = {
            move: (x, y, options) => page.mouse.move(...this.clamp(x, y), options),
            down: () => page.mouse.down(),
            up: () => page.mouse.up(),
            click: (x, y) => page.mouse.click(x, y),
        };
        // The BiDi keyboard knows the space bar only as its character.
        const key = (name) => (name === 'Space' ? ' ' : name);
        this.keys = {
            press: (name) => page.keyboard.press(key(name)),
            down: (name) => page.keyboard.down(key(name)),
            up: (name) => page.keyboard.up(key(name)),
        };
        this.touch = {
            start: async (x, y) => {
                const finger = await page.touchscreen.touchStart(x, y);
                return { move: (toX, toY) => finger.move(...this.clamp(toX, toY)), end: () => finger.end() };
            },
        };
    }

    goto(url) { return this.raw.goto(url, { waitUntil: 'load' }); }
    reload() { return this.raw.reload({ waitUntil: 'load' }); }
    evaluate(fn, ...args) { return this.raw.evaluate(fn, ...args); }
    async waitFor(fn, ...args) { await this.raw.waitForFunction(fn, { timeout: 30000 }, ...args); }
    onNewDocument(fn) { return this.raw.evaluateOnNewDocument(fn); }
    setViewport(viewport) { return this.raw.setViewport(viewport); }
    viewport() { return this.raw.viewport(); }
    title() { return this.raw.title(); }
    screenshot(file, clip) { return this.raw.screenshot({ path: file, clip }); }
    isClosed() { return this.raw.isClosed(); }
    close() { return (this.owner || this.raw).close(); }
}

async function launchPuppeteer(name) {
    const puppeteer = require('puppeteer-core');
    const browser = name === 'firefox'
        ? await puppeteer.launch({
            browser: 'firefox',
            executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
            headless: true,
            // A private profile in the temporary folder, made and removed by puppeteer.
            extraPrefsFirefox: kQuietFirefoxPrefs,
        })
        : await puppeteer.launch({
            executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
            headless: true,
            // The cues must reach the audio server: no --mute-audio.
            ignoreDefaultArgs: ['--mute-audio'],
            args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync'],
        });
    return {
        name,
        raw: browser,
        // @p shared: in the browser's default context, where installing is allowed.
        async newPage({ shared = false } = {}) {
            const context = shared ? null : await browser.createBrowserContext();
            return new PuppeteerPage(await (context || browser).newPage(), context, name);
        },
        close: () => browser.close(),
    };
}

// --- W3C WebDriver: WebKitGTK ----------------------------------------------------

const kWebDriverKeys = {
    Tab: '\uE004', Enter: '\uE007', Shift: '\uE008', Escape: '\uE00C', Space: ' ', End: '\uE010',
    Home: '\uE011', ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
};

function freePort() {
    return new Promise((resolve, reject) => {
        const probe = net.createServer();
        probe.once('error', reject);
        probe.listen(0, '127.0.0.1', () => {
            const { port } = probe.address();
            probe.close(() => resolve(port));
        });
    });
}

class WebDriverPage {
    constructor(session) {
        this.session = session;
        this.engine = 'webkit';
        this.size = { width: 800, height: 600 };
        this.at = { x: 0, y: 0 };
        this.touch = null;
        this.onNewDocument = null;
        const pointer = (actions) => session.actions([{ type: 'pointer', id: 'mouse',
            parameters: { pointerType: 'mouse' }, actions }]);
        this.mouse = {
            move: async (toX, toY, { steps = 1 } = {}) => {
                const from = this.at;
                const [x, y] = this.clamp(toX, toY);
                this.at = { x, y };
                await pointer(Array.from({ length: steps }, (_, step) => ({ type: 'pointerMove', origin: 'viewport',
                    x: Math.round(from.x + (x - from.x) * (step + 1) / steps),
                    y: Math.round(from.y + (y - from.y) * (step + 1) / steps) })));
            },
            down: () => pointer([{ type: 'pointerDown', button: 0 }]),
            up: () => pointer([{ type: 'pointerUp', button: 0 }]),
            click: async (x, y) => {
                this.at = { x, y };
                await pointer([{ type: 'pointerMove', origin: 'viewport', x: Math.round(x), y: Math.round(y) },
                    { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]);
            },
        };
        const key = (actions) => session.actions([{ type: 'key', id: 'keyboard', actions }]);
        const value = (name) => kWebDriverKeys[name] || name;
        this.keys = {
            press: (name) => key([{ type: 'keyDown', value: value(name) }, { type: 'keyUp', value: value(name) }]),
            down: (name) => key([{ type: 'keyDown', value: value(name) }]),
            up: (name) => key([{ type: 'keyUp', value: value(name) }]),
        };
    }

    async goto(url) {
        await this.session.send('POST', '/url', { url });
    }

    async reload() {
        await this.session.send('POST', '/refresh', {});
    }

    evaluate(fn, ...args) {
        return this.session.send('POST', '/execute/sync',
            { script: `return (${fn}).apply(null, arguments);`, args });
    }

    async waitFor(fn, ...args) {
        const until = Date.now() + 30000;
        while (!(await this.evaluate(fn, ...args))) {
            if (Date.now() > until) {
                throw new Error(`waited 30 s for ${fn}`);
            }
            await new Promise((resolve) => { setTimeout(resolve, 50); });
        }
    }

    // The window is sized so that its viewport is @p width x @p height.
    async setViewport({ width, height }) {
        this.size = { width, height };
        let rect = { width, height };
        for (let attempt = 0; attempt < 3; ++attempt) {
            await this.session.send('POST', '/window/rect', { x: 0, y: 0, ...rect });
            // The page learns its new size a moment after the window has it:
            // a reading taken at once may be the old one, and would steer the
            // next attempt wrong. Up to a second for the size asked for.
            let inner;
            for (let reading = 0; reading < 20; ++reading) {
                inner = await this.evaluate(() => [innerWidth, innerHeight]);
                if (inner[0] === width && inner[1] === height) {
                    return;
                }
                await new Promise((resolve) => { setTimeout(resolve, 50); });
            }
            rect = { width: rect.width + width - inner[0], height: rect.height + height - inner[1] };
        }
        throw new Error(`MiniBrowser would not show a ${width} x ${height} viewport`);
    }

    viewport() { return this.size; }
    title() { return this.session.send('GET', '/title'); }
    isClosed() { return false; }

    async screenshot(file) {
        fs.writeFileSync(file, Buffer.from(await this.session.send('GET', '/screenshot'), 'base64'));
    }

    // One window serves every step: a blank page ends the last one's scripts and sounds.
    close() { return this.goto('about:blank'); }
}

async function launchWebKit() {
    const port = await freePort();
    const driver = childProcess.spawn(process.env.WEBKIT_WEBDRIVER || '/usr/bin/WebKitWebDriver',
        [`--port=${port}`, '--host=127.0.0.1'], { stdio: ['ignore', 'ignore', 'inherit'] });
    const ended = () => { try { driver.kill('SIGTERM'); } catch { /* gone already */ } };
    process.once('exit', ended);
    const base = `http://127.0.0.1:${port}`;
    const send = async (method, url, body) => {
        const response = await fetch(base + url, { method, body: body && JSON.stringify(body),
            headers: body ? { 'Content-Type': 'application/json' } : {} });
        const { value } = await response.json();
        if (!response.ok) {
            throw new Error(`WebDriver ${method} ${url}: ${value.error}: ${value.message}`);
        }
        return value;
    };
    for (let tries = 0; ; ++tries) {
        try {
            await send('GET', '/status');
            break;
        } catch (error) {
            if (tries > 200) {
                throw error;
            }
            await new Promise((resolve) => { setTimeout(resolve, 50); });
        }
    }
    const { sessionId } = await send('POST', '/session', { capabilities: { alwaysMatch: {
        'webkitgtk:browserOptions': { binary: process.env.MINIBROWSER || kMiniBrowser, args: ['--automation'] },
    } } });
    const session = {
        send: (method, url, body) => send(method, `/session/${sessionId}${url}`, body),
        actions: (actions) => send('POST', `/session/${sessionId}/actions`, { actions }),
    };
    const page = new WebDriverPage(session);
    return {
        name: 'webkit',
        async newPage() { return page; },
        async close() {
            await send('DELETE', `/session/${sessionId}`).catch(() => {});
            ended();
            process.removeListener('exit', ended);
        },
    };
}

// --- Shared by both -------------------------------------------------------------

// The driver-neutral moves, on either kind of page.
for (const Page of [PuppeteerPage, WebDriverPage]) {
    Object.assign(Page.prototype, {
        // A pointer moved beyond the viewport stops at its last pixel in
        // every engine: WebDriver refuses such a move outright.
        clamp(x, y) {
            const { width, height } = this.viewport();
            return [Math.min(Math.max(x, 0), width - 1), Math.min(Math.max(y, 0), height - 1)];
        },
        $eval(selector, fn, ...args) {
            return this.evaluate(new Function('selector', '...args',
                `return (${fn})(document.querySelector(selector), ...args);`), selector, ...args);
        },
        $$eval(selector, fn, ...args) {
            return this.evaluate(new Function('selector', '...args',
                `return (${fn})([...document.querySelectorAll(selector)], ...args);`), selector, ...args);
        },
        boxOf(selector) {
            return this.$eval(selector, (element) => element && element.getBoundingClientRect().toJSON());
        },
        async centreOf(selector) {
            const box = await this.boxOf(selector);
            return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
        },
        async click(selector) {
            const at = await this.centreOf(selector);
            await this.mouse.click(at.x, at.y);
        },
        async tap(selector) {
            const at = await this.centreOf(selector);
            await (await this.touch.start(at.x, at.y)).end();
        },
        focus(selector) {
            return this.$eval(selector, (element) => element.focus());
        },
    });
}

// Starts @p name (chromium, firefox or webkit).
function launch(name = 'chromium') {
    if (!kCapabilities[name]) {
        throw new Error(`no browser engine ${name}: chromium, firefox or webkit`);
    }
    return name === 'webkit' ? launchWebKit() : launchPuppeteer(name);
}

// A page puppeteer opened on its own (a popup) as a driver's page.
const wrapPage = (raw, engine) => new PuppeteerPage(raw, null, engine);

module.exports = { kCapabilities, lacks, launch, wrapPage };
