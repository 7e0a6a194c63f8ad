'use strict';
// Measures the game's page in headless Chromium against a floor page (the
// same HTML, pictures and buttons with no script): see scripts/benchmark-web.sh.
//
//   node benchmark-web.js <site folder> [loads]

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const {
    kWinningGame, siteFolderArgument, launch, centreOf, play, watchCueStarts, waitForLongCue,
    now, recordSink, sleep, serve, waitForGame,
} = require('../tests/web/page_driver.js');

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
    const siteFolder = siteFolderArgument('node benchmark-web.js <site folder with index.html> [loads]');
    const browser = await launch();
    try {
        await benchmark(browser, siteFolder, Number(process.argv[3] || 20));
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
