// Zindle's service worker: it keeps a copy of the folder, so that after one
// visit the game starts with the network off, and serves each page from one
// copy throughout, so that no page runs files of two versions.
// write-worker.sh puts RELEASE, VERSION, FILES, COPIED and copies.js before
// this when the folder is laid out. VERSION names the copy by the game's
// version and the files' contents, so a new version is a new worker, which
// the browser finds on the next visit: it makes its copy and takes over at
// once. Pages open then run on with the copy they started with, new ones
// run the new copy, and a copy goes once no open page runs it. Copies of
// other folders on the same host are theirs.
'use strict';

const OURS = `zindle ${self.registration.scope} `;
const CACHE = OURS + VERSION;
// What a first visit of this release fetched, left there for this worker.
const FETCHED = `${OURS}fetched ${RELEASE}`;
// Which copy each page runs, by its client's id: in storage, for this
// worker started again and for the next one, which serve the same pages.
const PAGES = OURS + 'pages';
const PAGE = new URL('pages/', self.registration.scope).href;
const pages = new Map();

// A file as the folder holds it now, past the browser's cache: from what a
// first visit fetched where it has it, and a datafile under its own name
// in the form a visit takes.
async function current(name, fetched) {
  const handed = await fetched.match(name);
  if (handed)
    return handed;
  if (!COPIED.includes(name))
    return fetch(name, { cache: 'no-cache' });
  const [copy, file] = await Promise.all([
    fetch(name + COPY, { cache: 'no-cache' }), fetch(name, { method: 'HEAD', cache: 'no-store' })]);
  if (file.status === 404)
    return file;
  const bytes = copy.ok && new Uint8Array(await copy.clone().arrayBuffer());
  return takesCopy(bytes && { bytes, headers: copy.headers }, file) ? copy : fetch(name, { cache: 'no-cache' });
}

self.addEventListener('install', event => event.waitUntil((async () => {
  const fetched = await caches.open(FETCHED);
  const copy = await caches.open(CACHE);
  await Promise.all(FILES.map(async name => {
    const response = await current(name, fetched);
    if (!response.ok && response.status !== 404)
      throw new Error(`${name}: ${response.status}`);
    await copy.put(name, response);
  }));
  // A folder replaced while it was copied leaves a copy of two versions:
  // the next worker makes another.
  const worker = await fetch(self.location.href, { cache: 'no-cache' });
  if (!(await worker.text()).includes(`const VERSION = '${VERSION}';`))
    throw new Error('the folder changed while it was copied');
  await caches.delete(FETCHED);
  await self.skipWaiting();
})()));

async function remember(id, copy) {
  pages.set(id, copy);
  await (await caches.open(PAGES)).put(PAGE + id, new Response(copy));
}

// The copy a page runs, null for one the network served.
async function copyOf(id) {
  if (!pages.has(id)) {
    const kept = id && await (await caches.open(PAGES)).match(PAGE + id);
    pages.set(id, kept ? await kept.text() : null);
  }
  return pages.get(id);
}

// Drops the copies no open page runs, but this worker's own, and forgets
// the pages closed since. A page still on its way is waited for.
async function dropUnused() {
  const kept = await caches.open(PAGES);
  const used = new Set([CACHE, PAGES]);
  for (const key of await kept.keys()) {
    const id = key.url.slice(PAGE.length);
    if (await self.clients.get(id)) {
      used.add(await (await kept.match(key)).text());
    } else {
      pages.delete(id);
      await kept.delete(key);
    }
  }
  for (const name of await caches.keys())
    if (name.startsWith(OURS) && !used.has(name))
      await caches.delete(name);
}

self.addEventListener('activate', event => event.waitUntil(dropUnused().then(() => self.clients.claim())));

// The kept file, or the network's where the copy has none. The page is
// kept as the folder's own address.
async function answer(copy, request) {
  const url = new URL(request.url);
  const name = request.mode === 'navigate' && url.pathname.endsWith('/index.html') ? './' : request;
  return await (await caches.open(copy)).match(name, { ignoreSearch: true }) || fetch(request);
}

// A page opened now runs this worker's copy; one sent earlier runs the copy
// it started with, and one that the network sent runs on from the network.
self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(self.registration.scope))
    return;
  if (request.mode === 'navigate') {
    event.respondWith(remember(event.resultingClientId, CACHE).then(() => answer(CACHE, request)));
    event.waitUntil(dropUnused());
    return;
  }
  event.respondWith(copyOf(event.clientId).then(copy => copy ? answer(copy, request) : fetch(request)));
});
