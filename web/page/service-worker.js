// The site offline: this build's files, kept by the browser once the page has been visited, answer
// when the network does not. While the network answers, it is asked first, so a visitor always gets
// the site as the server has it: a new build is seen at the next visit, and the copy kept for the
// offline case is replaced when the browser installs the new build's worker (this file's bytes change
// with every build: the list and the build's hash below are written by the build).
'use strict';
const build = '@VELMIR_BUILD@';
const files = ['./', @VELMIR_FILES@];
const keep = `velmir-${build}`;

// All of the build's files or none: a kept site never mixes two builds.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(keep)
    .then((cache) => cache.addAll(files.map((name) => new Request(name, { cache: 'no-cache' }))))
    .then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('velmir-') && n !== keep).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request).catch(async (error) => {
    const kept = await caches.open(keep).then((cache) => cache.match(request, { ignoreSearch: true }));
    if (kept) return kept;
    throw error;
  }));
});
