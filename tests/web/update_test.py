"""A returning player's updates of the browser build, in headless Chromium:
one release's folder served by a plain local server, a first visit, the
folder replaced by the next release's, the visits after it, art replaced
by hand as the README says, and a visit with the network gone. What each
visit runs is told apart by its bytes: the page's version, and the digests
of the program's script and code, as the page hands them to the browser.
One visit is held at its first download until the next release's service
worker has taken over: the page must still run the release it started
with. (The hold is the page's: Chromium lets a new worker take over only
once the old one has answered every request, so a response held back by
the server would hold the new worker too.) Every wait polls a condition
with a deadline; the browser is ended by its process ids.

    ZINDLE_RELEASES=<folder holding current/ and next/> python3 update_test.py
"""
import glob
import gzip
import hashlib
import os
import shutil
import tempfile
import subprocess
import unittest

from chromium import Browser, Server, wait_until

RELEASES = os.environ['ZINDLE_RELEASES']
SECONDS = 30  # generous for a loaded machine; a passing run never waits for it

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
RAN = """
const ran = window.probe.ran;
return ran.program && ran.script && window.probe.frames + (document.getElementById('notice').hidden ? 0 : 1)
  ? { version: document.getElementById('version').textContent, ...ran } : null;
"""
NOTICE = """
const notice = document.getElementById('notice');
return notice.hidden ? null : document.getElementById('notice-text').textContent;
"""
COPIES = """
return (async () => (await caches.keys()).filter(name => name.startsWith('zindle ') && !name.endsWith(' pages')))();
"""


def unpack(zip_path, into):
    """The zip's folder, its files dated as the release dates them."""
    subprocess.run(['unzip', '-q', zip_path, '-d', into], check=True)
    return glob.glob(os.path.join(into, 'zindle-*-web'))[0]


def release(folder):
    """What a visit of this release runs, as the probe reports it."""
    def sha(name):
        with gzip.open(os.path.join(folder, name)) as f:
            return hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(folder, 'service-worker.js')) as f:
        version = f.readline().split("'")[1]
    return {'version': version, 'script': sha('zindle.js.gz'), 'program': sha('zindle.wasm.gz')}


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
        self.current = unpack(glob.glob(os.path.join(RELEASES, 'current', 'zindle-*-web.zip'))[0],
                              os.path.join(self.work, 'current'))
        self.next = unpack(glob.glob(os.path.join(RELEASES, 'next', 'zindle-*-web.zip'))[0],
                           os.path.join(self.work, 'next'))
        self.releases = {name: release(folder) for name, folder in [('current', self.current), ('next', self.next)]}
        self.assertNotEqual(self.releases['current'], self.releases['next'])
        self.site = os.path.join(self.work, 'site')
        shutil.copytree(self.current, self.site)
        self.server = Server(self.site)
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

    def release(self):
        self.run_script('window.probe.release()')

    def ran(self):
        """What the visit runs once it shows its menu or a notice."""
        return wait_until(lambda: self.run_script(RAN), SECONDS)

    def assert_ran(self, name, when):
        ran = self.ran()
        self.assertEqual(ran, self.releases[name], f'{when}: not the {name} release whole')

    def test_a_returning_player_takes_the_next_release_and_never_runs_two(self):
        self.visit()
        self.assert_ran('current', 'the first visit')
        self.assertTrue(wait_until(lambda: self.run_script('return !!navigator.serviceWorker.controller'), SECONDS),
                        'the folder is not kept')

        replace(self.site, self.next)
        self.visit(held=True)
        self.assertTrue(wait_until(lambda: self.run_script('return window.probe.changed'), SECONDS),
                        f'the next release was not kept while the page stood loading: {self.server.httpd.fetched}')
        self.release()
        self.assert_ran('current', 'the visit the next release was kept during')
        self.assertTrue(wait_until(lambda: self.run_script(
            "return !document.getElementById('update').hidden"), SECONDS), 'the page does not say a newer one is kept')

        self.visit()
        self.assert_ran('next', 'the second visit after the update')
        self.assertIsNone(self.run_script(NOTICE))

        # Art replaced by hand, of the same size, its old copy left beside
        # it, and the worker's VERSION changed, as the README says.
        stuff = os.path.join(self.site, 'stuff.dat')
        with open(stuff, 'r+b') as f:
            f.write(bytes(16))  # refused by the game: a message shows what plays
        worker = os.path.join(self.site, 'service-worker.js')
        with open(worker) as f:
            code = f.read().replace("const VERSION = '", "const VERSION = 'art-", 1)
        with open(worker, 'w') as f:
            f.write(code)
        self.visit()
        self.ran()
        self.assertTrue(wait_until(lambda: self.run_script('return window.probe.changed'), SECONDS),
                        'the replaced art was not kept')
        self.visit()
        self.assertEqual(wait_until(lambda: self.run_script(NOTICE), SECONDS), 'Failed to load the stuff data file!',
                         'the art replaced by hand does not play by the second visit')

        self.server.stop()
        self.visit()
        self.assert_ran('next', 'offline')
        self.assertEqual(self.run_script(NOTICE), 'Failed to load the stuff data file!', 'offline')
        self.assertEqual(len(self.run_script(COPIES)), 1, 'more than one copy kept')

    def test_a_folder_replaced_during_a_first_visit_is_not_run_mixed(self):
        self.visit(held=True)
        replace(self.site, self.next)
        self.release()
        self.assertEqual(wait_until(lambda: self.run_script(NOTICE), SECONDS),
                         'Zindle was being updated while the page loaded. Reload the page to play.')
        self.assertEqual(self.run_script('return window.probe.frames'), 0, 'the program started')
        self.browser.refresh()
        self.assert_ran('next', 'the reload')


if __name__ == '__main__':
    unittest.main(verbosity=2)
