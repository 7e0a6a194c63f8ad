'use strict';
// What the page's test, its screenshots and its benchmark share: a private
// server for the site, headless Chromium, and the moves of a player.
//
// puppeteer-core comes from the lockfile beside this script, installed by
// install-driver.sh under ~/.cache/tarnwick (NODE_PATH points there).

const childProcess = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const puppeteer = require('puppeteer-core');

const kStart = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14];
// From the start position, as pairs (from, to): to one peg.
const kWinningGame = [[6, 15], [1, 6], [8, 10], [2, 9], [7, 2], [10, 3], [14, 5], [3, 8],
    [12, 14], [15, 13], [13, 4], [2, 7], [11, 4]];

// The site folder named on the command line, or the usage and exit.
function siteFolderArgument(usage) {
    const siteFolder = process.argv[2];
    if (!siteFolder || !fs.existsSync(path.join(siteFolder, 'index.html'))) {
        console.error(`usage: ${usage}`);
        process.exit(2);
    }
    return siteFolder;
}

function launch() {
    return puppeteer.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        // The cues must reach the audio server: no --mute-audio.
        ignoreDefaultArgs: ['--mute-audio'],
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync'],
    });
}

// --- The page as a player sees it --------------------------------------------

async function pegs(page) {
    return page.$$eval('.hole', (cells) => cells
        .map((cell, index) => (cell.classList.contains('peg') ? index + 1 : 0))
        .filter((hole) => hole > 0));
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

// Notes the length in seconds and the channels of every sound the page starts,
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

// --- The site ------------------------------------------------------------------

// The policy the site must work under: a host's strictest that still runs
// WebAssembly. Every response carries it.
const kContentSecurityPolicy = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; "
    + "style-src 'self'; img-src 'self'; media-src 'self'; connect-src 'self'; worker-src 'self'; "
    + "manifest-src 'self'; base-uri 'none'; object-src 'none'; frame-ancestors 'none'";

const kTypes = { '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.png': 'image/png', '.wav': 'audio/wav', '.webmanifest': 'application/manifest+json' };

// Serves @p folder on 127.0.0.1 under the policy above, each file read afresh
// at each request; the files named in @p held only once release() is called.
function serve(folder, { held = [] } = {}) {
    let release;
    const released = new Promise((resolve) => { release = resolve; });
    const server = http.createServer(async (request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://host').pathname).slice(1) || 'index.html';
        await (held.includes(name) ? released : null);
        const file = path.join(folder, path.normalize(name));
        fs.stat(file, (error, stat) => {
            const found = !error && stat.isFile();
            response.writeHead(found ? 200 : 404, { 'Content-Security-Policy': kContentSecurityPolicy,
                'Content-Type': kTypes[path.extname(file).toLowerCase()] || 'application/octet-stream',
                'Content-Length': found ? stat.size : 0 });
            // A reader that lets go early (an oversized cue) ends the stream.
            found ? fs.createReadStream(file).on('error', () => response.destroy()).pipe(response) : response.end();
        });
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({
            url: `http://127.0.0.1:${server.address().port}/`,
            release,
            stop: () => new Promise((done) => {
                release();
                server.close(done);
                server.closeAllConnections();
            }),
        }));
    });
}

// Notes every report of the policy above, from the page's first moment on,
// in window.policyViolations.
async function watchPolicyViolations(page) {
    await page.evaluateOnNewDocument(() => {
        window.policyViolations = [];
        document.addEventListener('securitypolicyviolation', (event) => window.policyViolations
            .push(`${event.violatedDirective} ${event.blockedURI} ${event.sourceFile}:${event.lineNumber}`), true);
    });
}

async function waitForGame(page) {
    await page.waitForFunction(() => typeof Module !== 'undefined' && Module.calledRun === true
        && typeof Module._tarnwick_image1_mouse_down === 'function');
}

module.exports = {
    kStart, kWinningGame, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, waitForLongCue, now, recordSink, sleep, serve, watchPolicyViolations, waitForGame,
};
