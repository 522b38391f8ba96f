// Zindle's page: downloads the program and the datafiles with a progress
// bar, puts the datafiles in the program's working folder, starts the
// program on the canvas and shows what it has to say: its message when it
// cannot start, or that it has ended, with a way to start it again; a
// download that fails, with a way to try it again.
//
// Only what the menu needs comes before it: the program first, which
// readies itself while the datafiles follow. The synthesiser's
// instruments, patches.dat, come while the player looks at the menu, and
// the program takes them once they are there: the tune sounds from then
// on. Without them the game plays silently, and the page says so beside
// it, with a way to try again.
//
// What it downloads travels gzipped: the program, zindle.js.gz and
// zindle.wasm.gz, and a .gz copy beside each datafile, taken in its place
// where it holds the file that lies there (copies.js). After the
// instruments the browser keeps the folder for offline play
// (service-worker.js): a first visit hands it what it has fetched, so that
// each file comes once. A page the browser serves from that copy takes
// everything from it, so each page runs one version whole, and the page
// and the program say which (index.html, program.js).
'use strict';

const SCRIPT = 'zindle.js.gz';
const PROGRAM = 'zindle.wasm.gz';
const DATAFILES = ['tiles.dat', 'stuff.dat'];
const INSTRUMENTS = 'patches.dat';
const VERSION = document.getElementById('version').textContent;
// About the time a request takes to be answered: the page's own, small as
// it is.
const ROUND_TRIP = (entry => entry ? entry.responseEnd - entry.requestStart : 0)(
  performance.getEntriesByType('navigation')[0]);
// Served by the service worker: the copy it keeps holds every file, each
// datafile in the form it takes.
const FROM_COPY = !!(navigator.serviceWorker && navigator.serviceWorker.controller);

const canvas = document.getElementById('screen');
const loading = document.getElementById('loading');
const notice = document.getElementById('notice');
const noticeText = document.getElementById('notice-text');
const again = document.getElementById('again');
const retry = document.getElementById('retry');
const sound = document.getElementById('sound');
const music = document.getElementById('music');

function show(text, button) {
  noticeText.textContent = text;
  again.hidden = button !== again;
  retry.hidden = button !== retry;
  notice.hidden = false;
}

function cannotRun() {
  loading.hidden = true;
  show(location.protocol === 'file:'
    ? 'Zindle runs from a web server, not from the disk: see its README.'
    : 'Zindle cannot run in this browser.', null);
}

// ---- Downloads, and the bar that shows them ----------------------------------

// Each download under way or still to come, by its file's name.
const downloads = new Map();
// What this visit has fetched from the host, by the names that a page
// served from the copy asks for: a first visit hands it to the service
// worker.
const fetched = new Map();

// The bar moves once every download under way or to come has said how
// large it is; until then it only says that something is happening.
function showProgress() {
  let received = 0, total = 0;
  for (const d of downloads.values()) {
    if (d.total === null)
      return loading.removeAttribute('value');
    received += d.received;
    total += d.total;
  }
  loading.max = total || 1;
  loading.value = received;
}

class DownloadFailed extends Error {
  constructor(name) {
    super(`Downloading ${name} failed.`);
  }
}

// gzip's bytes unpacked as they are handed over.
function unpacker() {
  const stream = new DecompressionStream('gzip');
  const writer = stream.writable.getWriter();
  const unpacked = new Response(stream.readable).arrayBuffer();
  unpacked.catch(() => {});
  return {
    write: part => writer.write(part).catch(() => {}),
    abort: () => writer.abort().catch(() => {}),
    done: async () => {
      writer.close().catch(() => {});
      return new Uint8Array(await unpacked);
    },
  };
}

// A file's bytes and headers, and what it holds, unpacked as it comes
// where it is gzipped (a host that sends .gz files marked as compressed
// has the browser unpack them on the way); null where the host says it has
// no such file. Fresh asks past the browser's cache, so a retry never
// builds on a half. Its entry in `downloads` says when the rest of it would
// come within a round trip (nearlyIn), or it has failed. The program's
// files may have been on their way since the page came (index.html).
async function download(name, fresh) {
  let nearlyIn;
  const d = { received: 0, total: null, nearlyIn: new Promise(resolve => { nearlyIn = resolve; }) };
  downloads.set(name, d);
  let unpacking = null;
  try {
    let firstBytes = null, firstReceived = 0;
    const response = await fetch(name, fresh ? { cache: 'reload' } : {});
    if (response.status === 404) {
      d.total = 0;
      return null;
    }
    if (!response.ok)
      throw new DownloadFailed(name);
    // A host that compresses on the way announces the compressed length.
    const length = response.headers.get('Content-Encoding') ? null : Number(response.headers.get('Content-Length'));
    d.total = length || 0;
    showProgress();
    const reader = response.body.getReader();
    const parts = [];
    for (;;) {
      const { done, value } = await reader.read();
      if (done)
        break;
      if (!parts.length && gzipped(value))
        unpacking = unpacker();
      unpacking?.write(value);
      parts.push(value);
      d.received += value.length;
      d.total = Math.max(d.total, d.received);
      showProgress();
      const now = performance.now();
      if (firstBytes === null)
        [firstBytes, firstReceived] = [now, d.received];
      const elapsed = now - firstBytes;
      if (elapsed > ROUND_TRIP && (d.total - d.received) * elapsed < ROUND_TRIP * (d.received - firstReceived))
        nearlyIn();
    }
    if (length && d.received !== length)
      throw new DownloadFailed(name);
    const bytes = new Uint8Array(d.received);
    parts.reduce((at, part) => (bytes.set(part, at), at + part.length), 0);
    return { bytes, headers: response.headers, holds: unpacking ? await unpacking.done() : bytes };
  } catch (error) {
    unpacking?.abort();
    throw error instanceof DownloadFailed ? error : new DownloadFailed(name);
  } finally {
    nearlyIn();
  }
}

// What a file holds; on a first visit the file is kept under `name` for
// the service worker.
function held(name, file) {
  if (!FROM_COPY)
    fetched.set(new URL(name, location).href, new Response(file.bytes, { headers: file.headers }));
  return file.holds;
}

// The host's answer to a HEAD of a file, past every cache.
async function describe(name) {
  try {
    return await fetch(name, { method: 'HEAD', cache: 'no-store' });
  } catch {
    throw new DownloadFailed(name);
  }
}

// A datafile's bytes, null where the host has none: the game then says
// which one it lacks.
async function datafile(name, fresh) {
  if (FROM_COPY) {
    const kept = await download(name, fresh);
    return kept && held(name, kept);
  }
  const [copy, file] = await Promise.all([download(name + COPY, fresh), describe(name)]);
  if (file.status === 404)
    return null;
  const taken = takesCopy(copy, file) ? copy : await download(name, fresh);
  return taken && held(name, taken);
}

async function programFile(name, fresh) {
  const file = await download(name, fresh);
  if (!file)
    throw new DownloadFailed(name);
  return file;
}

// The program's code, compiled, and its JavaScript, run as the page's own
// script meanwhile.
async function ready(script, code) {
  const compiled = WebAssembly.compile(held(PROGRAM, code));
  const url = URL.createObjectURL(new Blob([held(SCRIPT, script)], { type: 'text/javascript' }));
  const ran = new Promise((resolve, reject) => {
    const element = document.createElement('script');
    element.onload = resolve;
    element.onerror = () => reject(new DownloadFailed(SCRIPT));
    element.src = url;
    document.head.append(element);
  });
  await Promise.all([compiled, ran]).finally(() => URL.revokeObjectURL(url));
  return compiled;
}

// Each part once it has come; a part that failed is fetched afresh on the
// next try, the others are kept.
const results = new Map();

function part(name, make) {
  if (!results.has(name))
    results.set(name, make().catch(error => {
      results.delete(name);
      throw error;
    }));
  return results.get(name);
}

// The program's files come first and the datafiles after them, asked for
// as the program's are nearly in: on a slow network the program readies
// itself while they come, and waits for them (wait_for_datafiles), so that
// what stands between their last byte and the menu is reading them. The
// bar counts the datafiles from the start.
let module = null;
let datafilesCame;
const datafiles = new Promise(resolve => { datafilesCame = resolve; });

async function load(fresh) {
  notice.hidden = true;
  loading.hidden = false;
  downloads.clear();
  for (const name of [SCRIPT, PROGRAM, ...DATAFILES])
    if (!results.has(name))
      downloads.set(FROM_COPY || !DATAFILES.includes(name) ? name : name + COPY, { received: 0, total: null });
  const code = [SCRIPT, PROGRAM].map(name => part(name, () => programFile(name, fresh)));
  const data = Promise.all([SCRIPT, PROGRAM].map(name => downloads.get(name)?.nearlyIn)).then(() =>
    Promise.all(DATAFILES.map(name => part(name, () => datafile(name, fresh)))));
  data.catch(() => {});
  try {
    const [script, program] = await Promise.all(code);
    if (!module) {
      module = await part('module', () => ready(script, program));
      again.onclick = start;
      start();
    }
    const bytes = await data;
    datafilesCame(DATAFILES.map((name, i) => ({ name, bytes: bytes[i] })));
  } catch (error) {
    loading.hidden = true;
    if (!(error instanceof DownloadFailed))
      return cannotRun();
    show(error.message, retry);
  }
}

// ---- The instruments, after the menu -------------------------------------------

let instruments = null;  // their bytes, once they have come
let asked = false;
let shown = null;        // the program running, once it has shown its menu

// The program reads the instruments once its menu shows: by then it has
// loaded its datafiles, which it reads with their password.
function giveInstruments() {
  if (!instruments || !shown || shown.hasInstruments)
    return;
  shown.FS.writeFile(INSTRUMENTS, instruments);
  shown.hasInstruments = true;
  shown._web_midi_patches_came();
}

// A host without them leaves the game silent, as on the desktop.
async function fetchInstruments(fresh) {
  music.hidden = true;
  sound.hidden = false;
  try {
    instruments = await datafile(INSTRUMENTS, fresh);
    giveInstruments();
  } catch (error) {
    if (!(error instanceof DownloadFailed))
      throw error;
    sound.hidden = true;
    music.hidden = false;
  }
}

document.getElementById('music-retry').addEventListener('click', () => fetchInstruments(true));

// ---- Kept for offline play -------------------------------------------------------

// A first visit hands the service worker what it has fetched, and what the
// browser keeps of the page and its scripts, so that the host sends each
// file once; the worker fetches the rest. A page that starts without the
// worker while it is there (a reload past it) leaves it be.
async function keepForOffline() {
  if (!('serviceWorker' in navigator))
    return;
  try {
    const folder = new URL('./', location).href;
    if (!FROM_COPY && !await navigator.serviceWorker.getRegistration()) {
      // Those of the folder, but a datafile's other form.
      const own = [location.href, ...performance.getEntriesByType('resource').map(entry => entry.name)]
        .filter(url => url.startsWith(folder) && !fetched.has(url) && !fetched.has(url.replace(/\.gz$/, '')));
      for (const url of new Set(own)) {
        const kept = await fetch(url, { cache: 'only-if-cached', mode: 'same-origin' }).catch(() => null);
        if (kept && kept.ok)
          fetched.set(url, kept);
      }
      const handed = await caches.open(`zindle ${folder} fetched ${VERSION}`);
      await Promise.all([...fetched].map(([url, response]) => handed.put(url, response)));
    }
    await navigator.serviceWorker.register('service-worker.js', { updateViaCache: 'none' });
  } catch {
    // The game plays on; it is kept on a later visit.
  }
}

// A page served from the copy hears when a newer copy has been kept: it
// plays on, and a reload plays the new one.
if (FROM_COPY)
  navigator.serviceWorker.addEventListener('controllerchange', () => {
    document.getElementById('update').hidden = false;
  });

// ---- The program ---------------------------------------------------------------

// Every start runs the program fetched with this page, even after a new
// version has been kept meanwhile. Missing datafiles are left out: the game
// says which one it lacks.
function start() {
  let message = '';
  notice.hidden = true;
  const run = {
    canvas,
    version: VERSION,
    instantiateWasm: (imports, instantiated) => {
      WebAssembly.instantiate(module, imports).then(instance => instantiated(instance, module), cannotRun);
      return {};
    },
    preRun: [m => {
      m.datafiles = datafiles.then(files => files.forEach(file => file.bytes && m.FS.writeFile(file.name, file.bytes)));
    }],
    onFirstFrame: () => {
      loading.hidden = true;
      shown = run;
      giveInstruments();
      if (!asked) {
        asked = true;
        fetchInstruments(false).then(keepForOffline);
      }
    },
    onMessage: text => { message = text; },
    onExit: status => {
      shown = null;
      loading.hidden = true;
      show(status === 0 || !message ? 'Zindle has ended.' : message, again);
    },
    // What a crashed program leaves behind is not to be built on: a reload is.
    onAbort: () => {
      shown = null;
      show('Zindle has stopped unexpectedly. Reload the page to play again.', null);
    },
    // The browser's cache may also hold the program of the version the page
    // is not: it is fetched afresh for the reload.
    onOtherVersion: () => {
      loading.hidden = true;
      show('Zindle was being updated while the page loaded. Reload the page to play.', null);
      [SCRIPT, PROGRAM].forEach(name => fetch(name, { cache: 'reload' }).catch(() => {}));
    },
  };
  Zindle(run).catch(cannotRun);
}

retry.addEventListener('click', () => load(true));
if (globalThis.WebAssembly && globalThis.DecompressionStream)
  load(false);
else
  cannotRun();
