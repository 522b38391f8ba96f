// Zindle's page: downloads the program and the datafiles with a progress
// bar, puts the datafiles in the program's working folder, starts the
// program on the canvas and shows what it has to say: its message when it
// cannot start, or that it has ended, with a way to start it again; a
// download that fails, with a way to try it again.
//
// What it downloads travels gzipped (the program, zindle.js.gz and
// zindle.wasm.gz, and a .gz copy beside each datafile). The datafiles lie beside the page as themselves, so art
// replaced there is what the game reads, as on the desktop: a first visit
// asks the host how large each one is and takes the copy only while that
// is the size of what the copy holds. After the first start the browser
// keeps the folder for offline play (service-worker.js), and copies kept
// there are taken as they are.
'use strict';

const SCRIPT = 'zindle.js.gz';
const PROGRAM = 'zindle.wasm.gz';
const DATAFILES = ['tiles.dat', 'stuff.dat', 'patches.dat'];
const COPY = '.gz';

const canvas = document.getElementById('screen');
const loading = document.getElementById('loading');
const notice = document.getElementById('notice');
const noticeText = document.getElementById('notice-text');
const again = document.getElementById('again');
const retry = document.getElementById('retry');

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

const downloads = new Set();

// The bar moves once every download under way has said how large it is;
// until then it only says that something is happening.
function showProgress() {
  let received = 0, total = 0;
  for (const d of downloads) {
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

// A file's bytes, or null where the host says it has no such file. Fresh
// asks past the browser's cache, so a retry never builds on a half.
async function download(name, fresh) {
  const d = { received: 0, total: null };
  downloads.add(d);
  try {
    const response = await fetch(name, fresh ? { cache: 'reload' } : {});
    if (response.status === 404)
      return null;
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
      parts.push(value);
      d.received += value.length;
      d.total = Math.max(d.total, d.received);
      showProgress();
    }
    if (length && d.received !== length)
      throw new DownloadFailed(name);
    const bytes = new Uint8Array(d.received);
    parts.reduce((at, part) => (bytes.set(part, at), at + part.length), 0);
    return bytes;
  } catch (error) {
    throw error instanceof DownloadFailed ? error : new DownloadFailed(name);
  }
}

function gzipped(bytes) {
  return bytes[0] === 0x1f && bytes[1] === 0x8b;
}

// What a copy holds. A host that sends .gz files marked as compressed has
// the browser unpack them on the way.
async function unpacked(bytes, name) {
  if (!gzipped(bytes))
    return bytes;
  try {
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  } catch {
    throw new DownloadFailed(name);
  }
}

// The size of what a copy holds, from gzip's trailer.
function unpackedSize(bytes) {
  if (!gzipped(bytes))
    return bytes.length;
  const end = bytes.length;
  return (bytes[end - 4] | bytes[end - 3] << 8 | bytes[end - 2] << 16 | bytes[end - 1] << 24) >>> 0;
}

// The size of a file on the host: null where it cannot tell (offline, or
// a host that does not say), 0 where it has no such file.
async function sizeOnHost(name) {
  try {
    const response = await fetch(name, { method: 'HEAD', cache: 'no-store' });
    if (response.status === 404)
      return 0;
    const length = response.headers.get('Content-Length');
    return response.ok && !response.headers.get('Content-Encoding') && length !== null ? Number(length) : null;
  } catch {
    return null;
  }
}

// A datafile's bytes, null where the host has none: the game then says
// which one it lacks.
async function datafile(name, fresh) {
  const kept = !!(navigator.serviceWorker && navigator.serviceWorker.controller);
  const [copy, size] = await Promise.all([download(name + COPY, fresh), kept ? null : sizeOnHost(name)]);
  if (size === 0)
    return null;
  if (copy && (size === null || size === unpackedSize(copy)))
    return unpacked(copy, name + COPY);
  return download(name, fresh);
}

async function program(fresh) {
  const bytes = await download(PROGRAM, fresh);
  if (!bytes)
    throw new DownloadFailed(PROGRAM);
  return WebAssembly.compile(await unpacked(bytes, PROGRAM));
}

// The program's JavaScript, run as the page's own script.
async function script(fresh) {
  const bytes = await download(SCRIPT, fresh);
  if (!bytes)
    throw new DownloadFailed(SCRIPT);
  const url = URL.createObjectURL(new Blob([await unpacked(bytes, SCRIPT)], { type: 'text/javascript' }));
  await new Promise((resolve, reject) => {
    const element = document.createElement('script');
    element.onload = resolve;
    element.onerror = () => reject(new DownloadFailed(SCRIPT));
    element.src = url;
    document.head.append(element);
  });
  URL.revokeObjectURL(url);
}

// Each part once it has come; a part that failed is fetched afresh on the
// next try, the others are kept.
const parts = [script, program, ...DATAFILES.map(name => fresh => datafile(name, fresh))];
const results = parts.map(() => null);

async function loadAll(fresh) {
  downloads.clear();
  return Promise.all(parts.map((part, i) => results[i] || (results[i] = part(fresh).catch(error => {
    results[i] = null;
    throw error;
  }))));
}

// ---- The program ---------------------------------------------------------------

function keepForOffline() {
  if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('service-worker.js').catch(() => {});
}

// Every start runs the program fetched with this page, even after a new
// version has been kept meanwhile. Missing datafiles are left out: the game
// says which one it lacks.
function start(module, datafiles) {
  let message = '';
  notice.hidden = true;
  Zindle({
    canvas,
    instantiateWasm: (imports, instantiated) => {
      WebAssembly.instantiate(module, imports).then(instance => instantiated(instance, module), cannotRun);
      return {};
    },
    preRun: [m => datafiles.forEach(file => file.bytes && m.FS.writeFile(file.name, file.bytes))],
    // Kept for offline play once the game is up, so as not to slow its start.
    onFirstFrame: () => {
      loading.hidden = true;
      keepForOffline();
    },
    onMessage: text => { message = text; },
    onExit: status => {
      loading.hidden = true;
      show(status === 0 || !message ? 'Zindle has ended.' : message, again);
    },
    // What a crashed program leaves behind is not to be built on: a reload is.
    onAbort: () => show('Zindle has stopped unexpectedly. Reload the page to play again.', null),
  }).catch(cannotRun);
}

async function load(fresh) {
  notice.hidden = true;
  loading.hidden = false;
  try {
    const [, module, ...data] = await loadAll(fresh);
    const datafiles = DATAFILES.map((name, i) => ({ name, bytes: data[i] }));
    again.onclick = () => start(module, datafiles);
    start(module, datafiles);
  } catch (error) {
    loading.hidden = true;
    if (!(error instanceof DownloadFailed))
      return cannotRun();
    show(error.message, retry);
  }
}

retry.addEventListener('click', () => load(true));
if (globalThis.WebAssembly && globalThis.DecompressionStream)
  load(false);
else
  cannotRun();
