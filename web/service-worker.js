// Zindle's service worker: it keeps what the page fetches from the folder,
// the page, the program and the datafiles' copies, so that after one visit
// the game starts with the network off. write-worker.sh puts VERSION and
// FILES before this when the folder is laid out; VERSION names the copy by
// the game's version and the files' contents, so a new version is a new
// worker, which the browser finds on the next visit: it fetches every file
// afresh, takes over, and drops the old copy. Copies of other folders on the
// same host are theirs.
'use strict';

const OURS = `zindle ${self.registration.scope} `;
const CACHE = OURS + VERSION;

self.addEventListener('install', event => {
  // Past the browser's own cache, so that the copy is all of one version.
  const requests = FILES.map(file => new Request(file, { cache: 'no-cache' }));
  event.waitUntil(caches.open(CACHE)
    .then(cache => cache.addAll(requests))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => {
  event.waitUntil(caches.keys()
    .then(names => Promise.all(names
      .filter(name => name.startsWith(OURS) && name !== CACHE)
      .map(name => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The kept copy first; what it does not hold, from the network.
self.addEventListener('fetch', event => {
  if (event.request.method !== 'GET')
    return;
  event.respondWith(caches.open(CACHE)
    .then(cache => cache.match(event.request, { ignoreSearch: true }))
    .then(kept => kept || fetch(event.request)));
});
