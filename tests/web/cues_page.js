'use strict';
// The page's cues in headless Chromium, one step of the table below after
// another, each on a fresh page over a private copy of the site: the cues are
// fetched and decoded once per load and played from memory; one that cannot
// start in time is skipped; one the page cannot hold is silent, never fatal.
//
//   node cues_page.js <site folder>
//
// The cue files are served by a server of this script's own, which counts
// the requests, delays or holds the answers and revalidates as a real host
// does; the rest of the site comes from page_driver.js's server.

const assert = require('node:assert/strict');
const crypto = require('node:crypto');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const {
    kStart, kWinningGame, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, now, recordSink, sleep, serve, watchPolicyViolations, waitForGame,
} = require('./page_driver.js');

const kCueNames = ['pickup', 'pegdrop', 'winner', 'loser', 'loser4', 'loser3'];
const kLateBy = 300;

// --- The server ----------------------------------------------------------------

// Serves @p folder: the cue files itself, read afresh at each request, with
// an ETag and a long max-age as a host may send them (a page that trusted
// its HTTP cache would never see a replaced cue), each answer @p lateBy ms
// late, or held while @p hold names it; anything else through page_driver's
// server. No service worker: its own fetches would count as the page's.
async function serveCues(folder, { lateBy = 0, hold = [] } = {}) {
    const site = await serve(folder);
    const requests = [];
    let held = new Set(hold);
    const waiting = [];
    const server = http.createServer(async (request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://host').pathname).slice(1);
        if (name === 'sw.js') {
            response.writeHead(404).end();
            return;
        }
        if (!name.endsWith('.WAV')) {
            request.pipe(http.request(site.url + name, { method: request.method, headers: request.headers },
                (answer) => {
                    response.writeHead(answer.statusCode, answer.headers);
                    answer.pipe(response);
                }).on('error', () => response.destroy()));
            return;
        }
        const seen = { name, status: 0 };
        requests.push(seen);
        await sleep(lateBy);
        while (held.has(name)) {
            await new Promise((resolve) => { waiting.push(resolve); });
        }
        let body;
        try {
            body = fs.readFileSync(path.join(folder, name));
        } catch (error) {
            seen.status = 404;
            response.writeHead(404).end();
            return;
        }
        const tag = `"${crypto.createHash('sha1').update(body).digest('hex')}"`;
        seen.status = request.headers['if-none-match'] === tag ? 304 : 200;
        response.writeHead(seen.status, { 'Content-Type': 'audio/wav', ETag: tag,
            'Cache-Control': 'max-age=3600', ...(seen.status === 200 ? { 'Content-Length': body.length } : {}) });
        response.end(seen.status === 200 ? body : undefined);
    });
    server.on('clientError', (error, socket) => socket.destroy());
    await new Promise((resolve) => { server.listen(0, '127.0.0.1', resolve); });
    return {
        url: `http://127.0.0.1:${server.address().port}/`,
        // How often each cue was asked for, in the order of kCueNames, and with which answers.
        counts: () => kCueNames.map((cue) => requests.filter((r) => r.name === `${cue}.WAV`).length),
        statuses: () => [...new Set(requests.map((r) => r.status))].sort(),
        forget: () => requests.splice(0),
        release() {
            held = new Set();
            waiting.splice(0).forEach((resolve) => resolve());
        },
        async stop() {
            this.release();
            await new Promise((resolve) => {
                server.close(resolve);
                server.closeAllConnections();
            });
            await site.stop();
        },
    };
}

// --- The page --------------------------------------------------------------------

// Counts the sounds the page decodes, from its first moment on: the cues are
// decoded one after another in kCueNames' order, so once the last one the
// page can hold is there, every cue has settled.
async function countDecodedCues(page) {
    await page.evaluateOnNewDocument(() => {
        window.cuesDecoded = 0;
        const Native = AudioBuffer;
        window.AudioBuffer = class extends Native {
            constructor(options) {
                super(options);
                ++window.cuesDecoded;
            }
        };
    });
}

// Notes every abort of the rule book in window.aborts: even one the page
// lives through leaves its memory as it was at that moment.
async function watchAborts(page) {
    await page.evaluate(() => {
        window.aborts = [];
        const onAbort = Module.onAbort;
        Module.onAbort = (what) => {
            aborts.push(String(what));
            onAbort(what);
        };
    });
}

const waitForCues = (page, count) => page.waitForFunction((n) => window.cuesDecoded === n, {}, count);

// The name of the site's cue of a length in seconds (what watchCueStarts
// notes), else the length in milliseconds; anything else noted as it is.
function cueLengths(folder) {
    const lengths = new Map();
    for (const cue of kCueNames) {
        const file = fs.readFileSync(path.join(folder, `${cue}.WAV`));
        // The generator writes the plain 44-byte header.
        lengths.set(Math.round(file.readUInt32LE(40) / file.readUInt32LE(28) * 1000), cue);
    }
    return (seconds) => (typeof seconds === 'number'
        ? lengths.get(Math.round(seconds * 1000)) || `${Math.round(seconds * 1000)} ms` : seconds);
}

async function startedCues(page, cueOf) {
    return (await page.evaluate(() => window.cueStarts)).map(cueOf);
}

// A wave file of @p frames frames of 0x10 bytes: @p channels channels of
// @p bits bits at @p rate, with a chunk of @p junk bytes before its data.
function wave({ channels, rate, bits, frames }, junk = 0) {
    const field = (value, bytes) => {
        const b = Buffer.alloc(bytes);
        b.writeUIntLE(value, 0, bytes);
        return b;
    };
    const align = channels * bits / 8;
    const data = frames * align;
    return Buffer.concat([Buffer.from('RIFF'), field(36 + 8 + junk + data, 4), Buffer.from('WAVEfmt '),
        field(16, 4), field(1, 2), field(channels, 2), field(rate, 4), field(rate * align, 4), field(align, 2),
        field(bits, 2), Buffer.from('junk'), field(junk, 4), Buffer.alloc(junk), Buffer.from('data'), field(data, 4),
        Buffer.alloc(data, 0x10)]);
}

// The largest cue the wave reader takes, in a file as large as the page
// reads: 32 MiB of 16-bit samples from the widest (32-bit) samples, 192 kHz
// stereo for 43.7 s, a 64 MiB data chunk, and a chunk before it up to the cap.
const kLargestCue = { channels: 2, rate: 192000, bits: 32, frames: 8 * 1024 * 1024 };
const largestCue = (cap) => wave(kLargestCue, cap - 52 - 8 * kLargestCue.frames);

const wasmMiB = (page) => page.evaluate(() => Module.HEAP8.buffer.byteLength / 1048576);

// --- The steps -------------------------------------------------------------------

const steps = [
    {
        name: 'cues served 300 ms late: six quick drags each hear pickup then pegdrop; each cue fetched once a load; a replaced cue heard after a reload',
        lateBy: kLateBy,
        needsAudio: true,
        async run(page, server, folder, cueOf) {
            await waitForCues(page, 6);
            const quietFrom = now();
            const recorder = await recordSink();
            try {
                // The audio context starts at the first press and takes a
                // while to sound: a drag that warms it up, heard to its end.
                await sleep(300);
                const warmUp = now();
                assert.equal(recorder.heard(quietFrom, warmUp).ms, 0, 'silence before the first press');
                await mouseDrag(page, 13, 15);
                while (recorder.heard(warmUp, now()).ms === 0) {
                    await sleep(50);
                }
                await sleep(400);
                await mouseDrag(page, 15, 13);
                await sleep(400);
                await watchCueStarts(page);
                // Held 200 ms, long enough to hear all of pickup (90 ms) and
                // shorter than the server's delay; then pegdrop whole.
                const drag = async (from, to) => {
                    const a = await centreOf(page, '#hole' + from);
                    const b = await centreOf(page, '#hole' + to);
                    await page.mouse.move(a.x, a.y);
                    const down = now();
                    await page.mouse.down();
                    await sleep(200 - (now() - down));
                    await page.mouse.move(b.x, b.y, { steps: 2 });
                    const up = now();
                    await page.mouse.up();
                    await sleep(400);
                    return { down, up };
                };
                const moves = [[1, 15], [2, 1], [3, 2], [4, 3], [5, 4], [6, 5]];
                const times = [];
                for (const [from, to] of moves) {
                    times.push(await drag(from, to));
                }
                await sleep(500);
                assert.deepEqual(await pegs(page), [1, 2, 3, 4, 5, ...kStart.slice(6), 15]);
                assert.deepEqual(await startedCues(page, cueOf), moves.flatMap(() => ['pickup', 'pegdrop']));
                // Heard too: pickup while the peg is held, pegdrop after.
                times.forEach(({ down, up }, index) => {
                    const next = index + 1 < times.length ? times[index + 1].down : up + 900;
                    const pickup = recorder.heard(down, up);
                    const pegdrop = recorder.heard(up, next);
                    assert.ok(pickup.ms > 0 && pegdrop.ms > 0,
                        `drag ${index + 1}: pickup heard ${pickup.ms} ms, pegdrop ${pegdrop.ms} ms`);
                });
                assert.deepEqual(server.counts(), [1, 1, 1, 1, 1, 1]);

                // The winner cue under pickup's name: not heard in this load,
                // heard from the next on, and the unchanged files revalidated.
                fs.copyFileSync(path.join(folder, 'winner.WAV'), path.join(folder, 'pickup.WAV'));
                await mouseDrag(page, 7, 6);
                assert.equal((await startedCues(page, cueOf)).at(-2), 'pickup');
                server.forget();
                await page.reload({ waitUntil: 'load' });
                await waitForGame(page);
                await watchAborts(page);
                await waitForCues(page, 6);
                assert.deepEqual(server.counts(), [1, 1, 1, 1, 1, 1]);
                assert.deepEqual(server.statuses(), [200, 304]);
                const at = await centreOf(page, '#hole8');
                await page.mouse.move(at.x, at.y);
                const pressed = now();
                await page.mouse.down();
                await sleep(2500);
                const replaced = recorder.heard(pressed, pressed + 2400);
                assert.ok(replaced.ms >= 700, `the replaced pickup heard for ${replaced.ms} ms`);
                await page.mouse.up();
                const onsets = times.map(({ down, up }) => recorder.heard(down, up).onset.toFixed(0));
                console.log(`  pickup heard ${onsets.join(', ')} ms after its presses (as recorded)`);
            } finally {
                await recorder.stop();
            }
        },
    },
    {
        name: 'a cue still loading at its press and ready more than 100 ms later is skipped, not played late',
        hold: ['pickup.WAV'],
        async run(page, server, folder, cueOf) {
            await watchCueStarts(page);
            const at = await centreOf(page, '#hole1');
            await page.mouse.move(at.x, at.y);
            await page.mouse.down();
            await sleep(300);
            server.release();
            await waitForCues(page, 6);
            assert.deepEqual(await startedCues(page, cueOf), []);
            const to = await centreOf(page, '#hole15');
            await page.mouse.move(to.x, to.y, { steps: 2 });
            await page.mouse.up();
            await mouseDrag(page, 2, 1);
            assert.deepEqual(await startedCues(page, cueOf), ['pegdrop', 'pickup', 'pegdrop']);
        },
    },
    {
        name: 'the end-of-game cue starts before its message shows',
        async run(page, server, folder, cueOf) {
            await waitForCues(page, 6);
            await watchCueStarts(page);
            await page.evaluate(() => {
                const showModal = HTMLDialogElement.prototype.showModal;
                HTMLDialogElement.prototype.showModal = function (...args) {
                    window.cueStarts.push('message');
                    return showModal.apply(this, args);
                };
            });
            await page.click('#command1');
            await play(page, kWinningGame);
            await page.waitForSelector('#message[open]');
            assert.deepEqual((await startedCues(page, cueOf)).slice(-3), ['pegdrop', 'winner', 'message']);
        },
    },
    // Each a pickup.WAV beside the page, then a drag: what is heard of
    // pickup, and of pegdrop, which the page holds whatever pickup is.
    ...[
        { name: 'a broken cue', pickup: () => Buffer.from('RIFF\u00ff\u00ff\u00ff\u00ffWAVEbroken'), heard: [] },
        { name: 'a 5.1 cue', pickup: () => wave({ channels: 6, rate: 8000, bits: 16, frames: 800 }),
            heard: ['100 ms'], channels: 2 },
        { name: 'the largest cue the reader takes, in a file at the cap', pickup: largestCue, heard: ['43691 ms'],
            channels: 2, memory: 'after a cue at the cap' },
        { name: 'that cue with a byte after it, over the cap',
            pickup: (cap) => Buffer.concat([largestCue(cap), Buffer.alloc(1)]), heard: [],
            memory: 'after a cue over the cap', grows: false },
        { name: 'the largest cue, with no memory left for its samples', pickup: largestCue, heard: [],
            starve: true },
    ].map((row) => ({
        name: `${row.name}: ${row.heard.length ? 'heard' : 'silent'}, and the game plays on`,
        prepare: (folder, cap) => fs.writeFileSync(path.join(folder, 'pickup.WAV'), row.pickup(cap)),
        hold: row.starve ? ['pickup.WAV'] : [],
        async run(page, server, folder, cueOf) {
            if (row.starve) {
                // All of the memory the page may have, but for room for the
                // file's own copy: the reader's allocation of the samples fails.
                assert.equal(await page.evaluate(() => {
                    window.filler = [];
                    for (let block; (block = Module._malloc(1 << 20));) {
                        filler.push(block);
                    }
                    for (let i = 0; i < 66; ++i) {
                        Module._free(filler.pop());
                    }
                    return Module.HEAP8.buffer.byteLength / 1048576;
                }), 128);
                server.release();
            }
            await waitForCues(page, 5 + row.heard.length);
            if (row.starve) {
                await page.evaluate(() => filler.forEach((block) => Module._free(block)));
            }
            if (row.memory) {
                console.log(`  WebAssembly memory ${row.memory}: ${(await wasmMiB(page)).toFixed(2)} MiB`);
            }
            if (row.grows === false) {
                assert.equal(await wasmMiB(page), 16);
            }
            await watchCueStarts(page);
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await startedCues(page, cueOf), [...row.heard, 'pegdrop']);
            if (row.channels) {
                assert.equal(await page.evaluate(() => window.cueChannels[0]), row.channels);
            }
            await mouseDrag(page, 2, 1);
            assert.deepEqual(await pegs(page), [1, ...kStart.slice(2), 15]);
        },
    })),
];

async function main() {
    const siteFolder = siteFolderArgument('node cues_page.js <site folder with index.html>');
    const cueOf = cueLengths(siteFolder);
    // The file cap, as the service worker keeps it from cues/CueCatalog.h.
    const cap = Number(fs.readFileSync(path.join(siteFolder, 'sw.js'), 'utf8').match(/kMaxKeptBytes = (\d+);/)[1]);
    const browser = await launch();
    let passed = 0;
    let failed = 0;
    let skipped = 0;
    try {
        for (const step of steps) {
            if (step.needsAudio && process.env.TARNWICK_TEST_PULSE !== '1') {
                ++skipped;
                console.log(`skipped - ${step.name}: no private audio server`);
                continue;
            }
            const started = Date.now();
            const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-cues-'));
            fs.cpSync(siteFolder, folder, { recursive: true });
            step.prepare?.(folder, cap);
            const server = await serveCues(folder, { lateBy: step.lateBy, hold: step.hold });
            const context = await browser.createBrowserContext();
            const page = await context.newPage();
            try {
                await watchPolicyViolations(page);
                await countDecodedCues(page);
                await page.setViewport({ width: 1024, height: 768 });
                await page.goto(server.url + 'index.html', { waitUntil: 'load' });
                await waitForGame(page);
                await watchAborts(page);
                // The cap the page reads with is the one the offline copy keeps.
                assert.equal(await page.evaluate(() => Module._tarnwick_max_cue_bytes() >>> 0), cap);
                await step.run(page, server, folder, cueOf);
                assert.deepEqual(await page.evaluate(() => [window.policyViolations, aborts]), [[], []]);
                ++passed;
                console.log(`ok - ${step.name} (${Date.now() - started} ms)`);
            } catch (error) {
                ++failed;
                console.log(`not ok - ${step.name}\n${error.stack}`);
            } finally {
                await context.close();
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
