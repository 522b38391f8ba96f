"""A player's first visit to the browser build, in headless Chromium with a
cold profile: the progress bar while the page downloads, the menu before
the instruments and each file sent once, downloads that fail and are tried
again, the program built with emscripten's checks walked through every
place it rests, and Lighthouse's verdict on a phone. Every wait polls a
condition with a deadline; every browser is ended by its process id
whatever happens.

    ZINDLE_WEB_SITE=<folder> ZINDLE_WEB_CHECKED=<game build> python3 first_visit_test.py
"""
import gzip
import os
import shutil
import tempfile
import threading
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

from chromium import LOUDNESS, Browser, QuietHandler, Server, lighthouse, wait_until

SITE = os.environ['ZINDLE_WEB_SITE']
CHECKED = os.environ['ZINDLE_WEB_CHECKED']

STARTUP_SECONDS = 30  # generous for a loaded machine and a slow network
START, HELP, EXIT = (150, 260), (150, 370), (200, 420)
HELP_BACK = (270, 610)
IDLE = (330, 200)  # on the menu, in no entry
HEARD = 0.01  # the RMS of the tune playing, well above silence's 0
INSTRUMENTS = 'patches.dat.gz'

# What the page shows and sounds: the progress bar, the frames, the notice,
# and the loudness of what leaves the page.
PROBES = LOUDNESS + """
window.frames = 0; window.bar = [];
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () { window.frames++; return put.apply(this, arguments); };
"""
BAR = """
const bar = document.getElementById('loading');
return bar && !bar.hidden ? [bar.hasAttribute('value') ? bar.value : null, bar.max] : null;
"""
NOTICE = """
const n = document.getElementById('notice');
if (n.hidden) return null;
const shown = [...n.querySelectorAll('button')].filter(b => !b.hidden).map(b => b.textContent);
return [document.getElementById('notice-text').textContent, shown];
"""


class Failing(QuietHandler):
    """Fails one file: answers that it has none, or sends the first half of
    its body, having announced it whole."""
    file, how = None, None

    def send_head(self):
        if self.path.lstrip('/') == Failing.file and Failing.how == 'missing':
            self.send_error(404)
            return None
        return super().send_head()

    def copyfile(self, source, destination):
        if self.path.lstrip('/') != Failing.file or Failing.how != 'cut short':
            return super().copyfile(source, destination)
        data = source.read()
        destination.write(data[:len(data) // 2])
        destination.flush()
        self.close_connection = True


class Counting(QuietHandler):
    """Holds the instruments back until the test lets them go, and lists
    each file whose body it sends."""
    let_go = threading.Event()

    def send_head(self):
        if self.path.lstrip('/') == INSTRUMENTS:
            Counting.let_go.wait(STARTUP_SECONDS)
        return super().send_head()

    def send_header(self, keyword, value):
        if keyword == 'Content-Length' and self.command == 'GET':
            self.server.bodies.append(self.path.lstrip('/'))
        super().send_header(keyword, value)


class FirstVisit(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zindle-site-')
        shutil.copytree(SITE, self.folder, dirs_exist_ok=True)
        self.server = None
        self.chromium = None

    def tearDown(self):
        try:
            if self.chromium:
                self.chromium.end()
        finally:
            if self.server:
                self.server.stop()
            shutil.rmtree(self.folder)

    def open(self, handler=QuietHandler):
        self.server = Server(self.folder, handler)
        self.server.httpd.bodies = []
        self.chromium = Browser(PROBES)
        self.browser = self.chromium.driver
        self.browser.get(self.server.url)

    def notice(self):
        return self.browser.execute_script(NOTICE)

    def menu_shown(self, seconds=STARTUP_SECONDS):
        return wait_until(lambda: self.browser.execute_script('return window.frames') > 0, seconds)

    def click(self, element_id):
        self.browser.find_element('id', element_id).click()

    def at(self, point):
        canvas = self.browser.find_element('id', 'screen')
        x, y = point
        return ActionChains(self.browser).move_to_element_with_offset(
            canvas, x - canvas.size['width'] // 2, y - canvas.size['height'] // 2)

    def loudness(self):
        return self.browser.execute_script('return window.loudness()')

    def heard(self):
        return (self.loudness() or 0) > HEARD

    def music_notice(self):
        return self.browser.execute_script(
            "const m = document.getElementById('music'); return m.hidden ? null : m.textContent.replace(/\\s+/g, ' ').trim();")

    def errors(self):
        return [e['message'] for e in self.browser.get_log('browser') if e['level'] == 'SEVERE']

    def test_the_bar_moves_as_the_files_come_and_goes_with_the_menu(self):
        self.server = Server(self.folder)
        self.chromium = Browser(PROBES)
        self.browser = self.chromium.driver
        # A slow mobile network, so that the files take seconds to come.
        self.browser.execute_cdp_cmd('Network.enable', {})
        self.browser.execute_cdp_cmd('Network.emulateNetworkConditions', {
            'offline': False, 'latency': 150, 'downloadThroughput': 200 * 1024, 'uploadThroughput': 84 * 1024})
        self.browser.get(self.server.url)
        bar = self.browser.find_element('id', 'loading')
        self.assertEqual(bar.tag_name, 'progress')  # a progressbar to a screen reader
        self.assertEqual(bar.get_attribute('aria-label'), 'Loading Zindle')
        seen = []
        while not self.browser.execute_script('return window.frames') and len(seen) < 2000:
            seen.append(self.browser.execute_script(BAR))
        values = [shown[0] / shown[1] for shown in seen if shown and shown[0] is not None]
        self.assertGreaterEqual(len(set(round(v, 2) for v in values)), 3, f'the bar did not move: {values}')
        self.assertEqual(values, sorted(values), 'the bar went back')
        self.assertTrue(self.menu_shown(), 'no menu')
        self.assertTrue(wait_until(lambda: self.browser.execute_script(BAR) is None, 5), 'the bar stays')

    def test_a_failed_download_is_named_never_played_and_fetched_afresh(self):
        for name, how in [('zindle.wasm.gz', 'missing'), ('stuff.dat.gz', 'cut short')]:
            with self.subTest(file=name, how=how):
                Failing.file, Failing.how = name, how
                self.open(Failing)
                self.assertEqual(wait_until(self.notice, STARTUP_SECONDS), [f'Downloading {name} failed.', ['Try again']])
                self.assertEqual(self.browser.execute_script('return window.frames'), 0, 'the program started')
                Failing.file = None
                self.click('retry')
                self.assertTrue(self.menu_shown(), 'no menu after trying again')
                self.assertIsNone(self.notice())
                self.assertEqual(self.server.httpd.fetched.count(name), 2, 'the retry did not fetch the file again')
                self.tearDown()
                self.setUp()

    def test_the_menu_comes_first_the_tune_with_its_instruments_and_each_file_once(self):
        Counting.let_go.clear()
        self.open(Counting)
        self.assertTrue(self.menu_shown(), 'no menu before the instruments')
        self.assertNotIn(INSTRUMENTS, self.server.httpd.bodies)
        self.at(IDLE).click().perform()  # the sound may start, silent until they come
        self.assertTrue(wait_until(lambda: self.loudness() is not None, STARTUP_SECONDS), 'no sound after the click')
        self.assertEqual(self.loudness(), 0, 'a tune without its instruments')
        Counting.let_go.set()
        self.assertTrue(wait_until(self.heard, STARTUP_SECONDS), 'no tune once they came')
        # Kept for offline play, with what the page fetched: every file of
        # the folder sent once, the datafiles as their copies.
        self.assertTrue(wait_until(lambda: self.browser.execute_script('return !!navigator.serviceWorker.controller'),
                                   STARTUP_SECONDS), 'the folder is not kept')
        folder = set(os.listdir(self.folder)) - {'index.html', 'tiles.dat', 'stuff.dat', 'patches.dat'} | {''}
        self.assertEqual(sorted(self.server.httpd.bodies), sorted(folder))
        self.assertEqual(self.errors(), [])

    def test_instruments_that_fail_leave_a_silent_game_a_word_beside_it_and_a_retry(self):
        Failing.file, Failing.how = INSTRUMENTS, 'cut short'
        self.open(Failing)
        self.assertTrue(self.menu_shown(), 'no menu')
        self.assertEqual(wait_until(self.music_notice, STARTUP_SECONDS), 'The music could not be downloaded. Try again')
        self.assertIsNone(self.notice(), 'the game is covered')
        self.at(START).click().perform()
        frames = self.browser.execute_script('return window.frames')
        self.assertTrue(wait_until(lambda: self.browser.execute_script('return window.frames') > frames + 10,
                                   STARTUP_SECONDS), 'no game')
        self.assertTrue(wait_until(lambda: self.loudness() is not None, STARTUP_SECONDS), 'no sound after the click')
        self.assertEqual(self.loudness(), 0, 'a tune without its instruments')
        Failing.file = None
        tries = self.server.httpd.fetched.count(INSTRUMENTS)
        self.click('music-retry')
        self.assertTrue(wait_until(self.heard, STARTUP_SECONDS), 'no tune after trying again')
        self.assertIsNone(self.music_notice())
        self.assertIsNone(self.notice())
        self.assertEqual(self.server.httpd.fetched.count(INSTRUMENTS), tries + 1, 'the retry did not fetch them')

    def test_art_replaced_in_the_folder_is_what_plays(self):
        # A stuff.dat newer than its copy is fetched itself, though of the
        # same size: here one the game refuses, where its copy would have
        # played.
        with open(os.path.join(self.folder, 'stuff.dat'), 'r+b') as f:
            f.write(bytes(16))
        self.open()
        self.assertEqual(wait_until(self.notice, STARTUP_SECONDS), ['Failed to load the stuff data file!', ['Play again']])
        self.assertIn('stuff.dat', self.server.httpd.fetched)

    def test_the_checked_program_rests_everywhere_without_a_fault(self):
        # Built with emscripten's checks, the program stops where a function
        # on the stack when it rests was left out of the instrumented list.
        for name in ['zindle.js', 'zindle.wasm']:
            with open(os.path.join(CHECKED, name.replace('zindle', 'zindle_checked')), 'rb') as f:
                data = f.read()
            if name == 'zindle.js':
                data = data.replace(b'zindle_checked.wasm', b'zindle.wasm')
            with gzip.open(os.path.join(self.folder, name + '.gz'), 'wb') as f:
                f.write(data)
        self.open()
        self.assertTrue(self.menu_shown(), 'no menu')
        self.at(HELP).click().perform()
        self.at(HELP_BACK).click().perform()
        self.at(START).click().perform()
        ActionChains(self.browser).key_down(Keys.ARROW_RIGHT).perform()
        page = self.browser.current_window_handle
        self.browser.switch_to.new_window('tab')  # hidden, the program sleeps
        self.browser.switch_to.window(page)
        ActionChains(self.browser).key_up(Keys.ARROW_RIGHT).send_keys(Keys.ESCAPE).perform()
        self.at(EXIT).click().perform()
        ended = wait_until(self.notice, STARTUP_SECONDS)
        errors = self.errors()
        self.assertEqual(ended, ['Zindle has ended.', ['Play again']], errors)
        self.assertEqual(errors, [])


class Lighthouse(unittest.TestCase):
    """Lighthouse's mobile audit of a first visit: a phone's screen, a slow
    network and a processor four times slower, simulated. Its thresholds
    hold on a busy 2-core machine; bench/web_figures.py gives the figures."""

    def test_a_phone_finds_the_page_quick_accessible_and_sound(self):
        server = Server(SITE)
        try:
            result = lighthouse(server.url)
        finally:
            server.stop()
        scores = {name: category['score'] for name, category in result['categories'].items()}
        metrics = {name: result['audits'][name]['displayValue'] for name in [
            'first-contentful-paint', 'largest-contentful-paint', 'total-blocking-time', 'interactive']}
        # Quiet, the page scores 95 to 100 with 10 to 20 ms of blocking;
        # beside four busy workers on two cores, 99 to 100 with 10 to 70 ms
        # (5 runs); with other builds at a load of 8, 79. A page that blocks
        # as this one once did (2.8 s) fails either way.
        self.assertGreaterEqual(scores['performance'], 0.75, (scores, metrics))
        self.assertLessEqual(result['audits']['total-blocking-time']['numericValue'], 600, metrics)
        for category in ['accessibility', 'best-practices', 'seo']:
            self.assertEqual(scores[category], 1, scores)


if __name__ == '__main__':
    unittest.main(verbosity=2)
