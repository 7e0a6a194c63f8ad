'use strict';
// What the page's test, its screenshots and its benchmark share: a private
// server for the site, the browser engines (browser_engines.js), and the
// moves of a player.
//
// puppeteer-core and axe-core come from the lockfile beside this script,
// installed by install-driver.sh under ~/.cache/tarnwick (NODE_PATH points there).

const childProcess = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { kCapabilities, lacks, launch, wrapPage } = require('./browser_engines.js');

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

// --- The page as a player sees it --------------------------------------------

async function pegs(page) {
    return page.$$eval('.hole', (cells) => cells
        .map((cell, index) => (cell.classList.contains('peg') ? index + 1 : 0))
        .filter((hole) => hole > 0));
}

function centreOf(page, selector) {
    return page.centreOf(selector);
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

// Notes the length in seconds, the channels and a fingerprint of every sound
// the page starts, the milliseconds from each press to the first sound
// started after it, and the audio context they play in.
async function watchCueStarts(page) {
    await page.evaluate(() => {
        window.cueStarts = [];
        window.cueChannels = [];
        window.cuePrints = [];
        window.cueDelays = [];
        let pressed = null;
        document.addEventListener('pointerdown', (event) => { pressed = event.timeStamp; }, true);
        const start = AudioBufferSourceNode.prototype.start;
        AudioBufferSourceNode.prototype.start = function (...args) {
            const samples = this.buffer.getChannelData(0);
            window.cueStarts.push(this.buffer.duration);
            window.cueChannels.push(this.buffer.numberOfChannels);
            window.cuePrints.push([this.buffer.length, this.buffer.sampleRate,
                Math.sqrt(samples.reduce((sum, sample) => sum + sample * sample, 0) / samples.length)]);
            if (pressed !== null) {
                window.cueDelays.push(performance.now() - pressed);
                pressed = null;
            }
            window.cueContext = this.context;
            return start.apply(this, args);
        };
    });
}

// The fingerprint watchCueStarts takes of a started sound, of a 16-bit PCM
// cue file: frames, rate and the first channel's RMS; null for other files.
function cuePrint(file) {
    const bytes = fs.readFileSync(file);
    let format = null;
    for (let at = 12; at + 8 <= bytes.length; at += 8 + bytes.readUInt32LE(at + 4) + (bytes.readUInt32LE(at + 4) & 1)) {
        const id = bytes.toString('latin1', at, at + 4);
        if (id === 'fmt ') {
            format = { tag: bytes.readUInt16LE(at + 8), channels: bytes.readUInt16LE(at + 10),
                rate: bytes.readUInt32LE(at + 12), bits: bytes.readUInt16LE(at + 22) };
        } else if (id === 'data' && format && format.tag === 1 && format.bits === 16) {
            const frames = Math.floor(bytes.readUInt32LE(at + 4) / 2 / format.channels);
            let sum = 0;
            for (let frame = 0; frame < frames; ++frame) {
                sum += (bytes.readInt16LE(at + 8 + frame * 2 * format.channels) / 32768) ** 2;
            }
            return [frames, format.rate, Math.sqrt(sum / frames)];
        }
    }
    return null;
}

// Waits for the end-of-game cue (the first sound of a second or more) and
// names the cue file of @p folder it is, by its fingerprint; '?' for none.
// It starts while the message is open: the page decodes it in WebAssembly
// while the game's code sleeps in the message.
async function endOfGameCue(page, folder) {
    await page.waitFor(() => window.cueStarts.some((seconds) => seconds >= 1));
    const heard = (await page.evaluate(() => window.cuePrints)).find(([frames, rate]) => frames / rate >= 1);
    const cues = fs.readdirSync(folder).filter((name) => name.endsWith('.WAV'));
    return cues.find((name) => {
        const print = cuePrint(path.join(folder, name));
        return print && print[0] === heard[0] && print[1] === heard[1] && Math.abs(print[2] - heard[2]) < 1e-4;
    }) || '?';
}

// --- What the private audio server plays -----------------------------------

// The monotonic clock, in milliseconds: the one the monitor listener times
// what the sink plays by.
const now = () => Number(process.hrtime.bigint()) / 1e6;

// Listens to the null sink "test" of scripts/session.py run --pulse through the
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

// Where a host puts the site: not at the root of its server.
const kSitePath = '/games/tarnwick/';

// Serves @p folder at kSitePath on 127.0.0.1 under the policy above, each
// file read afresh at each request; the files named in @p held only once
// release() is called. Nothing else is served. The tests and the benchmark
// serve the site as hosts do, with nginx (nginx_site.js); this server is for
// what nginx cannot do (hold a response back) and for the screenshots.
function serve(folder, { held = [] } = {}) {
    let release;
    const released = new Promise((resolve) => { release = resolve; });
    const server = http.createServer(async (request, response) => {
        const pathname = decodeURIComponent(new URL(request.url, 'http://host').pathname);
        const name = pathname.startsWith(kSitePath) ? pathname.slice(kSitePath.length) || 'index.html' : null;
        await (held.includes(name) ? released : null);
        const file = name === null ? null : path.join(folder, path.normalize(name));
        fs.stat(file || folder, (error, stat) => {
            const found = file !== null && !error && stat.isFile();
            response.writeHead(found ? 200 : 404, { 'Content-Security-Policy': kContentSecurityPolicy,
                'Content-Type': kTypes[path.extname(file || '').toLowerCase()] || 'application/octet-stream',
                'Content-Length': found ? stat.size : 0 });
            // A reader that lets go early (an oversized cue) ends the stream.
            found ? fs.createReadStream(file).on('error', () => response.destroy()).pipe(response) : response.end();
        });
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({
            origin: `http://127.0.0.1:${server.address().port}`,
            url: `http://127.0.0.1:${server.address().port}${kSitePath}`,
            release,
            close: () => new Promise((done) => {
                release();
                server.close(done);
                server.closeAllConnections();
            }),
        }));
    });
}

// Notes every report of the policy above in window.policyViolations, and
// every uncaught error in window.pageErrors, from
// the page's first moment on where the engine's driver can (else call it
// again after the page has loaded).
function watchPolicyViolations(page) {
    const watch = () => {
        if (window.policyViolations) {
            return;
        }
        window.policyViolations = [];
        window.pageErrors = [];
        document.addEventListener('securitypolicyviolation', (event) => window.policyViolations
            .push(`${event.violatedDirective} ${event.blockedURI} ${event.sourceFile}:${event.lineNumber}`), true);
        addEventListener('error', (event) => window.pageErrors.push(String(event.message)));
        addEventListener('unhandledrejection', (event) => window.pageErrors.push(String(event.reason)));
    };
    return page.onNewDocument ? page.onNewDocument(watch) : page.evaluate(watch);
}

// The violations of axe-core's (from the lockfile) WCAG 2 A and AA rules in
// the page as it is now, and separately of its best practices:
// [{rule, target, summary}], one per element.
async function accessibilityViolations(page) {
    const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
    // Injected by the driver, as the page's policy would refuse it as a script.
    await page.evaluate(new Function(`${axeSource}\nwindow.axe = axe;`));
    return page.evaluate(async () => {
        const found = (results) => results.violations.flatMap((violation) => violation.nodes.map((node) =>
            ({ rule: violation.id, target: node.target.join(' '), summary: node.failureSummary })));
        const run = (tags) => window.axe.run(document, { resultTypes: ['violations'], runOnly: { type: 'tag', values: tags } });
        return { wcag: found(await run(['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'])),
            bestPractices: found(await run(['best-practice'])) };
    });
}

async function waitForGame(page) {
    await page.waitFor(() => typeof Module !== 'undefined' && Module.calledRun === true
        && typeof Module._tarnwick_image1_mouse_down === 'function');
}

// Runs each step on its own copy of the site, so a replaced file or a
// stopped server touches no other step. run(step, folder, closing) serves the
// copy and plays the step; what it hands to closing is ended afterwards, last
// first, whatever happened. Prints one line a step; returns how many failed.
async function runEachOnItsOwnSite(siteFolder, steps, run) {
    let failed = 0;
    for (const step of steps) {
        const started = Date.now();
        const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-site-'));
        fs.cpSync(siteFolder, folder, { recursive: true });
        const toClose = [];
        try {
            await run(step, folder, (close) => toClose.unshift(close));
            console.log(`ok - ${step.name} (${Date.now() - started} ms)`);
        } catch (error) {
            ++failed;
            console.log(`not ok - ${step.name}\n${error.stack}`);
        } finally {
            for (const close of toClose) {
                await close();
            }
            fs.rmSync(folder, { recursive: true, force: true });
        }
    }
    return failed;
}

module.exports = {
    kStart, kWinningGame, kCapabilities, lacks, siteFolderArgument, launch, pegs, centreOf, mouseDrag, play,
    watchCueStarts, endOfGameCue, cuePrint, now, recordSink, sleep, serve, watchPolicyViolations,
    accessibilityViolations, waitForGame, wrapPage, runEachOnItsOwnSite,
};
