'use strict';
// Keeps the site for play without a network. Everything is fetched from the
// network first, so a new version or a replaced cue is seen at once; the
// kept copy answers only when the server cannot be reached.
const kCache = 'tarnwick-site';
const kSite = [
    './', 'index.html', 'tarnwick.css', 'page.js', 'tarnwick.js', 'tarnwick.wasm',
    'tarnwick.webmanifest', 'board.png', 'board@2x.png', 'peg.png', 'peg@2x.png',
    'nopeg.png', 'nopeg@2x.png', 'drag.png', 'drag@2x.png', 'icon.png', 'icon@2x.png',
    'icons/128/tarnwick.png', 'icons/256/tarnwick.png',
];
// The cues are the player's to replace or remove: one missing is silent, and
// must not keep the rest of the site from being kept.
const kCues = ['pickup.WAV', 'pegdrop.WAV', 'winner.WAV', 'loser.WAV', 'loser4.WAV', 'loser3.WAV'];
// No copy is kept of a file larger than any cue the game reads.
const kMaxKeptBytes = 64 * 1024 * 1024 + 65536;

const fresh = (path) => new Request(path, { cache: 'no-store' });

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(kCache)
        .then((cache) => Promise.all([
            cache.addAll(kSite.map(fresh)),
            ...kCues.map((cue) => fetch(fresh(cue)).then((response) => keep(cache, cue, response)).catch(() => {})),
        ]))
        .then(() => self.skipWaiting()));
});

function keep(cache, request, response) {
    const length = response.headers.get('Content-Length');
    if (response.ok && length !== null && Number(length) <= kMaxKeptBytes) {
        return cache.put(request, response);
    }
    // Not kept: let go of the body rather than hold it for nobody.
    return response.body ? response.body.cancel() : undefined;
}

self.addEventListener('activate', (event) => {
    event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) {
        return;
    }
    event.respondWith(fetch(request)
        .then((response) => {
            if (response.ok) {
                const copy = response.clone();
                caches.open(kCache).then((cache) => keep(cache, request, copy)).catch(() => {});
            }
            return response;
        })
        .catch(() => caches.match(request, { ignoreSearch: true })
            .then((kept) => kept || Response.error())));
});
