'use strict';
// Plays the game's page in one browser engine (chromium, firefox or webkit:
// browser_engines.js), one step of the table below after another, each on a
// fresh page over a private copy of the site served on 127.0.0.1 under a
// sub-path by a private nginx with the shipped configuration (nginx_site.js),
// as hosts serve it; a step that holds a response back gets the Node server
// of page_driver.js instead. A step that needs what the engine's driver
// cannot do is skipped, with the reason printed.
//
//   node play_page.js <site folder> [engine]
//
// The shared driver is page_driver.js beside it; the README's pictures and
// the benchmark are scripts/screenshot-web.js and scripts/benchmark-web.js.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const {
    kStart, kWinningGame, kCapabilities, lacks, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, endOfGameCue, now, recordSink, sleep, serve, watchPolicyViolations,
    accessibilityViolations, waitForGame, wrapPage, runEachOnItsOwnSite,
} = require('./page_driver.js');
const { serveSite } = require('./nginx_site.js');

// Hole cells in CSS pixels within the game window, as the desktop lays them out.
const kCells = [
    [160, 56], [128, 104], [176, 104], [104, 152], [152, 152], [200, 152], [80, 208],
    [128, 208], [184, 208], [232, 208], [48, 264], [104, 264], [160, 264], [208, 264],
    [256, 264],
];
// From the start position, as pairs (from, to): to six pegs stuck.
const kLosingGame = [[6, 15], [1, 6], [4, 1], [6, 4], [7, 2], [1, 4], [9, 7], [7, 2]];
const kRulesWidth = 550;

// What axe finds that the game's fixed looks cause, by rule and element:
// reported, not failed. Anything else it finds fails the step.
const kAccessibilityExceptions = [
    ['color-contrast', '#rules-text', 'the rules keep the game\'s own black on teal, 4.39:1 for bold 13 px text'],
];

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
// it has the focus (the focused node's name in the accessibility tree, or
// where the driver cannot read that tree, the name the page gives it).
async function keyboardMark(page) {
    const mark = await page.evaluate(() => {
        const cell = document.querySelector('.hole.keyboard');
        const style = cell && getComputedStyle(cell);
        return { hole: cell ? Number(cell.id.slice(4)) : 0,
            ring: style && style.outlineStyle !== 'none' ? `${style.outlineWidth} ${style.outlineColor}` : '',
            boardFocused: document.activeElement.id === 'holes',
            label: document.activeElement.getAttribute('aria-label') };
    });
    if (!mark.boardFocused || lacks(page.engine, 'accessibilityTree')) {
        return { hole: mark.hole, ring: mark.ring, spoken: mark.boardFocused ? mark.label : null };
    }
    const focused = (node) => (node.focused ? node : (node.children || []).map(focused).find(Boolean));
    const node = focused(await page.raw.accessibility.snapshot({ interestingOnly: false }));
    return { hole: mark.hole, ring: mark.ring, spoken: node ? node.name : null };
}

// Moves the keyboard's mark to @p hole as a player would: Home or End,
// else up or down to its row, then along it.
async function keyTo(page, hole) {
    const rowOf = (h) => Math.ceil((Math.sqrt(8 * h + 1) - 1) / 2);
    const at = () => page.$eval('.hole.keyboard', (cell) => Number(cell.id.slice(4)));
    if (hole === 1 || hole === 15) {
        await page.keys.press(hole === 1 ? 'Home' : 'End');
    }
    for (let from = await at(); rowOf(from) !== rowOf(hole); from = await at()) {
        await page.keys.press(rowOf(from) < rowOf(hole) ? 'ArrowDown' : 'ArrowUp');
    }
    for (let from = await at(); from !== hole; from = await at()) {
        await page.keys.press(from < hole ? 'ArrowRight' : 'ArrowLeft');
    }
}

// A finger put down at (@p x, @p y), or the mouse's button where the
// engine's driver sends no touch: {move(x, y), end()}.
async function pressAt(page, x, y) {
    if (page.touch) {
        return page.touch.start(x, y);
    }
    await page.mouse.move(x, y);
    await page.mouse.down();
    return { move: (toX, toY) => page.mouse.move(toX, toY), end: () => page.mouse.up() };
}

function without(holes, removed) {
    return holes.filter((hole) => !removed.includes(hole));
}

// The rule book's file in @p folder: the build names it by its content.
function ruleBookFile(folder, extension) {
    return fs.readdirSync(folder).find((name) => /^tarnwick\.[0-9a-f]{16}\./.test(name) && name.endsWith(extension));
}

// --- The steps -------------------------------------------------------------

const steps = [
    {
        name: 'start position, window at the desktop position, focus on Start Game',
        async run(page) {
            assert.equal(await page.title(), 'Tarnwick');
            assert.deepEqual(await pegs(page), kStart);
            assert.equal(await activeId(page), 'command1');
            const client = await page.boxOf('#client');
            assert.deepEqual([client.x, client.y, client.width, client.height], [181, 96, 336, 328]);
            const cells = await page.$$eval('.hole', (all) => all.map((cell) =>
                [cell.offsetLeft, cell.offsetTop, cell.offsetWidth, cell.offsetHeight]));
            assert.deepEqual(cells, kCells.map(([left, top]) => [left, top, 32, 25]));
            assert.deepEqual(await page.$$eval('button', (all) => all.map((b) => b.textContent)),
                ['Start Game', 'HELP', 'QUIT', 'OK', 'OK']);
            assert.ok(await page.evaluate(() => document.querySelector('link[rel=icon][href="icon.png"]') !== null));
            // The server's policy reaches the page: an inline script is refused, and reported.
            assert.deepEqual(await page.evaluate(() => new Promise((resolve) => {
                // The directive alone: engines name it (script-src-elem or script-src) and the source otherwise.
                const answer = () => resolve([window.inlineRan === true,
                    window.policyViolations.splice(0).map((report) => report.split(/-elem| /)[0])]);
                document.addEventListener('securitypolicyviolation', () => setTimeout(answer), { once: true });
                setTimeout(answer, 5000);
                document.head.append(Object.assign(document.createElement('script'), { textContent: 'window.inlineRan = true;' }));
            })), [false, ['script-src']]);
        },
    },
    {
        name: 'until the rule book runs the buttons are disabled, the board takes no focus and presses change nothing',
        // Only page_driver.js's server can hold a response back.
        held: ['.wasm'],
        async run(page, site, folder, server) {
            // The buttons' disabled, the board's tab stop, the window's aria-busy.
            const controls = () => page.evaluate(() => [...document.querySelectorAll('#client button')]
                .map((button) => button.disabled).concat(holes.tabIndex, client.getAttribute('aria-busy')));
            assert.deepEqual(await controls(), [true, true, true, -1, 'true']);
            // No double-tap zoom nor long-press menu over the window from the first frame.
            assert.deepEqual(await page.evaluate(() => [getComputedStyle(client).touchAction,
                board.dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true }))]), ['manipulation', false]);
            await mouseDrag(page, 1, 15);
            await page.keys.press('Tab');
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
        ['a broken tarnwick.wasm', '.wasm', (file) => fs.writeFileSync(file, 'not WebAssembly')],
        ['a missing tarnwick.wasm', '.wasm', fs.rmSync],
        ['a missing tarnwick.js', '.js', fs.rmSync],
        ['a tarnwick.js that is not the rule book', '.js', (file) => fs.writeFileSync(file, 'var x = ;')],
    ].map(([what, extension, spoil]) => ({
        name: `${what}: one line says the game could not start and how to retry, and nothing else shows`,
        prepare: (folder) => spoil(path.join(folder, ruleBookFile(folder, extension))),
        async run(page) {
            await page.waitFor(() => document.getElementById('page-line') !== null);
            assert.deepEqual(await page.evaluate(() => [...document.body.children].map((child) =>
                [child.id, child.textContent, child.getAttribute('role')])),
            [['page-line', 'The game could not start. Reload the page to try again.', 'alert']]);
        },
    })),
    ...[{ width: 360, height: 640 }, { width: 390, height: 844 }].map((size) => ({
        name: `a ${size.width} x ${size.height} phone: the window at the top left, no horizontal scrolling; HELP shows the rules scaled down whole into the viewport, dragged by a finger on their caption`,
        viewport: { ...size, hasTouch: true, isMobile: true, deviceScaleFactor: 2 },
        needs: ['narrowViewport'],
        async run(page) {
            const client = await page.boxOf('#client');
            assert.deepEqual([client.x, client.y], [0, 0]);
            assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
            const inside = async () => {
                const box = await page.$eval('#rules', (dialog) => dialog.getBoundingClientRect().toJSON());
                assert.ok(box.left >= 0 && box.top >= 0 && box.right <= size.width + 0.01 && box.bottom <= size.height + 0.01);
                return box;
            };
            await (page.touch ? page.tap('#command2') : page.click('#command2'));
            assert.deepEqual([await page.$eval('#rules', (dialog) => dialog.open), await activeId(page)], [true, 'rules-ok']);
            const opened = await inside();
            // Scaled, not reflowed: as wide as the viewport, every line whole.
            assert.ok(Math.abs(opened.width - size.width) < 0.01, `${opened.width} wide`);
            assert.deepEqual(await page.$eval('#rules-text', (text) =>
                [text.scrollWidth <= text.offsetWidth, text.textContent.split('\n').length]), [true, 11]);
            const caption = await centreOf(page, '#rules-caption');
            const finger = await pressAt(page, caption.x, caption.y);
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
        name: 'a win plays the winner cue and shows the message over the final board; OK sets the board up again',
        async run(page, site, folder) {
            await watchCueStarts(page);
            await page.click('#command1');
            await play(page, kWinningGame);
            assert.equal(await endOfGameCue(page, folder), 'winner.WAV');
            assert.deepEqual(await messageShown(page),
                { caption: 'Tarnwick', text: 'You\'re A Winner', role: 'alertdialog' });
            assert.deepEqual(await pegs(page), [4]);
            // Nothing else answers while the message is open.
            await page.mouse.click(5, 5);
            assert.deepEqual(await pegs(page), [4]);
            await page.click('#message-ok');
            assert.equal(await messageShown(page), null);
            // The game wakes on the dialog's close event, a task of its own.
            await page.waitFor(() => document.querySelectorAll('.hole.peg').length === 14);
            assert.deepEqual(await pegs(page), kStart);
            // Back in setup: any empty hole takes a peg.
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
        },
    },
    {
        name: 'a loss plays a loser cue and shows its message; Esc answers it as OK',
        async run(page, site, folder) {
            await watchCueStarts(page);
            await page.click('#command1');
            await play(page, kLosingGame);
            assert.match(await endOfGameCue(page, folder), /^loser[34]?\.WAV$/);
            const shown = await messageShown(page);
            assert.equal(shown && shown.text, 'You\'re A Loser');
            assert.equal((await pegs(page)).length, 6);
            await page.keys.press('Escape');
            assert.equal(await messageShown(page), null);
            await page.waitFor(() => document.querySelectorAll('.hole.peg').length === 14);
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
            await page.keys.press('Tab');
            assert.equal(await activeId(page), 'command2');
            await page.keys.press('Tab');
            assert.equal(await activeId(page), 'command3');
            await page.keys.down('Shift');
            await page.keys.press('Tab');
            await page.keys.up('Shift');
            assert.equal(await activeId(page), 'command2');
            await page.keys.press('Enter');
            assert.ok(await page.$eval('#rules', (dialog) => dialog.open));
            await page.keys.press('Escape');
            assert.ok(await page.$eval('#rules', (dialog) => dialog.open));
            await page.keys.press('Space');
            assert.ok(!(await page.$eval('#rules', (dialog) => dialog.open)));
            await page.evaluate(() => document.getElementById('command1').focus());
            await page.keys.press('Enter');
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
            await page.keys.press('Tab');
            assert.equal(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page), { hole: 1, ring, spoken: 'Hole 1, empty' });
            // The page takes the board's keys from the browser: none scrolls.
            await page.evaluate(() => {
                window.keysTaken = [];
                addEventListener('keydown', (event) => keysTaken.push(`${event.key} ${event.defaultPrevented}`));
            });
            await page.keys.press('ArrowRight');
            await page.keys.press('Space');
            assert.deepEqual(await keyboardMark(page),
                { hole: 2, ring, spoken: 'Hole 2, empty; holding the peg from hole 2' });
            await page.keys.press('ArrowDown');
            await page.keys.press('ArrowUp');
            assert.deepEqual(await page.evaluate(() => keysTaken),
                ['ArrowRight true', '  true', 'ArrowDown true', 'ArrowUp true']);
            // Esc is not the board's; the mouse drops the held peg.
            await page.keys.press('Escape');
            const at = await centreOf(page, '#hole1');
            await page.mouse.click(at.x, at.y);
            assert.deepEqual(await pegs(page), [1, ...without(kStart, [1, 2]), 15]);
            assert.equal(await activeId(page), 'holes');
            assert.deepEqual(await keyboardMark(page), { hole: 2, ring, spoken: 'Hole 2, empty' });
            if (lacks(page.engine, 'focusLeavesBoardAfterClick')) {
                console.log(`  # no check that Shift+Tab leaves the board after a click: ${lacks(page.engine, 'focusLeavesBoardAfterClick')}`);
                return;
            }
            await page.keys.down('Shift');
            await page.keys.press('Tab');
            await page.keys.up('Shift');
            assert.equal(await activeId(page), 'command3');
            assert.deepEqual((await keyboardMark(page)).hole, 0);
        },
    },
    {
        name: 'the keyboard alone wins a game; while the message is up keys go to its OK only',
        async run(page, site, folder) {
            await watchCueStarts(page);
            await page.keys.press('Enter');
            for (let tab = 0; tab < 3; ++tab) {
                await page.keys.press('Tab');
            }
            assert.equal(await activeId(page), 'holes');
            for (const [index, [from, to]] of kWinningGame.entries()) {
                await keyTo(page, from);
                await page.keys.press(index % 2 ? 'Enter' : 'Space');
                const held = await keyboardMark(page);
                assert.equal(held.ring, '2px rgb(255, 224, 0)');
                assert.equal(held.spoken, `Hole ${from}, empty; holding the peg from hole ${from}`);
                await keyTo(page, to);
                assert.equal((await keyboardMark(page)).spoken,
                    `Hole ${to}, empty; holding the peg from hole ${from}`);
                await page.keys.press(index % 2 ? 'Space' : 'Enter');
            }
            assert.equal(await endOfGameCue(page, folder), 'winner.WAV');
            assert.equal((await messageShown(page)).text, 'You\'re A Winner');
            assert.equal(await activeId(page), 'message-ok');
            await page.keys.press('ArrowLeft');
            await page.keys.press('Home');
            assert.deepEqual(await pegs(page), [4]);
            await page.keys.press('Enter');
            assert.equal(await messageShown(page), null);
            // The game wakes on the dialog's close event, a task of its own.
            await page.waitFor(() => document.querySelectorAll('.hole.peg').length === 14);
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
        needs: ['touch'],
        async run(page) {
            const a = await centreOf(page, '#hole1');
            const b = await centreOf(page, '#hole15');
            const held = await page.touch.start(a.x, a.y);
            await held.move((a.x + b.x) / 2, (a.y + b.y) / 2);
            // A second finger while a peg is held is ignored.
            const second = await centreOf(page, '#hole3');
            const other = await page.touch.start(second.x, second.y);
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
            const swipe = await page.touch.start(c.x, c.y);
            await swipe.move(c.x, c.y - 100);
            await swipe.end();
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
            // Read after two frames: a scroll reaches the page's thread at its next frame.
            const scrolled = () => page.evaluate(() => new Promise((resolve) =>
                requestAnimationFrame(() => requestAnimationFrame(() => resolve(scrollY)))));
            assert.equal(await scrolled(), 0);
            // The same swipe below the window does scroll it.
            if (lacks(page.engine, 'touchScroll')) {
                console.log(`  # no check that a swipe below the window scrolls: ${lacks(page.engine, 'touchScroll')}`);
            } else {
                const below = await page.touch.start(c.x, 600);
                await below.move(c.x, 500);
                await below.end();
                assert.ok(await scrolled() > 0);
            }
            // The 2x pictures at this density.
            assert.match(await page.$eval('#hole2', (cell) => getComputedStyle(cell).backgroundImage),
                /peg@2x\.png/);
        },
    },
    {
        name: 'the accessibility tree has the 15 holes by name, kept current',
        needs: ['accessibilityTree'],
        async run(page) {
            const images = async () => {
                const tree = await page.raw.accessibility.snapshot({ interestingOnly: true });
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
        name: 'axe finds nothing but the listed exceptions at rest, with the rules open and with the message open',
        async run(page) {
            const unexpected = [];
            const excepted = new Set();
            const check = async (when) => {
                const { wcag, bestPractices } = await accessibilityViolations(page);
                for (const advice of bestPractices) {
                    console.log(`  # axe best practice, ${when}: ${advice.rule} at ${advice.target}`);
                }
                for (const found of wcag) {
                    const exception = kAccessibilityExceptions.find(([rule, target]) =>
                        rule === found.rule && target === found.target);
                    if (exception) {
                        excepted.add(exception);
                    } else {
                        unexpected.push(`${when}: ${found.rule} at ${found.target}: ${found.summary}`);
                    }
                }
            };
            await check('at rest');
            await page.click('#command2');
            await check('rules open');
            await page.click('#rules-ok');
            await page.click('#command1');
            await play(page, kLosingGame);
            await page.waitFor(() => document.getElementById('message').open);
            await check('message open');
            for (const [rule, target, reason] of excepted) {
                console.log(`  # axe ${rule} at ${target}: excepted, ${reason}`);
            }
            assert.deepEqual(unexpected, []);
        },
    },
    {
        name: 'QUIT leaves one line on a page it may not close, and closes one a script opened',
        async run(page, site) {
            await page.evaluate(() => history.pushState(null, '', '#played'));
            await page.click('#command3');
            assert.deepEqual(await page.evaluate(() => [...document.body.children].map((child) => child.textContent)),
                ['The game has ended. Reload the page to play again.']);
            if (lacks(page.engine, 'popups')) {
                console.log(`  # a window a script opened is not closed by QUIT here: ${lacks(page.engine, 'popups')}`);
                return;
            }
            // The popup itself: the first new target may be a service worker.
            const [raw] = await Promise.all([
                new Promise((resolve) => page.raw.once('popup', resolve)),
                page.evaluate((url) => { window.open(url, '_blank', 'popup'); }, site + 'index.html'),
            ]);
            const popup = wrapPage(raw, page.engine);
            await waitForGame(popup);
            const closed = new Promise((resolve) => raw.once('close', resolve));
            // The window may close before the click's own answer comes back.
            await popup.click('#command3').catch((error) => {
                if (!/Target closed|closed|detached/i.test(error.message)) {
                    throw error;
                }
            });
            await closed;
            assert.ok(raw.isClosed());
        },
    },
    {
        name: 'cues heard at their moments',
        needs: ['audio'],
        async run(page, site, folder) {
            const recorder = await recordSink();
            try {
                // The pointer onto the hole, then the button down or up; when it went.
                const button = async (hole, change) => {
                    const at = await centreOf(page, '#hole' + hole);
                    await page.mouse.move(at.x, at.y);
                    const time = now();
                    await page.mouse[change]();
                    return time;
                };
                const press = (hole) => button(hole, 'down');
                const release = (hole) => button(hole, 'up');
                // A cue still loading at its press is skipped, as it should be: wait for all six.
                await page.waitFor(() => TarnwickPage.cuesSettled() === 6);
                const quietFrom = now() - 1000;
                const pickedUp = await press(1);
                assert.equal(recorder.heard(quietFrom, pickedUp).ms, 0, 'silence before the press');
                // Generous windows: WebKitGTK opens its audio output only at
                // the first cue (0.3 to 0.8 s seen), and this machine may be busy.
                await sleep(2600);
                const pickup = recorder.heard(pickedUp, pickedUp + 2500);
                assert.ok(pickup.ms > 0 && pickup.ms <= 300, `pickup heard for ${pickup.ms} ms`);
                const dropped = await release(15);
                await sleep(1200);
                const pegdrop = recorder.heard(dropped, dropped + 1100);
                assert.ok(pegdrop.ms > 0, 'pegdrop heard');
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
        needs: ['installability'],
        async run(page, site, folder, server) {
            await page.evaluate(() => navigator.serviceWorker.ready);
            await page.reload();
            assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));
            const devtools = await page.raw.createCDPSession();
            const { installabilityErrors } = await devtools.send('Page.getInstallabilityErrors');
            assert.deepEqual(installabilityErrors, []);
            await server.close();
            await page.reload();
            await waitForGame(page);
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await pegs(page), [...without(kStart, [1]), 15]);
        },
    },
];

// Why the steps that need @p need cannot run in @p engine here, or null.
function missing(engine, need) {
    if (need === 'audio') {
        // Cues are listened for only in a private audio session (scripts/session.py run --pulse).
        return process.env.TARNWICK_TEST_PULSE === '1' ? lacks(engine, 'audio') : 'no private audio server';
    }
    return lacks(engine, need);
}

async function main() {
    const siteFolder = siteFolderArgument('node play_page.js <site folder with index.html> [chromium|firefox|webkit]');
    const engineName = process.argv[3] || 'chromium';
    const browser = await launch(engineName);
    const skips = Object.entries(kCapabilities[engineName]);
    console.log(`# ${engineName}: ${skips.length ? skips.map(([need, why]) => `no ${need} (${why})`).join('; ') : 'every step'}`);
    // On a signal the browser and its driver end with this process.
    for (const [signal, number] of [['SIGINT', 2], ['SIGTERM', 15], ['SIGHUP', 1]]) {
        process.once(signal, () => { browser.close().finally(() => process.exit(128 + number)); });
    }
    // TARNWICK_WEB_STEPS: only the steps whose names match it (while mending one).
    const only = new RegExp(process.env.TARNWICK_WEB_STEPS || '');
    const chosen = steps.filter(({ name }) => only.test(name));
    const runnable = chosen.filter((step) => {
        const reason = (step.needs || []).map((need) => missing(engineName, need)).find(Boolean);
        if (reason) {
            console.log(`skipped - ${step.name}: ${reason}`);
        }
        return !reason;
    });
    const skipped = chosen.length - runnable.length;
    let failed;
    try {
        failed = await runEachOnItsOwnSite(siteFolder, runnable, async (step, folder, closing) => {
            step.prepare?.(folder);
            const server = step.held
                ? await serve(folder, { held: step.held.map((extension) => ruleBookFile(folder, extension)) })
                : await serveSite(folder);
            closing(() => server.close());
            const page = await browser.newPage({ shared: step.defaultContext });
            closing(() => page.close());
            await watchPolicyViolations(page);
            await page.setViewport(step.viewport || { width: 1024, height: 768 });
            await page.goto(server.url + 'index.html');
            if (!page.onNewDocument) {
                await watchPolicyViolations(page);
            }
            if (!step.held && !step.prepare) {
                await waitForGame(page);
            }
            await step.run(page, server.url, folder, server);
            if (!page.isClosed()) {
                assert.deepEqual(await page.evaluate(() => window.policyViolations), []);
                if (!step.prepare) {
                    assert.deepEqual(await page.evaluate(() => window.pageErrors), []);
                }
            }
        });
    } finally {
        await browser.close();
    }
    const passed = runnable.length - failed;
    console.log(`${engineName}: ${passed} passed, ${failed} failed` + (skipped ? `, ${skipped} skipped` : ''));
    process.exitCode = failed === 0 ? 0 : 1;
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
