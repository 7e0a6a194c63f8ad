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
    'pickup.WAV', 'pegdrop.WAV', 'winner.WAV', 'loser.WAV', 'loser4.WAV', 'loser3.WAV',
];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(kCache)
        .then((cache) => cache.addAll(kSite.map((path) => new Request(path, { cache: 'no-store' }))))
        .then(() => self.skipWaiting()));
});

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
                caches.open(kCache).then((cache) => cache.put(request, copy)).catch(() => {});
            }
            return response;
        })
        .catch(() => caches.match(request, { ignoreSearch: true })
            .then((kept) => kept || Response.error())));
});
