'use strict';
// Plays the game's page in headless Chromium through the DevTools protocol,
// one step of the table below after another, each on a fresh page over a
// private copy of the site served on 127.0.0.1.
//
//   node play_page.js <site folder>
//   node play_page.js <site folder> --screenshots <folder>
//
// With --screenshots it plays a move instead and writes web.png (a desktop
// browser) and web-phone.png (a phone, at twice the density).
//
//   node play_page.js <site folder> --benchmark [loads]
//
// With --benchmark it prints the page's figures beside a floor page (the same
// HTML, pictures and buttons with no script): see scripts/benchmark-web.sh.
//
// puppeteer-core comes from the lockfile beside this script, installed by
// install-driver.sh under ~/.cache/tarnwick (NODE_PATH points there).

const assert = require('node:assert/strict');
const childProcess = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const kStart = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14];
// Hole cells in CSS pixels within the game window, as the desktop lays them out.
const kCells = [
    [160, 56], [128, 104], [176, 104], [104, 152], [152, 152], [200, 152], [80, 208],
    [128, 208], [184, 208], [232, 208], [48, 264], [104, 264], [160, 264], [208, 264],
    [256, 264],
];
// From the start position, as pairs (from, to): to one peg, and to six pegs stuck.
const kWinningGame = [[6, 15], [1, 6], [8, 10], [2, 9], [7, 2], [10, 3], [14, 5], [3, 8],
    [12, 14], [15, 13], [13, 4], [2, 7], [11, 4]];
const kLosingGame = [[6, 15], [1, 6], [4, 1], [6, 4], [7, 2], [1, 4], [9, 7], [7, 2]];
const kRulesWidth = 550;

// --- The page as a player sees it --------------------------------------------

async function pegs(page) {
    return page.$$eval('.hole', (cells) => cells
        .map((cell, index) => (cell.classList.contains('peg') ? index + 1 : 0))
        .filter((hole) => hole > 0));
}

async function holeNames(page) {
    return page.$$eval('.hole', (cells) => cells.map((cell) => cell.getAttribute('aria-label')));
}

async function centreOf(page, selector) {
    const box = await (await page.$(selector)).boundingBox();
    return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

async function mouseDrag(page, from, to) {
    const a = await centreOf(page, '#hole' + from);
    const b = await centreOf(page, '#hole' + to);
    await page.mouse.move(a.x, a.y);
    await page.mouse.down();
    await page.mouse.move(b.x, b.y, { steps: 4 });
    await page.mouse.up();
}

async function play(page, moves) {
    for (const [from, to] of moves) {
        await mouseDrag(page, from, to);
    }
}

async function messageShown(page) {
    return page.$eval('#message', (dialog) => (dialog.open
        ? { caption: dialog.querySelector('.caption').textContent,
            text: document.getElementById('message-text').textContent,
            role: dialog.getAttribute('role') }
        : null));
}

async function activeId(page) {
    return page.evaluate(() => document.activeElement && document.activeElement.id);
}

// Notes the length in seconds and the channels of every sound the page starts from now on,
// the milliseconds from each press to the first sound started after it, and
// the audio context they play in.
async function watchCueStarts(page) {
    await page.evaluate(() => {
        window.cueStarts = [];
        window.cueChannels = [];
        window.cueDelays = [];
        let pressed = null;
        document.addEventListener('pointerdown', (event) => { pressed = event.timeStamp; }, true);
        const start = AudioBufferSourceNode.prototype.start;
        AudioBufferSourceNode.prototype.start = function (...args) {
            window.cueStarts.push(this.buffer.duration);
            window.cueChannels.push(this.buffer.numberOfChannels);
            if (pressed !== null) {
                window.cueDelays.push(performance.now() - pressed);
                pressed = null;
            }
            window.cueContext = this.context;
            return start.apply(this, args);
        };
    });
}

// The end-of-game cue starts while the message is open: the page decodes it
// in WebAssembly while the game's code sleeps in the message.
async function waitForLongCue(page) {
    await page.waitForFunction(() => window.cueStarts.some((seconds) => seconds >= 1));
}

function without(holes, removed) {
    return holes.filter((hole) => !removed.includes(hole));
}

// --- What the private audio server plays -----------------------------------

// The monotonic clock, in milliseconds: the one the monitor listener times
// what the sink plays by.
const now = () => Number(process.hrtime.bigint()) / 1e6;

// Listens to the null sink "test" of scripts/x-session.sh --pulse through the
// sound tests' monitor recorder (tarnwick_monitor_listener, from the dev
// build), which reports each stretch of sound with when the sink played it.
async function recordSink() {
    const listener = childProcess.spawn(process.env.TARNWICK_MONITOR_LISTENER, [],
        { stdio: ['pipe', 'pipe', 'inherit'] });
    const spans = [];
    let pending = '';
    await new Promise((resolve, reject) => {
        listener.once('error', reject);
        listener.once('exit', (status) => reject(new Error(`the monitor listener ended (${status})`)));
        listener.stdout.on('data', (chunk) => {
            const lines = (pending + chunk).split('\n');
            pending = lines.pop();
            for (const line of lines) {
                const [word, start, end] = line.split(' ');
                if (word === 'ready') {
                    resolve();
                } else if (word === 'sound') {
                    spans.push({ start: Number(start), end: Number(end) });
                }
            }
        });
    });
    listener.removeAllListeners('exit');
    return {
        // Milliseconds of sound between two moments, and when it began.
        heard(from, to) {
            const inside = spans.filter((span) => span.end >= from && span.start <= to);
            const ms = inside.reduce((sum, span) =>
                sum + Math.min(span.end, to) - Math.max(span.start, from), 0);
            return { ms, onset: inside.length ? Math.max(inside[0].start, from) - from : null };
        },
        stop: () => new Promise((resolve) => {
            listener.once('exit', resolve);
            listener.stdin.end();
        }),
    };
}

const sleep = (ms) => new Promise((resolve) => { setTimeout(resolve, ms); });

// --- The steps -------------------------------------------------------------

const steps = [
    {
        name: 'start position, window at the desktop position, focus on Start Game',
        async run(page) {
            assert.equal(await page.title(), 'Tarnwick');
            assert.deepEqual(await pegs(page), kStart);
            assert.equal(await activeId(page), 'command1');
            const client = await (await page.$('#client')).boundingBox();
            assert.deepEqual([client.x, client.y, client.width, client.height], [181, 96, 336, 328]);
            const cells = await page.$$eval('.hole', (all) => all.map((cell) =>
                [cell.offsetLeft, cell.offsetTop, cell.offsetWidth, cell.offsetHeight]));
            assert.deepEqual(cells, kCells.map(([left, top]) => [left, top, 32, 25]));
            assert.deepEqual(await page.$$eval('button', (all) => all.map((b) => b.textContent)),
                ['Start Game', 'HELP', 'QUIT', 'OK', 'OK']);
            assert.ok(await page.$('link[rel=icon][href="icon.png"]'));
        },
    },
    {
        name: 'a small viewport puts the window at the top left, with no horizontal scrolling',
        viewport: { width: 360, height: 640 },
        async run(page) {
            const client = await (await page.$('#client')).boundingBox();
            assert.deepEqual([client.x, client.y], [0, 0]);
            assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
        },
    },
    {
        name: 'a setup move, then Start Game and a jump',
        async run(page) {
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
            await page.click('#command1');
            await mouseDrag(page, 4, 1);
            assert.deepEqual(await pegs(page), [1, ...without(kStart, [1, 2, 4]), 15]);
            // In play, a drop that is no jump puts the peg back.
            await mouseDrag(page, 3, 2);
            assert.deepEqual(await pegs(page), [1, ...without(kStart, [1, 2, 4]), 15]);
        },
    },
    {
        name: 'a peg released off the board stays held until the mouse crosses the background',
        async run(page) {
            const from = await centreOf(page, '#hole6');
            await page.mouse.move(from.x, from.y);
            await page.mouse.down();
            assert.ok(await page.$eval('#drag', (drag) => drag.classList.contains('shown')));
            await page.mouse.move(181 + 5, 96 + 5, { steps: 3 });
            await page.mouse.up();
            assert.deepEqual(await pegs(page), without(kStart, [6]));
            assert.equal((await holeNames(page))[5], 'Hole 6, empty');
            assert.ok(!(await page.$eval('#drag', (drag) => drag.classList.contains('shown'))));
            await page.mouse.move(181 + 20, 96 + 20);
            assert.deepEqual(await pegs(page), kStart);
            assert.equal((await holeNames(page))[5], 'Hole 6, peg');
        },
    },
    {
        name: 'a win plays its cue and shows the message over the final board; OK sets the board up again',
        async run(page) {
            await watchCueStarts(page);
            await page.click('#command1');
            await play(page, kWinningGame);
            await waitForLongCue(page);
            assert.deepEqual(await messageShown(page),
                { caption: 'Tarnwick', text: 'You\'re A Winner', role: 'alertdialog' });
            assert.deepEqual(await pegs(page), [4]);
            // Nothing else answers while the message is open.
            await page.mouse.click(5, 5);
            assert.deepEqual(await pegs(page), [4]);
            await page.click('#message-ok');
            assert.equal(await messageShown(page), null);
            assert.deepEqual(await pegs(page), kStart);
            // Back in setup: any empty hole takes a peg.
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
        },
    },
    {
        name: 'a loss plays a loser cue and shows its message; Esc answers it as OK',
        async run(page) {
            await watchCueStarts(page);
            await page.click('#command1');
            await play(page, kLosingGame);
            await waitForLongCue(page);
            const shown = await messageShown(page);
            assert.equal(shown && shown.text, 'You\'re A Loser');
            assert.equal((await pegs(page)).length, 6);
            await page.keyboard.press('Escape');
            assert.equal(await messageShown(page), null);
            assert.deepEqual(await pegs(page), kStart);
        },
    },
    {
        name: 'the rules: centred, every line fits, modeless, raised by HELP, closed by OK',
        async run(page) {
            await page.click('#command2');
            const rules = () => page.$eval('#rules', (dialog) => ({
                open: dialog.open, left: dialog.offsetLeft, top: dialog.offsetTop,
                width: dialog.offsetWidth, height: dialog.offsetHeight,
                caption: document.getElementById('rules-caption').textContent,
                named: dialog.getAttribute('aria-labelledby'),
                textWidth: document.getElementById('rules-text').scrollWidth,
                textHeight: document.getElementById('rules-text').scrollHeight,
                client: document.getElementById('rules-client').offsetWidth,
                text: document.getElementById('rules-text').textContent,
            }));
            let shown = await rules();
            const viewport = page.viewport();
            assert.equal(shown.open, true);
            assert.equal(shown.caption, 'Tarnwick Rules');
            assert.equal(shown.named, 'rules-caption');
            assert.equal(shown.left, Math.trunc((viewport.width - shown.width) / 2));
            assert.equal(shown.top, Math.trunc((viewport.height - shown.height) / 2));
            assert.equal(shown.client, kRulesWidth);
            assert.ok(shown.textWidth <= kRulesWidth, `rules text ${shown.textWidth} px wide`);
            assert.ok(shown.textHeight <= 367 - 25, `rules text ${shown.textHeight} px high`);
            const lines = shown.text.split('\n');
            assert.equal(lines.length, 11);
            assert.equal(lines[2], ' remaining at the end of the game.  When you jump a piece that piece is removed');
            assert.equal(await activeId(page), 'rules-ok');
            // The game goes on beside the rules, moved clear of the cells.
            const corner = await page.evaluate(() => {
                const dialog = document.getElementById('rules');
                dialog.style.left = innerWidth - dialog.offsetWidth + 'px';
                dialog.style.top = innerHeight - dialog.offsetHeight + 'px';
                return dialog.offsetLeft;
            });
            await page.evaluate(() => document.getElementById('command2').focus());
            await mouseDrag(page, 14, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [14]), 15]);
            // HELP again brings them forward where they are, without centring.
            await page.click('#command2');
            shown = await rules();
            assert.equal(shown.left, corner);
            assert.equal(await activeId(page), 'rules-ok');
            await page.click('#rules-ok');
            assert.equal((await rules()).open, false);
            await page.click('#command2');
            shown = await rules();
            assert.equal(shown.left, Math.trunc((viewport.width - shown.width) / 2));
        },
    },
    {
        name: 'Tab moves between the buttons, Enter presses the focused one, Esc does nothing',
        async run(page) {
            await page.keyboard.press('Tab');
            assert.equal(await activeId(page), 'command2');
            await page.keyboard.press('Tab');
            assert.equal(await activeId(page), 'command3');
            await page.keyboard.down('Shift');
            await page.keyboard.press('Tab');
            await page.keyboard.up('Shift');
            assert.equal(await activeId(page), 'command2');
            await page.keyboard.press('Enter');
            assert.ok(await page.$eval('#rules', (dialog) => dialog.open));
            await page.keyboard.press('Escape');
            assert.ok(await page.$eval('#rules', (dialog) => dialog.open));
            await page.keyboard.press('Space');
            assert.ok(!(await page.$eval('#rules', (dialog) => dialog.open)));
            await page.evaluate(() => document.getElementById('command1').focus());
            await page.keyboard.press('Enter');
            // Play has begun: a setup move is refused now.
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), kStart);
        },
    },
    {
        name: 'a touch drag moves a peg, a second finger is ignored, a touch let go off the board puts it back at once',
        viewport: { width: 412, height: 915, hasTouch: true, isMobile: true, deviceScaleFactor: 2 },
        async run(page) {
            const a = await centreOf(page, '#hole1');
            const b = await centreOf(page, '#hole15');
            const held = await page.touchscreen.touchStart(a.x, a.y);
            await held.move((a.x + b.x) / 2, (a.y + b.y) / 2);
            // A second finger while a peg is held is ignored.
            const second = await centreOf(page, '#hole3');
            const other = await page.touchscreen.touchStart(second.x, second.y);
            await other.end();
            assert.deepEqual(await pegs(page), without(kStart, [1]));
            await held.move(b.x, b.y);
            await held.end();
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
            const c = await centreOf(page, '#hole2');
            await page.touchscreen.touchStart(c.x, c.y);
            await page.touchscreen.touchMove(c.x, c.y + 400);
            await page.touchscreen.touchEnd();
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
            assert.equal(await page.evaluate(() => scrollY), 0);
            // The 2x pictures at this density.
            assert.match(await page.$eval('#hole2', (cell) => getComputedStyle(cell).backgroundImage),
                /peg@2x\.png/);
        },
    },
    {
        name: 'the accessibility tree has the 15 holes by name, kept current',
        async run(page) {
            const images = async () => {
                const tree = await page.accessibility.snapshot({ interestingOnly: true });
                const found = [];
                const walk = (node) => {
                    if (node.role === 'image' || node.role === 'img') {
                        found.push(node.name);
                    }
                    (node.children || []).forEach(walk);
                };
                walk(tree);
                return found;
            };
            const expected = kStart.map((hole) => `Hole ${hole}, peg`).concat(['Hole 15, empty']);
            assert.deepEqual(await images(), expected);
            await mouseDrag(page, 6, 15);
            expected[5] = 'Hole 6, empty';
            expected[14] = 'Hole 15, peg';
            assert.deepEqual(await images(), expected);
        },
    },
    {
        name: 'QUIT empties a page it may not close, and closes one a script opened',
        async run(page, site) {
            await page.evaluate(() => history.pushState(null, '', '#played'));
            await page.click('#command3');
            assert.equal(await page.evaluate(() => document.body.childElementCount), 0);
            const [opened] = await Promise.all([
                new Promise((resolve) => page.browser().once('targetcreated', resolve)),
                page.evaluate((url) => { window.open(url, '_blank', 'popup'); }, site + 'index.html'),
            ]);
            const popup = await opened.page();
            await waitForGame(popup);
            const closed = new Promise((resolve) => popup.once('close', resolve));
            // The window may close before the click's own answer comes back.
            await popup.click('#command3').catch((error) => {
                if (!/Target closed/.test(error.message)) {
                    throw error;
                }
            });
            await closed;
            assert.ok(popup.isClosed());
        },
    },
    {
        name: 'each cue is fetched afresh; a broken or oversized cue is silent and harmless',
        async run(page, site, folder) {
            const fetched = [];
            page.on('request', (request) => {
                if (request.url().endsWith('/pickup.WAV')) {
                    fetched.push(request.headers()['cache-control'] || '');
                }
            });
            await mouseDrag(page, 1, 15);
            fs.writeFileSync(path.join(folder, 'pickup.WAV'), 'RIFF\u00ff\u00ff\u00ff\u00ffWAVEbroken');
            await mouseDrag(page, 2, 1);
            assert.equal(fetched.length, 2);
            assert.deepEqual(await pegs(page), [1, ...without(kStart, [1, 2]), 15]);
            // A cue far larger than any the wave reader takes is not read in:
            // the game's memory does not grow by it.
            fs.truncateSync(path.join(folder, 'pegdrop.WAV'), 80 * 1024 * 1024);
            const ended = new Promise((resolve) => {
                const done = (request) => {
                    if (request.url().endsWith('/pegdrop.WAV')) {
                        resolve();
                    }
                };
                page.on('requestfinished', done);
                page.on('requestfailed', done);
            });
            await mouseDrag(page, 3, 2);
            await ended;
            await sleep(500);
            assert.deepEqual(await pegs(page), [1, 2, ...without(kStart, [1, 2, 3]), 15]);
            assert.ok(await page.evaluate(() => Module.HEAP8.buffer.byteLength) < 64 * 1024 * 1024);
            // The offline copy keeps no file the page would not read.
            assert.equal(await page.evaluate(async () => Number(
                (await (await fetch('sw.js')).text()).match(/kMaxKeptBytes = (\d+);/)[1])),
            await page.evaluate(() => Module._tarnwick_max_cue_bytes() >>> 0));
            // A 5.1 cue reaches Web Audio mixed down to stereo by the core.
            await watchCueStarts(page);
            const field = (value, bytes) => { const b = Buffer.alloc(bytes); b.writeUIntLE(value, 0, bytes); return b; };
            const wide = Buffer.concat([Buffer.from('RIFF'), field(36 + 9600, 4), Buffer.from('WAVEfmt '), field(16, 4),
                field(1, 2), field(6, 2), field(8000, 4), field(96000, 4), field(12, 2), field(16, 2),
                Buffer.from('data'), field(9600, 4), Buffer.alloc(9600, 0x10)]);
            fs.writeFileSync(path.join(folder, 'pickup.WAV'), wide);
            await mouseDrag(page, 6, 3);
            await page.waitForFunction(() => window.cueChannels.length > 0);
            assert.deepEqual(await page.evaluate(() => window.cueChannels), [2]);
        },
    },
    {
        name: 'cues heard at their moments; a cue replaced on the server is heard at the next play',
        needsAudio: true,
        async run(page, site, folder) {
            const recorder = await recordSink();
            try {
                const press = async (hole) => {
                    const at = await centreOf(page, '#hole' + hole);
                    await page.mouse.move(at.x, at.y);
                    const time = now();
                    await page.mouse.down();
                    return time;
                };
                const release = async (hole) => {
                    const at = await centreOf(page, '#hole' + hole);
                    await page.mouse.move(at.x, at.y);
                    const time = now();
                    await page.mouse.up();
                    return time;
                };
                const quietFrom = now() - 1000;
                const pickedUp = await press(1);
                assert.equal(recorder.heard(quietFrom, pickedUp).ms, 0, 'silence before the press');
                // Generous windows: the first cue of a fresh page waits for its
                // service worker, and this machine may be busy.
                await sleep(1200);
                const pickup = recorder.heard(pickedUp, pickedUp + 1100);
                assert.ok(pickup.ms > 0 && pickup.ms <= 300, `pickup heard for ${pickup.ms} ms`);
                const dropped = await release(15);
                await sleep(1200);
                const pegdrop = recorder.heard(dropped, dropped + 1100);
                assert.ok(pegdrop.ms > 0, 'pegdrop heard');

                // The winner cue under pickup's name, with pickup's time stamp.
                const pickupFile = path.join(folder, 'pickup.WAV');
                const stamp = fs.statSync(pickupFile);
                fs.copyFileSync(path.join(folder, 'winner.WAV'), pickupFile);
                fs.utimesSync(pickupFile, stamp.atime, stamp.mtime);
                const again = await press(2);
                await sleep(2500);
                const replaced = recorder.heard(again, again + 2400);
                assert.ok(replaced.ms >= 700, `the replaced pickup heard for ${replaced.ms} ms`);
                await release(2);
                console.log(`  pickup heard ${pickup.onset.toFixed(0)} ms after the press (as recorded)`);
            } finally {
                await recorder.stop();
            }
        },
    },
    {
        name: 'installable, and after one visit the game loads and plays with the server stopped',
        // Installing is refused in private contexts.
        defaultContext: true,
        async run(page, site, folder, server) {
            await page.evaluate(() => navigator.serviceWorker.ready);
            await page.reload({ waitUntil: 'load' });
            assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));
            const devtools = await page.createCDPSession();
            const { installabilityErrors } = await devtools.send('Page.getInstallabilityErrors');
            assert.deepEqual(installabilityErrors, []);
            await server.stop();
            await page.reload({ waitUntil: 'load' });
            await waitForGame(page);
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
        },
    },
];

// --- Harness ---------------------------------------------------------------

function serve(folder) {
    return new Promise((resolve, reject) => {
        const server = childProcess.spawn('python3',
            ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder],
            { stdio: ['ignore', 'pipe', 'ignore'] });
        let output = '';
        server.stdout.on('data', (chunk) => {
            output += chunk;
            const match = /port (\d+)/.exec(output);
            if (match) {
                resolve({
                    url: `http://127.0.0.1:${match[1]}/`,
                    stop: () => new Promise((done) => {
                        if (server.exitCode !== null || server.signalCode !== null) {
                            done();
                            return;
                        }
                        server.once('exit', done);
                        server.kill();
                    }),
                });
            }
        });
        server.once('exit', () => reject(new Error('http.server ended: ' + output)));
    });
}

async function waitForGame(page) {
    await page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun === true
        && typeof Module._tarnwick_image1_mouse_down === 'function');
}

// The README's pictures: the game after a setup move, a jump and a peg picked up.
async function screenshots(browser, siteFolder, outFolder) {
    const views = [
        { file: 'web.png', viewport: { width: 560, height: 460 } },
        { file: 'web-phone.png', viewport: { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true },
            clip: { x: 0, y: 0, width: 390, height: 360 } },
    ];
    const server = await serve(siteFolder);
    try {
        for (const view of views) {
            const context = await browser.createBrowserContext();
            const page = await context.newPage();
            await page.setViewport(view.viewport);
            await page.goto(server.url + 'index.html', { waitUntil: 'load' });
            await waitForGame(page);
            await page.mouse.click(1, 1);
            await play(page, [[6, 15]]);
            await page.click('#command1');
            await mouseDrag(page, 4, 6);
            await page.evaluate(() => document.activeElement.blur());
            await page.screenshot({ path: path.join(outFolder, view.file), clip: view.clip });
            console.log(path.join(outFolder, view.file));
            await context.close();
        }
    } finally {
        await server.stop();
    }
}


// --- Benchmark ---------------------------------------------------------------

// Runs in every page before its own scripts: the first frame in which the
// board and both hole pictures have arrived and 14 pegs are shown.
function watchFirstFrame() {
    window.tarnwickFirstFrame = new Promise((resolve) => {
        const check = () => {
            const names = performance.getEntriesByType('resource').map((entry) => entry.name);
            const arrived = ['board', 'peg', 'nopeg'].every((picture) =>
                names.some((name) => new RegExp(`/${picture}(@2x)?\\.png$`).test(name)));
            if (arrived && document.querySelectorAll('.hole.peg').length === 14) {
                resolve(performance.now());
            } else {
                requestAnimationFrame(check);
            }
        };
        requestAnimationFrame(check);
    });
}

function figures(values, unit, digits = 1) {
    const sorted = [...values].sort((a, b) => a - b);
    const median = sorted.length % 2 ? sorted[(sorted.length - 1) / 2]
        : (sorted[sorted.length / 2 - 1] + sorted[sorted.length / 2]) / 2;
    return `${sorted[0].toFixed(digits)} / ${median.toFixed(digits)} / ${sorted[sorted.length - 1].toFixed(digits)} ${unit}`;
}

const middle = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function benchmark(browser, siteFolder, loads) {
    const zlib = require('node:zlib');
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-bench-'));
    fs.cpSync(siteFolder, folder, { recursive: true });
    // The floor: the same page with no script and no manifest.
    const page = fs.readFileSync(path.join(folder, 'index.html'), 'utf8');
    fs.writeFileSync(path.join(folder, 'floor.html'),
        page.replace(/<script[^>]*><\/script>\n/g, '').replace(/<link rel="manifest"[^>]*>\n/, ''));
    const server = await serve(folder);
    const results = { 'floor.html': { frame: [], bytes: [] }, 'index.html': { frame: [], bytes: [] } };
    try {
        for (let load = 0; load < loads; ++load) {
            for (const file of ['floor.html', 'index.html']) {
                const context = await browser.createBrowserContext();
                const tab = await context.newPage();
                await tab.setViewport({ width: 1024, height: 768 });
                await tab.evaluateOnNewDocument(watchFirstFrame);
                await tab.goto(server.url + file, { waitUntil: 'load' });
                const { frame, bytes } = await tab.evaluate(async () => {
                    const at = await window.tarnwickFirstFrame;
                    const entries = [...performance.getEntriesByType('navigation'),
                        ...performance.getEntriesByType('resource').filter((entry) => entry.responseEnd <= at)];
                    return { frame: at, bytes: entries.reduce((sum, entry) => sum + entry.transferSize, 0) };
                });
                results[file].frame.push(frame);
                results[file].bytes.push(bytes);
                await context.close();
            }
        }
        const floor = results['floor.html'];
        const game = results['index.html'];
        console.log(`| Measure | Floor page | Tarnwick | Ratio | Target |`);
        console.log(`|---|---|---|---|---|`);
        console.log(`| Navigation start to the first frame with board and pegs | ${figures(floor.frame, 'ms')} | ${figures(game.frame, 'ms')} | ${(middle(game.frame) / middle(floor.frame)).toFixed(2)} | ≤ 1.25 × |`);
        console.log(`| Bytes before that frame | ${figures(floor.bytes.map((b) => b / 1024), 'KB')} | ${figures(game.bytes.map((b) => b / 1024), 'KB')} | – | ≤ 400 KB |`);
        for (const name of ['tarnwick.wasm', 'tarnwick.js', 'page.js']) {
            const bytes = fs.readFileSync(path.join(folder, name));
            console.log(`| Size of ${name} | – | ${(bytes.length / 1024).toFixed(1)} KB, gzip ${(zlib.gzipSync(bytes, { level: 9 }).length / 1024).toFixed(1)} KB | – | – |`);
        }

        // Memory after a whole game, and the pick-up cue's latency at the audio server.
        const context = await browser.createBrowserContext();
        const tab = await context.newPage();
        await tab.setViewport({ width: 1024, height: 768 });
        await tab.goto(server.url + 'index.html', { waitUntil: 'load' });
        await waitForGame(tab);
        await watchCueStarts(tab);
        const devtools = await tab.createCDPSession();
        // The peak: the heap read every 20 ms through the game and its message.
        let peak = 0;
        let sampling = true;
        const sampler = (async () => {
            while (sampling) {
                const { usedSize } = await devtools.send('Runtime.getHeapUsage');
                peak = Math.max(peak, usedSize);
                await sleep(20);
            }
        })();
        await tab.click('#command1');
        await play(tab, kWinningGame);
        await waitForLongCue(tab);
        await tab.click('#message-ok');
        sampling = false;
        await sampler;
        const wasm = await tab.evaluate(() => Module.HEAP8.buffer.byteLength);
        await devtools.send('HeapProfiler.collectGarbage');
        const heap = await devtools.send('Runtime.getHeapUsage');
        const mib = (bytes) => (bytes / 1048576).toFixed(2);
        console.log(`| Peak JS heap in a game, plus WebAssembly memory | – | ${mib(peak)} MiB + ${mib(wasm)} MiB | – | – |`);
        console.log(`| JS heap after it, collected (used / total) | – | ${mib(heap.usedSize)} / ${mib(heap.totalSize)} MiB | – | – |`);
        if (process.env.TARNWICK_TEST_PULSE === '1') {
            // Where the time goes: from the press to the page's start() of
            // the cue (watchCueStarts), and what the audio context says it
            // adds after that.
            await tab.evaluate(() => { window.cueDelays = []; });
            const recorder = await recordSink();
            const latencies = [];
            let firstPress = null;
            let early = 0;
            try {
                const at = await centreOf(tab, '#hole1');
                // The series' first press is timed apart: by the recorder's
                // clock its cue already sounds at it.
                for (let press = 0; press <= loads; ++press) {
                    await tab.mouse.move(at.x, at.y);
                    const time = now();
                    await tab.mouse.down();
                    await sleep(400);
                    const heard = recorder.heard(time, time + 400);
                    await tab.mouse.up();
                    await sleep(500);
                    if (press === 0) {
                        firstPress = heard.onset;
                    } else if (heard.onset === 0) {
                        // Sounding already at the press by the recorder's clock:
                        // not a latency.
                        ++early;
                    } else if (heard.onset !== null) {
                        latencies.push(heard.onset);
                    }
                }
            } finally {
                await recorder.stop();
            }
            console.log(`| Press to the first sample of pickup at the audio server (${latencies.length} of ${loads} heard after the press, ${early} sounding at it) | – | ${latencies.length ? figures(latencies, 'ms', 0) : 'none heard'} | – | ≤ 50 / 100 ms |`);
            console.log(`| the same for the series' first press | – | ${firstPress === null ? 'not heard' : firstPress === 0 ? 'sounding at the press by the recorder\'s clock' : firstPress.toFixed(0) + ' ms'} | – | – |`);
            const { delays, context } = await tab.evaluate(() => ({ delays: window.cueDelays.slice(1),
                context: ((audio) => audio && [audio.baseLatency, audio.outputLatency])(window.cueContext) }));
            if (delays.length) {
                console.log(`| of which the press to the page's start() of the cue (the same presses) | – | ${figures(delays, 'ms', 0)} | – | – |`);
            }
            if (context) {
                console.log(`| the audio context's own base / output latency | – | ${(context[0] * 1000).toFixed(0)} / ${(context[1] * 1000).toFixed(0)} ms | – | – |`);
            }
        }
        await context.close();
    } finally {
        await server.stop();
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

async function main() {
    const siteFolder = process.argv[2];
    if (!siteFolder || !fs.existsSync(path.join(siteFolder, 'index.html'))) {
        console.error('usage: node play_page.js <site folder with index.html>');
        process.exit(2);
    }
    const browser = await puppeteer.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        // The cues must reach the audio server: no --mute-audio.
        ignoreDefaultArgs: ['--mute-audio'],
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync'],
    });
    if (process.argv[3] === '--benchmark') {
        try {
            await benchmark(browser, siteFolder, Number(process.argv[4] || 20));
        } finally {
            await browser.close();
        }
        return;
    }
    if (process.argv[3] === '--screenshots') {
        try {
            await screenshots(browser, siteFolder, process.argv[4]);
        } finally {
            await browser.close();
        }
        return;
    }
    let passed = 0;
    let failed = 0;
    let skipped = 0;
    try {
        for (const step of steps) {
            // Cues are listened for only in a private audio session
            // (scripts/x-session.sh --pulse).
            if (step.needsAudio && process.env.TARNWICK_TEST_PULSE !== '1') {
                ++skipped;
                console.log(`skipped - ${step.name}: no private audio server`);
                continue;
            }
            // Each step on its own copy of the site and its own server, so a
            // replaced file or a stopped server touches no other step.
            const started = Date.now();
            const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-site-'));
            fs.cpSync(siteFolder, folder, { recursive: true });
            const server = await serve(folder);
            const context = step.defaultContext ? null : await browser.createBrowserContext();
            const page = await (context || browser).newPage();
            try {
                await page.setViewport(step.viewport || { width: 1024, height: 768 });
                await page.goto(server.url + 'index.html', { waitUntil: 'load' });
                await waitForGame(page);
                await step.run(page, server.url, folder, server);
                ++passed;
                console.log(`ok - ${step.name} (${Date.now() - started} ms)`);
            } catch (error) {
                ++failed;
                console.log(`not ok - ${step.name}\n${error.stack}`);
            } finally {
                await (context || page).close();
                await server.stop();
                fs.rmSync(folder, { recursive: true, force: true });
            }
        }
    } finally {
                await browser.close();
    }
    console.log(`${passed} passed, ${failed} failed` + (skipped ? `, ${skipped} skipped` : ''));
    process.exitCode = failed === 0 ? 0 : 1;
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
