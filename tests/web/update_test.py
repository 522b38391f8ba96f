"""A returning player's updates of the browser build, in headless Chromium:
one release's folder served by a plain local server, a first visit, the
folder replaced by the next release's, the visits after it, art replaced
by hand as the README says, and a visit with the network gone. What each
visit runs is told apart by its bytes: the page's version, the digests of
the program's script and code, as the page hands them to the browser, and
the art, as it plays: the next release here brings a stuff.dat of the
same size that the game refuses. One visit is held at its first download
until the next release's service worker has taken over: the page must
still run the release it started with. (That hold is the page's: Chromium
lets a new worker take over only once the old one has answered every
request, so a response held back by the server would hold the new worker
too.) Every wait polls a condition with a deadline; the browser is ended
by its process ids.

    ZINDLE_RELEASES=<folder holding current/ and next/> python3 update_test.py
"""
import glob
import gzip
import hashlib
import os
import shutil
import subprocess
import tempfile
import threading
import unittest

from chromium import Browser, QuietHandler, Server, wait_until

RELEASES = os.environ['ZINDLE_RELEASES']
SECONDS = 30  # generous for a loaded machine; a passing run never waits for it
MENU, REFUSED = 'the menu', 'Failed to load the stuff data file!'
OTHER_VERSION = 'Zindle was being updated while the page loaded. Reload the page to play.'

# What the page runs, and when a new service worker takes it over. Opened
# as ?held, the page's downloads wait for the test's word (release), the
# first time only. A block of its own keeps its names from the page's.
PROBES = """{
window.probe = { ran: {}, frames: 0, changed: false };
const digest = async bytes => Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', bytes)),
                                         byte => byte.toString(16).padStart(2, '0')).join('');
const compile = WebAssembly.compile;
WebAssembly.compile = function (bytes) {
  digest(bytes).then(hash => { window.probe.ran.program = hash; });
  return compile.apply(this, arguments);
};
const objectURL = URL.createObjectURL;
URL.createObjectURL = function (blob) {
  blob.arrayBuffer().then(digest).then(hash => { window.probe.ran.script = hash; });
  return objectURL.apply(this, arguments);
};
const pageFetch = window.fetch;
const held = new Promise(resolve => {
  window.probe.release = resolve;
  if (location.search === '?held' && !sessionStorage.getItem('held'))
    sessionStorage.setItem('held', 'once');
  else
    resolve();
});
window.fetch = function () {
  window.probe.holding = true;
  return held.then(() => pageFetch.apply(this, arguments));
};
navigator.serviceWorker.addEventListener('controllerchange', () => { window.probe.changed = true; });
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () {
  window.probe.frames++;
  return put.apply(this, arguments);
};
}"""
# What the page runs, once it shows the menu or a notice.
RAN = """
const ran = window.probe.ran, notice = document.getElementById('notice');
const shows = notice.hidden ? window.probe.frames && arguments[0] : document.getElementById('notice-text').textContent;
return ran.program && ran.script && shows ? { version: document.getElementById('version').textContent, ...ran, shows } : null;
"""
COPIES = """
return (async () => (await caches.keys()).filter(name => name.startsWith('zindle ') && !name.endsWith(' pages')))();
"""


class Holding(QuietHandler):
    """Holds back the program's code until the test lets it go."""
    let_go = threading.Event()

    def send_head(self):
        if self.path == '/zindle.wasm.gz':
            Holding.let_go.wait(SECONDS)
        return super().send_head()


def unpack(releases, into):
    """The zip's folder, its files dated as the release dates them."""
    subprocess.run(['unzip', '-q', glob.glob(os.path.join(RELEASES, releases, 'zindle-*-web.zip'))[0], '-d', into],
                   check=True)
    return glob.glob(os.path.join(into, 'zindle-*-web'))[0]


def runs(folder, shows):
    """What a visit of this release runs, as the probe reports it."""
    def sha(name):
        with gzip.open(os.path.join(folder, name)) as f:
            return hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(folder, 'service-worker.js')) as f:
        version = f.readline().split("'")[1]
    return {'version': version, 'script': sha('zindle.js.gz'), 'program': sha('zindle.wasm.gz'), 'shows': shows}


def refused_art(folder):
    """A stuff.dat of the same size that the game refuses, and its copy."""
    stuff = os.path.join(folder, 'stuff.dat')
    with open(stuff, 'r+b') as f:
        f.write(bytes(16))
    with open(stuff, 'rb') as f, open(stuff + '.gz', 'wb') as copy:
        copy.write(gzip.compress(f.read(), 9))


def replace(site, folder):
    """The host's folder emptied and filled with another's files."""
    for name in os.listdir(site):
        os.remove(os.path.join(site, name))
    for name in os.listdir(folder):
        shutil.copy2(os.path.join(folder, name), site)


class Update(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix='zindle-update-')
        self.addCleanup(shutil.rmtree, self.work)
        self.current = unpack('current', os.path.join(self.work, 'current'))
        self.next = unpack('next', os.path.join(self.work, 'next'))
        refused_art(self.next)
        self.site = os.path.join(self.work, 'site')
        shutil.copytree(self.current, self.site)
        Holding.let_go.set()
        self.server = Server(self.site, Holding)
        self.addCleanup(self.server.stop)
        self.chromium = Browser(PROBES)
        self.addCleanup(self.chromium.end)
        self.browser = self.chromium.driver

    def run_script(self, script):
        return self.browser.execute_script(script)

    def visit(self, held=False):
        """A visit; held, it stands at its first download until released."""
        self.browser.get(self.server.url + ('?held' if held else ''))
        if held:
            self.assertTrue(wait_until(lambda: self.run_script('return window.probe.holding'), SECONDS))

    def ran(self):
        return wait_until(lambda: self.browser.execute_script(RAN, MENU), SECONDS)

    def taken_over(self, what):
        self.assertTrue(wait_until(lambda: self.run_script('return window.probe.changed'), SECONDS),
                        f'{what} was not kept: {self.server.httpd.fetched}')

    def test_a_returning_player_takes_the_next_release_and_never_runs_two(self):
        current, next_release = runs(self.current, MENU), runs(self.next, REFUSED)
        self.assertNotEqual(current['program'], next_release['program'])
        self.visit()
        self.assertEqual(self.ran(), current, 'the first visit')
        self.assertTrue(wait_until(lambda: self.run_script('return !!navigator.serviceWorker.controller'), SECONDS),
                        'the folder is not kept')

        replace(self.site, self.next)
        self.visit(held=True)
        self.taken_over('the next release')
        self.run_script('window.probe.release()')
        self.assertEqual(self.ran(), current, 'the visit during which the next release was kept')
        self.assertTrue(wait_until(lambda: self.run_script(
            "return !document.getElementById('update').hidden"), SECONDS), 'the page does not say a newer one is kept')
        self.visit()
        self.assertEqual(self.ran(), next_release, 'the second visit after the update')

        # Art replaced by hand, of the same size, its old copy left beside
        # it, and the worker's VERSION changed, as the README says.
        shutil.copy(os.path.join(self.current, 'stuff.dat'), self.site)
        worker = os.path.join(self.site, 'service-worker.js')
        with open(worker) as f:
            code = f.read().replace("const VERSION = '", "const VERSION = 'art-", 1)
        with open(worker, 'w') as f:
            f.write(code)
        self.visit()
        self.assertEqual(self.ran(), next_release, 'the visit that finds the replaced art')
        self.taken_over('the replaced art')
        self.visit()
        self.assertEqual(self.ran(), {**next_release, 'shows': MENU}, 'the second visit after the art was replaced')

        self.server.stop()
        self.visit()
        self.assertEqual(self.ran(), {**next_release, 'shows': MENU}, 'offline')
        self.assertEqual(len(self.run_script(COPIES)), 1, 'more than one copy kept')

    def test_a_folder_replaced_during_a_first_visit_is_not_run_mixed(self):
        Holding.let_go.clear()
        self.browser.execute_script('location.href = arguments[0]', self.server.url)
        self.assertTrue(wait_until(lambda: 'zindle.wasm.gz' in self.server.httpd.fetched, SECONDS))
        replace(self.site, self.next)
        Holding.let_go.set()
        self.assertEqual(self.ran()['shows'], OTHER_VERSION)
        self.assertEqual(self.run_script('return window.probe.frames'), 0, 'the program started')
        # The page fetched the program afresh for the reload.
        self.assertTrue(wait_until(lambda: self.server.httpd.fetched.count('zindle.js.gz') == 2, SECONDS))
        self.browser.refresh()
        self.assertEqual(self.ran(), runs(self.next, REFUSED), 'the reload')


if __name__ == '__main__':
    unittest.main(verbosity=2)
