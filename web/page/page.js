// Zindle's page: fetches the program and the datafiles, puts the datafiles
// in the program's working folder, starts the program on the canvas and
// shows what it has to say: its message when it cannot start, or that it
// has ended, with a way to start it again. The datafiles lie beside the page
// as themselves, so art replaced there is what the game reads, as on the
// desktop. After the first start the browser keeps the folder for offline
// play (service-worker.js).
'use strict';

const PROGRAM = 'zindle.wasm';
const DATAFILES = ['tiles.dat', 'stuff.dat', 'patches.dat'];

const canvas = document.getElementById('screen');
const notice = document.getElementById('notice');
const noticeText = document.getElementById('notice-text');
const again = document.getElementById('again');

// What is missing comes as null.
function fetchBytes(name) {
  return fetch(name)
    .then(response => response.ok ? response.arrayBuffer() : null)
    .then(data => data && new Uint8Array(data), () => null);
}

function show(text, offerAgain) {
  noticeText.textContent = text;
  again.hidden = !offerAgain;
  notice.hidden = false;
}

function cannotRun() {
  show(location.protocol === 'file:'
    ? 'Zindle runs from a web server, not from the disk: see its README.'
    : 'Zindle cannot run in this browser.', false);
}

function keepForOffline() {
  if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('service-worker.js').catch(() => {});
}

// Every start runs the program fetched with this page, even after a new
// version has been kept meanwhile. Missing datafiles are left out: the game
// says which one it lacks.
function start(program, datafiles) {
  let message = '';
  notice.hidden = true;
  Zindle({
    canvas,
    wasmBinary: program,
    preRun: [module => datafiles.forEach(file => file.bytes && module.FS.writeFile(file.name, file.bytes))],
    // Kept for offline play once the game is up, so as not to slow its start.
    onFirstFrame: keepForOffline,
    onMessage: text => { message = text; },
    onExit: status => show(status === 0 || !message ? 'Zindle has ended.' : message, true),
    // What a crashed program leaves behind is not to be built on: a reload is.
    onAbort: () => show('Zindle has stopped unexpectedly. Reload the page to play again.', false),
  }).catch(cannotRun);
}

Promise.all([PROGRAM, ...DATAFILES].map(fetchBytes)).then(([program, ...data]) => {
  if (!program)
    return cannotRun();
  const datafiles = DATAFILES.map((name, i) => ({ name, bytes: data[i] }));
  again.addEventListener('click', () => start(program, datafiles));
  start(program, datafiles);
});
