// Zindle's page: fetches the datafiles, puts them in the program's working
// folder, starts the program on the canvas and shows what it has to say:
// its message when it cannot start, or that it has ended, with a way to
// start it again. The datafiles lie beside the page as themselves, so art
// replaced there is what the game reads, as on the desktop.
'use strict';

const DATAFILES = ['tiles.dat', 'stuff.dat', 'patches.dat'];

const canvas = document.getElementById('screen');
const notice = document.getElementById('notice');
const noticeText = document.getElementById('notice-text');
const again = document.getElementById('again');

// Those that are missing are left out: the game says which one it lacks.
function fetchDatafiles() {
  return Promise.all(DATAFILES.map(name =>
    fetch(name)
      .then(response => response.ok ? response.arrayBuffer() : null)
      .then(data => data && { name, bytes: new Uint8Array(data) }, () => null)))
    .then(files => files.filter(Boolean));
}

function show(text, offerAgain) {
  noticeText.textContent = text;
  again.hidden = !offerAgain;
  notice.hidden = false;
}

function start(datafiles) {
  let message = '';
  notice.hidden = true;
  Zindle({
    canvas,
    preRun: [module => datafiles.forEach(file => module.FS.writeFile(file.name, file.bytes))],
    onMessage: text => { message = text; },
    onExit: status => show(status === 0 || !message ? 'Zindle has ended.' : message, true),
    // What a crashed program leaves behind is not to be built on: a reload is.
    onAbort: () => show('Zindle has stopped unexpectedly. Reload the page to play again.', false),
  }).catch(() => show(location.protocol === 'file:'
    ? 'Zindle runs from a web server, not from the disk: see its README.'
    : 'Zindle cannot run in this browser.', false));
}

fetchDatafiles().then(datafiles => {
  again.addEventListener('click', () => start(datafiles));
  start(datafiles);
});
