'use strict';
// Plays the game's page in headless Chromium through the DevTools protocol,
// one step of the table below after another, each on a fresh page over a
// private copy of the site served on 127.0.0.1.
//
//   node play_page.js <site folder>
//
// The shared driver is page_driver.js beside it; the README's pictures and
// the benchmark are scripts/screenshot-web.js and scripts/benchmark-web.js.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {
    kStart, kWinningGame, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, waitForLongCue, serve, watchPolicyViolations, waitForGame,
} = require('./page_driver.js');

// Hole cells in CSS pixels within the game window, as the desktop lays them out.
const kCells = [
    [160, 56], [128, 104], [176, 104], [104, 152], [152, 152], [200, 152], [80, 208],
    [128, 208], [184, 208], [232, 208], [48, 264], [104, 264], [160, 264], [208, 264],
    [256, 264],
];
// From the start position, as pairs (from, to): to six pegs stuck.
const kLosingGame = [[6, 15], [1, 6], [4, 1], [6, 4], [7, 2], [1, 4], [9, 7], [7, 2]];
const kRulesWidth = 550;

// --- The page as a player sees it --------------------------------------------

async function holeNames(page) {
    return page.$$eval('.hole', (cells) => cells.map((cell) => cell.getAttribute('aria-label')));
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

// The hole the page rings for the keyboard, 0 for none, with the ring's
// width and colour as drawn, and what screen readers hear of the board while
// it has the focus (the focused node's name in the accessibility tree).
async function keyboardMark(page) {
    const mark = await page.evaluate(() => {
        const cell = document.querySelector('.hole.keyboard');
        const style = cell && getComputedStyle(cell);
        return { hole: cell ? Number(cell.id.slice(4)) : 0,
            ring: style && style.outlineStyle !== 'none' ? `${style.outlineWidth} ${style.outlineColor}` : '',
            boardFocused: document.activeElement.id === 'holes' };
    });
    const focused = (node) => (node.focused ? node : (node.children || []).map(focused).find(Boolean));
    const node = mark.boardFocused && focused(await page.accessibility.snapshot({ interestingOnly: false }));
    return { hole: mark.hole, ring: mark.ring, spoken: node ? node.name : null };
}

// Moves the keyboard's mark to @p hole as a player would: Home or End,
// else up or down to its row, then along it.
async function keyTo(page, hole) {
    const rowOf = (h) => Math.ceil((Math.sqrt(8 * h + 1) - 1) / 2);
    const at = () => page.$eval('.hole.keyboard', (cell) => Number(cell.id.slice(4)));
    if (hole === 1 || hole === 15) {
        await page.keyboard.press(hole === 1 ? 'Home' : 'End');
    }
    for (let from = await at(); rowOf(from) !== rowOf(hole); from = await at()) {
        await page.keyboard.press(rowOf(from) < rowOf(hole) ? 'ArrowDown' : 'ArrowUp');
    }
    for (let from = await at(); from !== hole; from = await at()) {
        await page.keyboard.press(from < hole ? 'ArrowRight' : 'ArrowLeft');
    }
}

function without(holes, removed) {
    return holes.filter((hole) => !removed.includes(hole));
}

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
        name: 'until the rule book runs the buttons are disabled, the board takes no focus and presses change nothing',
        held: ['tarnwick.wasm'],
        async run(page, site, folder, server) {
            // The buttons' disabled, the board's tab stop, the window's aria-busy.
            const controls = () => page.evaluate(() => [...document.querySelectorAll('#client button')]
                .map((button) => button.disabled).concat(holes.tabIndex, client.getAttribute('aria-busy')));
            assert.deepEqual(await controls(), [true, true, true, -1, 'true']);
            // No double-tap zoom nor long-press menu over the window from the first frame.
            assert.deepEqual(await page.evaluate(() => [getComputedStyle(client).touchAction,
                board.dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true }))]), ['manipulation', false]);
            await mouseDrag(page, 1, 15);
            await page.keyboard.press('Tab');
            assert.notEqual(await activeId(page), 'holes');
            assert.deepEqual(await pegs(page), kStart);
            server.release();
            await waitForGame(page);
            assert.deepEqual(await controls(), [false, false, false, 0, null]);
            assert.equal(await activeId(page), 'command1');
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
        },
    },
    ...[
        ['a broken tarnwick.wasm', 'tarnwick.wasm', (file) => fs.writeFileSync(file, 'not WebAssembly')],
        ['a missing tarnwick.wasm', 'tarnwick.wasm', fs.rmSync],
        ['a missing tarnwick.js', 'tarnwick.js', fs.rmSync],
        ['a tarnwick.js that is not the rule book', 'tarnwick.js', (file) => fs.writeFileSync(file, 'var x = ;')],
    ].map(([what, file, spoil]) => ({
        name: `${what}: one line says the game could not start and how to retry, and nothing else shows`,
        prepare: (folder) => spoil(path.join(folder, file)),
        async run(page) {
            await page.waitForSelector('#page-line');
            assert.deepEqual(await page.evaluate(() => [...document.body.children].map((child) =>
                [child.id, child.textContent, child.getAttribute('role')])),
            [['page-line', 'The game could not start. Reload the page to try again.', 'alert']]);
        },
    })),
    ...[{ width: 360, height: 640 }, { width: 390, height: 844 }].map((size) => ({
        name: `a ${size.width} x ${size.height} phone: the window at the top left, no horizontal scrolling; the rules scaled down whole into the viewport, dragged by a finger on their caption`,
        viewport: { ...size, hasTouch: true, isMobile: true, deviceScaleFactor: 2 },
        async run(page) {
            const client = await (await page.$('#client')).boundingBox();
            assert.deepEqual([client.x, client.y], [0, 0]);
            assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
            const inside = async () => {
                const box = await page.$eval('#rules', (dialog) => dialog.getBoundingClientRect().toJSON());
                assert.ok(box.left >= 0 && box.top >= 0 && box.right <= size.width + 0.01 && box.bottom <= size.height + 0.01);
                return box;
            };
            await page.tap('#command2');
            const opened = await inside();
            // Scaled, not reflowed: as wide as the viewport, every line whole.
            assert.ok(Math.abs(opened.width - size.width) < 0.01, `${opened.width} wide`);
            assert.deepEqual(await page.$eval('#rules-text', (text) =>
                [text.scrollWidth <= text.offsetWidth, text.textContent.split('\n').length]), [true, 11]);
            const caption = await centreOf(page, '#rules-caption');
            const finger = await page.touchscreen.touchStart(caption.x, caption.y);
            await finger.move(caption.x + 30, caption.y + 50);
            const moved = await inside();
            assert.deepEqual([moved.left, Math.round(moved.top - opened.top)], [0, 50]);
            await finger.move(caption.x, caption.y + 2000);
            await finger.end();
            assert.ok(Math.abs((await inside()).bottom - size.height) < 0.01);
        },
    })),
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
            // Dragged by the caption with the mouse: as far as the pointer
            // goes, and no further than the viewport's edge.
            const caption = await centreOf(page, '#rules-caption');
            await page.mouse.move(caption.x, caption.y);
            await page.mouse.down();
            await page.mouse.move(caption.x - 60, caption.y + 40, { steps: 3 });
            assert.deepEqual([(await rules()).left - shown.left, (await rules()).top - shown.top], [-60, 40]);
            // The game goes on beside the rules, moved clear of the cells.
            await page.mouse.move(caption.x + 2000, caption.y + 2000, { steps: 3 });
            await page.mouse.up();
            shown = await rules();
            assert.deepEqual([shown.left, shown.top], [viewport.width - shown.width, viewport.height - shown.height]);
            const corner = shown.left;
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
        name: 'the board is the stop after QUIT: keys and focus reach the game, a click takes no focus, a click drops a peg picked up by key',
        async run(page) {
            const ring = '2px rgb(255, 224, 0)';
            // A player who clicks never focuses the board nor sees the ring.
            await mouseDrag(page, 1, 15);
            assert.notEqual(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page), { hole: 0, ring: '', spoken: null });
            await page.focus('#command3');
            await page.keyboard.press('Tab');
            assert.equal(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page), { hole: 1, ring, spoken: 'Hole 1, empty' });
            // The page takes the board's keys from the browser: none scrolls.
            await page.evaluate(() => {
                window.keysTaken = [];
                addEventListener('keydown', (event) => keysTaken.push(`${event.key} ${event.defaultPrevented}`));
            });
            await page.keyboard.press('ArrowRight');
            await page.keyboard.press('Space');
            assert.deepEqual(await keyboardMark(page),
                { hole: 2, ring, spoken: 'Hole 2, empty; holding the peg from hole 2' });
            await page.keyboard.press('ArrowDown');
            await page.keyboard.press('ArrowUp');
            assert.deepEqual(await page.evaluate(() => keysTaken),
                ['ArrowRight true', '  true', 'ArrowDown true', 'ArrowUp true']);
            // Esc is not the board's; the mouse drops the held peg.
            await page.keyboard.press('Escape');
            const at = await centreOf(page, '#hole1');
            await page.mouse.click(at.x, at.y);
            assert.deepEqual(await pegs(page), [1, ...without(kStart, [1, 2]), 15]);
            assert.equal(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page), { hole: 2, ring, spoken: 'Hole 2, empty' });
            await page.keyboard.down('Shift');
            await page.keyboard.press('Tab');
            await page.keyboard.up('Shift');
            assert.equal(await activeId(page), 'command3');
            assert.deepEqual((await keyboardMark(page)).hole, 0);
        },
    },
    {
        name: 'the keyboard alone wins a game; while the message is up keys go to its OK only',
        async run(page) {
            await watchCueStarts(page);
            await page.keyboard.press('Enter');
            for (let tab = 0; tab < 3; ++tab) {
                await page.keyboard.press('Tab');
            }
            assert.equal(await activeId(page), 'holes');
            for (const [index, [from, to]] of kWinningGame.entries()) {
                await keyTo(page, from);
                await page.keyboard.press(index % 2 ? 'Enter' : 'Space');
                const held = await keyboardMark(page);
                assert.equal(held.ring, '2px rgb(255, 224, 0)');
                assert.equal(held.spoken, `Hole ${from}, empty; holding the peg from hole ${from}`);
                await keyTo(page, to);
                assert.equal((await keyboardMark(page)).spoken,
                    `Hole ${to}, empty; holding the peg from hole ${from}`);
                await page.keyboard.press(index % 2 ? 'Space' : 'Enter');
            }
            await waitForLongCue(page);
            assert.equal((await messageShown(page)).text, 'You\'re A Winner');
            assert.equal(await activeId(page), 'message-ok');
            await page.keyboard.press('ArrowLeft');
            await page.keyboard.press('Home');
            assert.deepEqual(await pegs(page), [4]);
            await page.keyboard.press('Enter');
            assert.equal(await messageShown(page), null);
            // The game wakes on the dialog's close event, a task of its own.
            await page.waitForFunction(() => document.querySelectorAll('.hole.peg').length === 14);
            assert.deepEqual(await pegs(page), kStart);
            // The board has the focus again, and the game knows it.
            assert.equal(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page),
                { hole: 4, ring: '2px rgb(255, 224, 0)', spoken: 'Hole 4, peg' });
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
            // A peg dragged off the board scrolls nothing, on a page made taller than the viewport.
            assert.ok(await page.evaluate(() => {
                document.body.append(Object.assign(document.createElement('div'), { id: 'spacer' }));
                spacer.style.height = '4000px';
                return document.documentElement.scrollHeight > innerHeight;
            }));
            const c = await centreOf(page, '#hole2');
            await page.touchscreen.touchStart(c.x, c.y);
            await page.touchscreen.touchMove(c.x, c.y - 100);
            await page.touchscreen.touchEnd();
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
            // Read after two frames: a scroll reaches the page's thread at its next frame.
            const scrolled = () => page.evaluate(() => new Promise((resolve) =>
                requestAnimationFrame(() => requestAnimationFrame(() => resolve(scrollY)))));
            assert.equal(await scrolled(), 0);
            // The same swipe below the window does scroll it.
            await page.touchscreen.touchStart(c.x, 600);
            await page.touchscreen.touchMove(c.x, 500);
            await page.touchscreen.touchEnd();
            assert.ok(await scrolled() > 0);
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
        name: 'QUIT leaves one line on a page it may not close, and closes one a script opened',
        async run(page, site) {
            await page.evaluate(() => history.pushState(null, '', '#played'));
            await page.click('#command3');
            assert.deepEqual(await page.evaluate(() => [...document.body.children].map((child) => child.textContent)),
                ['The game has ended. Reload the page to play again.']);
            // The popup itself: the first new target may be a service worker.
            const [popup] = await Promise.all([
                new Promise((resolve) => page.once('popup', resolve)),
                page.evaluate((url) => { window.open(url, '_blank', 'popup'); }, site + 'index.html'),
            ]);
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

async function main() {
    const siteFolder = siteFolderArgument('node play_page.js <site folder with index.html>');
    const browser = await launch();
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
            step.prepare?.(folder);
            const server = await serve(folder, { held: step.held });
            const context = step.defaultContext ? null : await browser.createBrowserContext();
            const page = await (context || browser).newPage();
            try {
                await watchPolicyViolations(page);
                await page.setViewport(step.viewport || { width: 1024, height: 768 });
                await page.goto(server.url + 'index.html', { waitUntil: 'load' });
                if (!step.held && !step.prepare) {
                    await waitForGame(page);
                }
                await step.run(page, server.url, folder, server);
                if (!page.isClosed()) {
                    assert.deepEqual(await page.evaluate(() => window.policyViolations), []);
                }
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
