'use strict';
// The page's cues in headless Chromium, each step on a fresh page over a
// private copy of the site: fetched and decoded once per load, played from
// memory, skipped when too late, silent (never fatal) when too large to hold.
//
//   node cues_page.js <site folder>     (in scripts/session.py run --pulse, as CTest runs it)

const assert = require('node:assert/strict');
const crypto = require('node:crypto');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const {
    kStart, kWinningGame, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, now, recordSink, sleep, serve, watchPolicyViolations, waitForGame, runEachOnItsOwnSite,
} = require('./page_driver.js');

const kCueNames = ['pickup', 'pegdrop', 'winner', 'loser', 'loser4', 'loser3'];

// The cue files come from here, read at each request, counted, @p lateBy ms
// late or held while @p hold names them, with an ETag and a long max-age (a
// page that trusted its HTTP cache would miss a replaced cue); the rest of
// the site from page_driver's server. No service worker: its fetches are not the page's.
async function serveCues(folder, { lateBy = 0, hold = [] } = {}) {
    const site = await serve(folder);
    const answers = [];
    let release;
    const released = new Promise((resolve) => { release = resolve; });
    const server = http.createServer(async (request, response) => {
        const name = new URL(request.url, 'http://host').pathname.slice(1);
        if (!name.endsWith('.WAV')) {
            const upstream = http.get(site.url + (name === 'sw.js' ? 'none' : name), (answer) => {
                response.writeHead(answer.statusCode, answer.headers);
                answer.pipe(response);
            });
            upstream.on('error', () => response.destroy());
            return;
        }
        const answer = { name: name.slice(0, -4), status: 200 };
        answers.push(answer);
        await Promise.all([sleep(lateBy), hold.includes(name) ? released : null]);
        const body = fs.readFileSync(path.join(folder, name));
        const tag = `"${crypto.createHash('sha1').update(body).digest('hex')}"`;
        answer.status = request.headers['if-none-match'] === tag ? 304 : 200;
        response.writeHead(answer.status, { ETag: tag, 'Cache-Control': 'max-age=3600',
            ...(answer.status === 200 && { 'Content-Length': body.length }) });
        response.end(answer.status === 200 ? body : undefined);
    });
    await new Promise((resolve) => { server.listen(0, '127.0.0.1', resolve); });
    return {
        url: `http://127.0.0.1:${server.address().port}/`,
        release,
        // How often each cue was asked for, and the answers given, since the last call.
        answered: () => {
            const taken = answers.splice(0);
            return { counts: kCueNames.map((cue) => taken.filter((a) => a.name === cue).length),
                statuses: [...new Set(taken.map((a) => a.status))].sort() };
        },
        async stop() {
            release();
            await new Promise((resolve) => { server.close(resolve); server.closeAllConnections(); });
            await site.close();
        },
    };
}

// From the page's first moment, counts the AudioBuffers it decodes into
// (window.cuesDecoded). The cues are decoded one after another in
// kCueNames' order, so once the last one it can hold is there, all have settled.
async function countDecodedCues(page) {
    await page.onNewDocument(() => {
        window.cuesDecoded = 0;
        window.AudioBuffer = class extends AudioBuffer {
            constructor(options) {
                super(options);
                ++window.cuesDecoded;
            }
        };
    });
}
const waitForCues = (page, count) => page.waitFor((n) => window.cuesDecoded === n, count);

// Notes every abort of the rule book: even one the page lives through
// leaves its memory as it was at that moment.
async function watchAborts(page) {
    await page.evaluate(() => {
        window.aborts = [];
        const onAbort = Module.onAbort;
        Module.onAbort = (what) => aborts.push(String(what)) && onAbort(what);
    });
}

// The cues the page started (watchCueStarts), named by their length in the
// site's own files (plain 44-byte headers), else as that length in ms.
const ms = (seconds) => Math.round(seconds * 1000);
let cueOfLength = null;
async function startedCues(page) {
    return (await page.evaluate(() => window.cueStarts)).map((seconds) => (typeof seconds === 'number'
        ? cueOfLength.get(ms(seconds)) || `${ms(seconds)} ms` : seconds));
}

// A wave file of 0x10 bytes, with a chunk of @p junk bytes before its data.
function wave({ channels, rate, bits, frames }, junk = 0) {
    const field = (value, bytes) => { const b = Buffer.alloc(bytes); b.writeUIntLE(value, 0, bytes); return b; };
    const align = channels * bits / 8;
    return Buffer.concat([Buffer.from('RIFF'), field(44 + junk + frames * align, 4), Buffer.from('WAVEfmt '),
        field(16, 4), field(1, 2), field(channels, 2), field(rate, 4), field(rate * align, 4), field(align, 2),
        field(bits, 2), Buffer.from('junk'), field(junk, 4), Buffer.alloc(junk), Buffer.from('data'),
        field(frames * align, 4), Buffer.alloc(frames * align, 0x10)]);
}
// The largest cue the reader takes (32 MiB of 16-bit samples, from 32-bit
// ones: 192 kHz stereo, 43.7 s) in a file exactly at the cap.
const largestCue = (cap) => wave({ channels: 2, rate: 192000, bits: 32, frames: 1 << 23 }, cap - 52 - (1 << 26));
const wasmMiB = (page) => page.evaluate(() => Module.HEAP8.buffer.byteLength / 1048576);

const steps = [
    {
        name: 'cues 300 ms late: six quick drags each heard as pickup, pegdrop; each cue fetched once a load; a replaced cue heard after a reload',
        lateBy: 300,
        async run(page, server, folder) {
            await waitForCues(page, 6);
            const quietFrom = now();
            const recorder = await recordSink();
            try {
                // The audio context starts at the first press and takes a
                // while to sound: a drag warms it up, heard to its end.
                await sleep(300);
                assert.equal(recorder.heard(quietFrom, now()).ms, 0, 'silence before the first press');
                const warmUp = now();
                await mouseDrag(page, 13, 15);
                for (let wait = 0; wait < 100 && recorder.heard(warmUp, now()).ms === 0; ++wait) {
                    await sleep(50);
                }
                await mouseDrag(page, 15, 13);
                await sleep(400);
                await watchCueStarts(page);
                // Each peg held 200 ms: all of pickup (90 ms) is heard, and
                // the server's delay is longer; then all of pegdrop.
                const times = [];
                for (const [from, to] of [[1, 15], [2, 1], [3, 2], [4, 3], [5, 4], [6, 5]]) {
                    await page.mouse.move(...Object.values(await centreOf(page, '#hole' + from)));
                    const down = now();
                    await page.mouse.down();
                    await sleep(200 - (now() - down));
                    await page.mouse.move(...Object.values(await centreOf(page, '#hole' + to)), { steps: 2 });
                    times.push({ down, up: now() });
                    await page.mouse.up();
                    await sleep(400);
                }
                assert.deepEqual(await pegs(page), [1, 2, 3, 4, 5, ...kStart.slice(6), 15]);
                assert.deepEqual(await startedCues(page), times.flatMap(() => ['pickup', 'pegdrop']));
                times.forEach(({ down, up }, index) => {
                    const pickup = recorder.heard(down, up).ms;
                    const pegdrop = recorder.heard(up, times[index + 1]?.down ?? up + 900).ms;
                    assert.ok(pickup > 0 && pegdrop > 0, `drag ${index + 1}: pickup ${pickup} ms, pegdrop ${pegdrop} ms`);
                });
                assert.deepEqual(server.answered(), { counts: [1, 1, 1, 1, 1, 1], statuses: [200] });
                console.log(`  pickup heard ${times.map(({ down, up }) => recorder.heard(down, up).onset.toFixed(0))} ms after its presses (as recorded)`);

                // The winner cue as pickup: not in this load; from the next
                // on, with the files that did not change revalidated.
                fs.copyFileSync(path.join(folder, 'winner.WAV'), path.join(folder, 'pickup.WAV'));
                await mouseDrag(page, 7, 6);
                assert.equal((await startedCues(page)).at(-2), 'pickup');
                await page.reload({ waitUntil: 'load' });
                await waitForGame(page);
                await watchAborts(page);
                await waitForCues(page, 6);
                assert.deepEqual(server.answered(), { counts: [1, 1, 1, 1, 1, 1], statuses: [200, 304] });
                await page.mouse.move(...Object.values(await centreOf(page, '#hole8')));
                const pressed = now();
                await page.mouse.down();
                await sleep(2500);
                assert.ok(recorder.heard(pressed, pressed + 2400).ms >= 700, 'the replaced pickup heard whole');
                await page.mouse.up();
            } finally {
                await recorder.stop();
            }
        },
    },
    {
        name: 'a cue still loading at its press and ready more than 100 ms later is skipped, not played late',
        hold: ['pickup.WAV'],
        async run(page, server) {
            await watchCueStarts(page);
            await page.mouse.move(...Object.values(await centreOf(page, '#hole1')));
            await page.mouse.down();
            await sleep(300);
            server.release();
            await waitForCues(page, 6);
            assert.deepEqual(await startedCues(page), []);
            await page.mouse.move(...Object.values(await centreOf(page, '#hole15')), { steps: 2 });
            await page.mouse.up();
            await mouseDrag(page, 2, 1);
            assert.deepEqual(await startedCues(page), ['pegdrop', 'pickup', 'pegdrop']);
        },
    },
    {
        name: 'the end-of-game cue starts before its message shows',
        async run(page) {
            await waitForCues(page, 6);
            await watchCueStarts(page);
            await page.evaluate(() => {
                const showModal = HTMLDialogElement.prototype.showModal;
                HTMLDialogElement.prototype.showModal = function () {
                    cueStarts.push('message');
                    return showModal.call(this);
                };
            });
            await page.click('#command1');
            await play(page, kWinningGame);
            assert.deepEqual((await startedCues(page)).slice(-3), ['pegdrop', 'winner', 'message']);
        },
    },
    // Each a pickup.WAV of its own, then a drag: what is heard, and the game going on.
    ...[
        { name: 'a broken cue', pickup: () => 'RIFF\u00ff\u00ff\u00ff\u00ffWAVEbroken', heard: [] },
        { name: 'a 5.1 cue', pickup: () => wave({ channels: 6, rate: 8000, bits: 16, frames: 800 }),
            heard: ['100 ms'], channels: 2 },
        { name: 'the largest cue the reader takes, in a file at the cap', pickup: largestCue, heard: ['43691 ms'],
            channels: 2, memory: 'after a cue at the cap' },
        { name: 'that cue a byte over the cap', pickup: (cap) => Buffer.concat([largestCue(cap), Buffer.alloc(1)]),
            heard: [], memory: 'after a cue over the cap', memoryMiB: 16 },
        { name: 'the largest cue with no memory left for its samples', pickup: largestCue, heard: [], starve: true },
    ].map((row) => ({
        name: `${row.name}: ${row.heard.length ? 'heard' : 'silent'}, and the game plays on`,
        prepare: (folder, cap) => fs.writeFileSync(path.join(folder, 'pickup.WAV'), row.pickup(cap)),
        hold: row.starve ? ['pickup.WAV'] : [],
        async run(page, server) {
            if (row.starve) {
                // All the memory the page may have, but room for the file's
                // own copy: the allocation of its samples fails.
                assert.equal(await page.evaluate(() => {
                    window.filler = [];
                    for (let block; (block = Module._malloc(1 << 20));) {
                        filler.push(block);
                    }
                    filler.splice(-66).forEach((block) => Module._free(block));
                    return Module.HEAP8.buffer.byteLength / 1048576;
                }), 128);
                server.release();
            }
            await waitForCues(page, 5 + row.heard.length);
            await page.evaluate(() => window.filler?.forEach((block) => Module._free(block)));
            if (row.memory) {
                console.log(`  WebAssembly memory ${row.memory}: ${(await wasmMiB(page)).toFixed(2)} MiB`);
            }
            assert.equal(row.memoryMiB && await wasmMiB(page), row.memoryMiB);
            await watchCueStarts(page);
            await mouseDrag(page, 1, 15);
            assert.deepEqual(await startedCues(page), [...row.heard, 'pegdrop']);
            assert.equal(row.channels && await page.evaluate(() => cueChannels[0]), row.channels);
            await mouseDrag(page, 2, 1);
            assert.deepEqual(await pegs(page), [1, ...kStart.slice(2), 15]);
        },
    })),
];

async function main() {
    const siteFolder = siteFolderArgument('node cues_page.js <site folder with index.html>');
    // The file cap the offline copy keeps, from cues/CueCatalog.h as the page's.
    const cap = Number(fs.readFileSync(path.join(siteFolder, 'sw.js'), 'utf8').match(/kMaxKeptBytes = (\d+);/)[1]);
    cueOfLength = new Map(kCueNames.map((cue) => {
        const file = fs.readFileSync(path.join(siteFolder, `${cue}.WAV`));
        return [ms(file.readUInt32LE(40) / file.readUInt32LE(28)), cue];
    }));
    const browser = await launch();
    let failed;
    try {
        failed = await runEachOnItsOwnSite(siteFolder, steps, async (step, folder, closing) => {
            step.prepare?.(folder, cap);
            const server = await serveCues(folder, step);
            closing(() => server.stop());
            const page = await browser.newPage();
            closing(() => page.close());
            await watchPolicyViolations(page);
            await countDecodedCues(page);
            await page.setViewport({ width: 1024, height: 768 });
            await page.goto(server.url + 'index.html', { waitUntil: 'load' });
            await waitForGame(page);
            await watchAborts(page);
            assert.equal(await page.evaluate(() => Module._tarnwick_max_cue_bytes() >>> 0), cap);
            await step.run(page, server, folder);
            assert.deepEqual(await page.evaluate(() => [policyViolations, aborts]), [[], []]);
        });
    } finally {
        await browser.close();
    }
    console.log(`${steps.length - failed} passed, ${failed} failed`);
    process.exitCode = failed === 0 ? 0 : 1;
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
