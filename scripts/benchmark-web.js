'use strict';
// Measures the game's page in headless Chromium against a floor page (the
// same HTML, pictures and buttons with no script), the press to the pick-up
// cue in Chromium, Firefox and WebKitGTK, and Lighthouse's scores, the site
// served by a private nginx with the shipped configuration (as hosts serve
// it): see scripts/benchmark-web.sh.
//
//   node benchmark-web.js <site folder> [loads]

const childProcess = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const {
    kWinningGame, siteFolderArgument, launch, centreOf, play, watchCueStarts, endOfGameCue,
    now, recordSink, sleep, waitForGame, wrapPage,
} = require('../tests/web/page_driver.js');
const { serveSite } = require('../tests/web/nginx_site.js');

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

// The page's script, the rule book and its .wasm under the names the build
// gave them (their content's hash), as the page and the rule book name them.
function scriptFiles(folder) {
    const page = fs.readFileSync(path.join(folder, 'index.html'), 'utf8');
    const [, pageScript, ruleBook] = page.match(/<script src="([^"]+)" data-rule-book="([^"]+)"/);
    const [, wasm] = fs.readFileSync(path.join(folder, ruleBook), 'utf8').match(/"(tarnwick\.[0-9a-f]{16}\.wasm)"/);
    return [wasm, ruleBook, pageScript];
}

// The bytes of @p url on the wire, as a browser asking for gzip gets them.
const servedBytes = (url) => new Promise((resolve, reject) => {
    http.get(url, { headers: { 'Accept-Encoding': 'gzip' } }, (response) => {
        let bytes = 0;
        response.on('data', (chunk) => { bytes += chunk.length; }).on('end', () => resolve(bytes));
    }).on('error', reject);
});

const middle = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function benchmark(engine, siteFolder, loads) {
    const browser = engine.raw;
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-bench-'));
    fs.cpSync(siteFolder, folder, { recursive: true });
    // The floor: the same page with no script and no manifest.
    const page = fs.readFileSync(path.join(folder, 'index.html'), 'utf8');
    fs.writeFileSync(path.join(folder, 'floor.html'),
        page.replace(/<script[^>]*><\/script>\n/g, '').replace(/<link rel="manifest"[^>]*>\n/, ''));
    const server = await serveSite(folder);
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
        const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;
        for (const name of scriptFiles(folder)) {
            const bytes = fs.readFileSync(path.join(folder, name));
            console.log(`| Size of ${name} | – | ${kb(bytes.length)}, gzip -9 ${kb(zlib.gzipSync(bytes, { level: 9 }).length)}, `
                + `served ${kb(await servedBytes(server.url + name))} | – | – |`);
        }

        // Memory after a whole game, and the pick-up cue's latency at the audio server.
        const context = await browser.createBrowserContext();
        const tab = await context.newPage();
        await tab.setViewport({ width: 1024, height: 768 });
        await tab.goto(server.url + 'index.html', { waitUntil: 'load' });
        const player = wrapPage(tab, 'chromium');
        await waitForGame(player);
        await watchCueStarts(player);
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
        await play(player, kWinningGame);
        await endOfGameCue(player, folder);
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
            await pickupLatency(engine, player, loads);
        }
        await context.close();
    } finally {
        await server.close();
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

// The press to the first sample of the pick-up cue at the audio server, in
// @p page (on the game, ready) of @p engine, @p loads presses.
async function pickupLatency(engine, page, loads) {
    // Where the time goes: from the press to the page's start() of the cue
    // (watchCueStarts), and what the audio context says it adds after that.
    await watchCueStarts(page);
    const recorder = await recordSink();
    const latencies = [];
    let firstPress = null;
    let early = 0;
    try {
        const at = await centreOf(page, '#hole1');
        // The series' first press is timed apart: by the recorder's clock
        // its cue already sounds at it, or the audio output is still opening.
        for (let press = 0; press <= loads; ++press) {
            await page.mouse.move(at.x, at.y);
            const time = now();
            await page.mouse.down();
            await sleep(400);
            const heard = recorder.heard(time, time + 400);
            await page.mouse.up();
            await sleep(500);
            if (press === 0) {
                firstPress = heard.onset;
            } else if (heard.onset === 0) {
                // Sounding already at the press by the recorder's clock: not a latency.
                ++early;
            } else if (heard.onset !== null) {
                latencies.push(heard.onset);
            }
        }
    } finally {
        await recorder.stop();
    }
    const name = engine.name;
    console.log(`| ${name}: press to the first sample of pickup at the audio server (${latencies.length} of ${loads} heard after the press, ${early} sounding at it) | – | ${latencies.length ? figures(latencies, 'ms', 0) : 'none heard'} | – | ≤ 40 / 100 ms |`);
    console.log(`| ${name}: the same for the series' first press | – | ${firstPress === null ? 'not heard' : firstPress === 0 ? 'sounding at the press by the recorder\'s clock' : firstPress.toFixed(0) + ' ms'} | – | – |`);
    const { delays, context } = await page.evaluate(() => ({ delays: window.cueDelays.slice(1),
        context: ((audio) => audio && [audio.baseLatency, audio.outputLatency || 0])(window.cueContext) }));
    if (delays.length) {
        console.log(`| ${name}: of which the press to the page's start() of the cue (the same presses) | – | ${figures(delays, 'ms', 0)} | – | – |`);
    }
    if (context) {
        console.log(`| ${name}: the audio context's own base / output latency | – | ${(context[0] * 1000).toFixed(0)} / ${(context[1] * 1000).toFixed(0)} ms | – | – |`);
    }
}

// The pick-up latency in an engine other than Chromium, on a page of its own.
async function otherEngineLatency(name, siteFolder, loads) {
    let engine;
    try {
        engine = await launch(name);
    } catch (error) {
        console.log(`| ${name}: not measured (${error.message.split('\n')[0]}) | – | – | – | – |`);
        return;
    }
    const server = await serveSite(siteFolder);
    try {
        const page = await engine.newPage();
        await page.setViewport({ width: 1024, height: 768 });
        await page.goto(server.url + 'index.html');
        await waitForGame(page);
        await pickupLatency(engine, page, loads);
        await page.close();
    } finally {
        await engine.close();
        await server.close();
    }
}

// Lighthouse's four scores for the page, as a desktop and as a phone, from
// Debian's chromium with the tests' flags (LIGHTHOUSE: its command, from
// scripts/lighthouse's lockfile).
async function lighthouseScores(siteFolder) {
    if (!process.env.LIGHTHOUSE) {
        return;
    }
    const server = await serveSite(siteFolder);
    const flags = '--headless=new --no-sandbox --disable-gpu --no-first-run --disable-background-networking '
        + '--disable-component-update --disable-sync';
    try {
        for (const form of ['desktop', 'mobile']) {
            const output = await new Promise((resolve, reject) => {
                childProcess.execFile(process.env.LIGHTHOUSE, [server.url + 'index.html', '--quiet',
                    '--output=json', `--chrome-path=${process.env.CHROMIUM || '/usr/bin/chromium'}`,
                    `--chrome-flags=${flags}`, ...(form === 'desktop' ? ['--preset=desktop'] : [])],
                { maxBuffer: 64 * 1024 * 1024 }, (error, stdout) => (error ? reject(error) : resolve(stdout)));
            });
            const { categories, audits } = JSON.parse(output);
            // What cost points: the weighted audits that did not pass.
            const lost = Object.values(categories).flatMap((category) => category.auditRefs
                .filter((ref) => ref.weight > 0 && audits[ref.id].score !== null && audits[ref.id].score < 1)
                .map((ref) => `${category.id}/${ref.id}`));
            console.log(`| Lighthouse, ${form}: ${Object.values(categories).map((category) =>
                `${category.title} ${Math.round(category.score * 100)}`).join(', ')}${lost.length ? ` (short of full: ${lost.join(', ')})` : ''} | – | – | – | – |`);
        }
    } finally {
        await server.close();
    }
}

async function main() {
    const siteFolder = siteFolderArgument('node benchmark-web.js <site folder with index.html> [loads]');
    const loads = Number(process.argv[3] || 20);
    const engine = await launch('chromium');
    try {
        await benchmark(engine, siteFolder, loads);
    } finally {
        await engine.close();
    }
    if (process.env.TARNWICK_TEST_PULSE === '1') {
        for (const name of ['firefox', 'webkit']) {
            await otherEngineLatency(name, siteFolder, loads);
        }
    }
    await lighthouseScores(siteFolder);
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
