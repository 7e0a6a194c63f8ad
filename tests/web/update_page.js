'use strict';
// A host puts up the site's next version: a player who opened the page before
// runs it at the next load online, then offline, whole: never the page of one
// version with the rule book of the other. Served by a private nginx with the
// shipped configuration, which compresses and chunks; offline is that server
// stopped, which every engine's service worker sees alike.
//
//   node update_page.js <site folder> <next version's site folder> [engine]

const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const { kStart, launch, pegs, mouseDrag, waitForGame, watchPolicyViolations } = require('./page_driver');
const { serveSite } = require('./nginx_site');

const [first, next, engine = 'chromium'] = process.argv.slice(2);
const started = Date.now();
const hashed = (folder, pattern) => fs.readdirSync(folder).find((name) => pattern.test(name));
const versionOf = (folder) => fs.readFileSync(path.join(folder, 'sw.js'), 'utf8').match(/kVersion = '([0-9a-f]+)'/)[1];

const headersOf = (url) => new Promise((resolve, reject) => {
    http.get(url, { headers: { 'Accept-Encoding': 'gzip' } }, (response) => resolve(response.resume().headers))
        .on('error', reject);
});

// What the shipped configuration promises a host, as served.
async function checkHeaders(url, folder) {
    const policy = /^default-src 'self'; script-src 'self' 'wasm-unsafe-eval';.* frame-ancestors 'none'$/;
    const rows = [
        // name, Content-Type, Cache-Control, compressed
        ['', /^text\/html/, 'no-cache', true],
        [hashed(folder, /^tarnwick\.[0-9a-f]{16}\.js$/), /^text\/javascript/, 'max-age=31536000, immutable', true],
        [hashed(folder, /^tarnwick\.[0-9a-f]{16}\.wasm$/), /^application\/wasm$/, 'max-age=31536000, immutable', true],
        [hashed(folder, /^layout\.[0-9a-f]{16}\.css$/), /^text\/css/, 'max-age=31536000, immutable', true],
        ['sw.js', /^text\/javascript/, 'no-cache', true],
        ['tarnwick.webmanifest', /^application\/manifest\+json/, 'no-cache', true],
        ['pickup.WAV', /^audio\/wav$/, 'no-cache', false],
        ['missing.js', /^text\/html/, 'no-cache', false],
    ];
    for (const [name, type, cacheControl, compressed] of rows) {
        const headers = await headersOf(url + name);
        assert.match(headers['content-type'], type, name);
        assert.equal(headers['cache-control'], cacheControl, name);
        assert.match(headers['content-security-policy'], policy, name);
        assert.equal(headers['x-content-type-options'], 'nosniff', name);
        // Compressed means chunked: the worker must not rely on a length.
        assert.deepEqual([headers['content-encoding'], 'content-length' in headers],
            compressed ? ['gzip', false] : [undefined, true], name);
    }
}

async function main() {
    // The next version's .wasm needs an import the first's tarnwick.js lacks
    // (a release build shortens the imports' names, not their number).
    const imports = (folder) => WebAssembly.Module.imports(new WebAssembly.Module(
        fs.readFileSync(path.join(folder, hashed(folder, /\.wasm$/))))).length;
    assert.equal(imports(next), imports(first) + 1);

    const served = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick update,')), 'site');
    fs.cpSync(first, served, { recursive: true });
    const server = await serveSite(served);
    const browser = await launch(engine);
    try {
        await checkHeaders(server.url, served);
        const page = await browser.newPage();
        // Each document's uncaught errors and policy reports, checked before it is left.
        await watchPolicyViolations(page);
        const load = async (how) => {
            await how();
            if (!page.onNewDocument) {
                await watchPolicyViolations(page);
            }
            await waitForGame(page);
        };
        // And what the page logs as an error, where the driver reports it (puppeteer).
        const logged = [];
        page.raw?.on('console', (message) => message.type() === 'error' && logged.push(message.text()));
        const quiet = async () => assert.deepEqual([...logged, ...await page.evaluate(() =>
            [...window.pageErrors, ...window.policyViolations])], []);
        const nextVersion = () => page.evaluate(() => (Module._tarnwick_next_version ? Module._tarnwick_next_version() : 0));
        const keptVersions = () => page.evaluate(async () => (await caches.keys()).filter((name) => name.startsWith('tarnwick-site-')));
        const keptCueBytes = (name) => page.evaluate(async (cue) => {
            const kept = await caches.match(cue, { cacheName: 'tarnwick-cues' });
            return kept ? (await kept.arrayBuffer()).byteLength : -1;
        }, name);

        await load(() => page.goto(server.url));
        await page.waitFor(() => navigator.serviceWorker.controller !== null);
        assert.equal(await nextVersion(), 0);
        assert.deepEqual(await keptVersions(), [`tarnwick-site-${versionOf(first)}`]);
        assert.equal(await keptCueBytes('pickup.WAV'), fs.statSync(path.join(first, 'pickup.WAV')).size);

        // The host puts the next version up, one file still of another
        // version: its worker's install fails, and the kept copy stays whole.
        fs.rmSync(served, { recursive: true });
        fs.cpSync(next, served, { recursive: true });
        fs.writeFileSync(path.join(served, hashed(served, /^layout\./)), '/* another version */');
        assert.equal(await page.evaluate(async () => {
            const registration = await navigator.serviceWorker.getRegistration();
            const found = new Promise((resolve) => registration.addEventListener('updatefound',
                () => resolve(registration.installing), { once: true }));
            await registration.update();
            const worker = await found;
            while (!['redundant', 'activated'].includes(worker.state)) {
                await new Promise((resolve) => worker.addEventListener('statechange', resolve, { once: true }));
            }
            return worker.state;
        }), 'redundant');
        assert.deepEqual(await keptVersions(), [`tarnwick-site-${versionOf(first)}`]);
        await quiet();
        // Then all of it, and a replaced cue.
        fs.cpSync(next, served, { recursive: true });
        fs.copyFileSync(path.join(next, 'winner.WAV'), path.join(served, 'pickup.WAV'));
        await load(() => page.goto(server.url));
        assert.equal(await nextVersion(), 2);
        await page.waitFor((version) => caches.keys().then((names) => names.includes(version)
            && !names.some((name) => name.startsWith('tarnwick-site-') && name !== version)),
        `tarnwick-site-${versionOf(next)}`);
        assert.equal(await keptCueBytes('pickup.WAV'), fs.statSync(path.join(next, 'winner.WAV')).size);
        await quiet();

        await server.close();
        await load(() => page.reload());
        assert.equal(await nextVersion(), 2);
        assert.deepEqual(await page.$$eval('#client button', (all) => all.map((button) => button.disabled)),
            [false, false, false]);
        await mouseDrag(page, 1, 15);
        assert.deepEqual(await pegs(page), [...kStart.filter((hole) => hole !== 1), 15]);
        await quiet();
        await page.close();
        console.log(`ok - ${engine}: version ${versionOf(first)} then ${versionOf(next)} online, `
            + `${versionOf(next)} offline, whole; the replaced cue kept (${Date.now() - started} ms)`);
    } finally {
        await browser.close();
        await server.close();
        fs.rmSync(path.dirname(served), { recursive: true, force: true });
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
