"""Zindle in a browser, played as a player plays it: the web folder served
as it is by a plain local server on 127.0.0.1, headless Chromium with its
default autoplay policy, real key and mouse events, and a phone's screen
and touch, the canvas's pixels compared with the pictures the Linux build
is held to, and the sound measured where it leaves the page. Every wait
polls a condition with a deadline; the browser is ended by its process id
whatever happens.

    ZINDLE_WEB_SITE=<folder> ZINDLE_WEB_PICTURES=<folder> python3 web_test.py
"""
import base64
import os
import shutil
import tempfile
import time
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

from chromium import Browser, Server, wait_until

SITE = os.environ['ZINDLE_WEB_SITE']
PICTURES = os.environ['ZINDLE_WEB_PICTURES']

# Generous bounds for a loaded machine; a passing run never waits for them.
STARTUP_SECONDS = 20
SCREEN_SECONDS = 5

TILE = 32
START, HELP, EXIT = (150, 260), (150, 370), (200, 420)  # inside the menu's entries
HELP_BACK = (270, 610)
IDLE = (330, 200)  # on the menu, in no entry
LEFT_WALL, RIGHT_WALL = 1, 8  # the well's first and last screen columns

# The page's sound, measured between the program and the speakers, and the
# page's own timers, counted: installed before the page's scripts run.
PROBES = """
window.probe = { analysers: [], contexts: [], states: [], timers: 0, timersWhenHidden: null };
const connect = AudioNode.prototype.connect;
AudioNode.prototype.connect = function (target, ...rest) {
  if (target instanceof AudioDestinationNode) {
    const analyser = target.context.createAnalyser();
    connect.call(this, analyser);
    connect.call(analyser, target);
    window.probe.analysers.push(analyser);
    window.probe.contexts.push(target.context);
    target.context.addEventListener('statechange', () => window.probe.states.push(target.context.state));
    return target;
  }
  return connect.call(this, target, ...rest);
};
window.probe.loudness = () => {
  let loudest = 0;
  for (const analyser of window.probe.analysers) {
    const samples = new Float32Array(analyser.fftSize);
    analyser.getFloatTimeDomainData(samples);
    loudest = Math.max(loudest, Math.sqrt(samples.reduce((sum, s) => sum + s * s, 0) / samples.length));
  }
  return loudest;
};
for (const name of ['setTimeout', 'setInterval', 'requestAnimationFrame']) {
  const original = window[name];
  window[name] = function () { window.probe.timers++; return original.apply(this, arguments); };
}
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden')
    window.probe.timersWhenHidden = window.probe.timers;
  else
    window.probe.timersWhileHidden = window.probe.timers - window.probe.timersWhenHidden;
});
"""

# Compares the canvas with a picture: how many pixels differ, and the box
# around them.
COMPARE = """
const canvas = document.getElementById('screen');
const got = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const want = window.pictures[arguments[0]];
let count = 0, left = canvas.width, top = canvas.height, right = -1, bottom = -1;
for (let i = 0, j = 0; i < got.length; i += 4, j += 3) {
  if (got[i] !== want[j] || got[i + 1] !== want[j + 1] || got[i + 2] !== want[j + 2]) {
    const x = (i / 4) % canvas.width, y = Math.floor(i / 4 / canvas.width);
    count++;
    left = Math.min(left, x); right = Math.max(right, x);
    top = Math.min(top, y); bottom = Math.max(bottom, y);
  }
}
return [count, left, top, right, bottom];
"""


# A key pressed and released within one task of the page, so both come
# between two passes of the program.
TAP = """
for (const type of ['keydown', 'keyup'])
  window.dispatchEvent(new KeyboardEvent(type, { code: arguments[0], key: arguments[0] }));
"""


def read_ppm(name):
    with open(os.path.join(PICTURES, name + '.ppm'), 'rb') as f:
        data = f.read()
    header_end = 0
    for _ in range(3):  # magic, size, maximum
        header_end = data.index(b'\n', header_end) + 1
    return data[header_end:]


class BrowserTest(unittest.TestCase):
    """A browser on the served folder, and a player's steps."""
    folder = SITE

    def setUp(self):
        self.server = Server(self.folder)
        self.chromium = Browser(PROBES)
        self.browser = self.chromium.driver

    def tearDown(self):
        try:
            self.chromium.end()
        finally:
            self.server.stop()

    # ---- A player's steps ------------------------------------------------------

    def open_page(self):
        self.browser.get(self.server.url)
        self.browser.execute_script('window.pictures = {};')
        for name in ['menu', 'help', 'play']:
            self.browser.execute_script(
                'const bytes = atob(arguments[1]); const a = new Uint8Array(bytes.length);'
                'for (let i = 0; i < bytes.length; i++) a[i] = bytes.charCodeAt(i);'
                'window.pictures[arguments[0]] = a;',
                name, base64.b64encode(read_ppm(name)).decode())
        self.canvas = self.browser.find_element('id', 'screen')

    def open_menu(self):
        self.open_page()
        self.assertTrue(self.shows('menu', STARTUP_SECONDS), 'no menu')

    def at(self, point):
        """Actions with the pointer at a point of the game's screen."""
        x, y = point
        return ActionChains(self.browser).move_to_element_with_offset(
            self.canvas, x - self.canvas.size['width'] // 2, y - self.canvas.size['height'] // 2)

    def click_at(self, point):
        self.at(point).click().perform()

    def compare(self, picture):
        return self.browser.execute_script(COMPARE, picture)

    def shows(self, picture, seconds=SCREEN_SECONDS):
        return wait_until(lambda: self.compare(picture)[0] == 0, seconds)

    def tile_column(self):
        """The screen column of the one tile on the play screen, else None."""
        count, left, _, right, _ = self.compare('play')
        if count == 0 or right - left >= TILE or not LEFT_WALL * TILE <= left < (RIGHT_WALL + 1) * TILE:
            return None
        return left // TILE

    def tile_top(self):
        return self.compare('play')[2]

    def wait_for_column(self, wanted):
        return wait_until(lambda: wanted(self.tile_column()), SCREEN_SECONDS)

    def notice(self):
        return self.browser.execute_script(
            "const n = document.getElementById('notice');"
            "return n.hidden ? null : document.getElementById('notice-text').textContent;")

    def errors(self):
        return [entry['message'] for entry in self.browser.get_log('browser') if entry['level'] == 'SEVERE']

    def state(self):
        """The sound's state; none before the first key or touch makes it."""
        return self.browser.execute_script(
            'return window.probe.contexts.length ? window.probe.contexts[0].state : "none"')


class WebGame(BrowserTest):

    def test_shows_the_linux_menu_and_help_and_logs_no_errors(self):
        self.open_menu()
        self.click_at(HELP)
        self.assertTrue(self.shows('help'), 'no help screen')
        self.click_at(HELP_BACK)
        self.assertTrue(self.shows('menu'), 'the back button did not return to the menu')
        self.assertEqual(self.errors(), [])

    def test_steers_by_keys_and_mouse_and_escape_ends_the_game(self):
        self.open_menu()
        self.click_at(START)  # pressed and released at once: no press is lost
        self.assertIsNotNone(self.wait_for_column(lambda c: c is not None), 'no tile falls')
        self.at((192, 320)).perform()  # the pointer in place; it may steer

        # Held arrows carry the tile to either wall.
        for key, wall in [(Keys.ARROW_RIGHT, RIGHT_WALL), (Keys.ARROW_LEFT, LEFT_WALL)]:
            ActionChains(self.browser).key_down(key).perform()
            self.assertTrue(self.wait_for_column(lambda c: c == wall), f'the tile did not reach column {wall}')
            ActionChains(self.browser).key_up(key).perform()

        # A tap pressed and released before the program runs again still
        # moves the tile, one column: it is seen down by exactly one pass.
        self.browser.execute_script(TAP, 'ArrowRight')
        self.assertTrue(self.wait_for_column(lambda c: c == LEFT_WALL + 1), 'a short tap did not move the tile')

        # The mouse moved sideways by 5 pixels or more in one pass steers it one column.
        for step, column in [(10, LEFT_WALL + 2), (-10, LEFT_WALL + 1)]:
            ActionChains(self.browser).move_by_offset(step, 0).perform()
            self.assertTrue(self.wait_for_column(lambda c: c == column), f'the mouse did not steer to {column}')

        ActionChains(self.browser).send_keys(Keys.ESCAPE).perform()
        self.assertTrue(self.shows('menu'), 'Escape did not end the game')

    def test_the_tune_starts_with_the_first_click(self):
        self.open_menu()
        loudness = 'return window.probe.loudness()'
        self.assertIn(self.state(), ['none', 'suspended'])
        self.assertEqual(self.browser.execute_script(loudness), 0)
        self.click_at(IDLE)
        self.assertTrue(wait_until(lambda: self.browser.execute_script(loudness) > 0.01, SCREEN_SECONDS),
                        'no tune after the first click')

    def test_a_hidden_page_sleeps_and_the_game_catches_up_at_once(self):
        self.open_menu()
        self.click_at(START)
        self.assertIsNotNone(self.wait_for_column(lambda c: c is not None), 'no tile falls')
        page = self.browser.current_window_handle
        top = self.tile_top()
        self.browser.switch_to.new_window('tab')
        hidden = time.monotonic()
        time.sleep(3)  # the pause itself
        self.browser.switch_to.window(page)
        # The pause's whole fall, at 100 pixels a second, shows at once: the
        # game folds it into one tick. Falling on instead would take longer.
        fallen = (time.monotonic() - hidden) * 100
        self.assertTrue(wait_until(lambda: self.tile_top() - top > fallen * 0.8, 1.5),
                        f'the tile did not fall the {fallen:.0f} pixels of the pause at once')
        # Meanwhile the program slept and the sound stopped, and it is back.
        self.assertEqual(self.browser.execute_script('return window.probe.timersWhileHidden'), 0)
        self.assertTrue(wait_until(lambda: self.state() == 'running', SCREEN_SECONDS), 'the sound did not come back')
        self.assertEqual(self.browser.execute_script('return window.probe.states.slice(-2)'), ['suspended', 'running'])

    def test_the_exit_entry_ends_the_program_and_the_page_offers_another_game(self):
        self.open_menu()
        self.click_at(EXIT)
        self.assertEqual(wait_until(self.notice, SCREEN_SECONDS), 'Zindle has ended.')
        # Ended, the program leaves nothing running: no sound, no timers.
        self.assertEqual(self.state(), 'closed')
        timers = self.browser.execute_script('return window.probe.timers')
        time.sleep(0.5)
        self.assertEqual(self.browser.execute_script('return window.probe.timers'), timers)
        self.browser.find_element('id', 'again').click()
        self.assertTrue(self.shows('menu'), 'no menu after starting again')
        self.assertIsNone(self.notice())


class Phone(BrowserTest):
    """A phone's screen and touch, fingers put down through the DevTools protocol."""

    def setUp(self):
        super().setUp()
        self.browser.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                                     {'width': 390, 'height': 844, 'deviceScaleFactor': 3, 'mobile': True})
        self.browser.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})

    def touch(self, kind, *points):
        """Fingers at points of the game's screen, in its pixels."""
        box = self.browser.execute_script("return document.getElementById('screen').getBoundingClientRect()")
        scale = box['width'] / (12 * TILE)
        fingers = [{'x': box['left'] + x * scale, 'y': box['top'] + y * scale, 'id': i} for i, (x, y) in enumerate(points)]
        self.browser.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': fingers})

    def drag(self, start, dx, dy=0, steps=8):
        self.touch('touchStart', start)
        for i in range(1, steps + 1):
            self.touch('touchMove', (start[0] + dx * i / steps, start[1] + dy * i / steps))
        self.touch('touchEnd')

    def start_game(self):
        self.open_menu()
        self.touch('touchStart', START)
        self.touch('touchEnd')
        self.assertIsNotNone(self.wait_for_column(lambda c: c is not None), 'a tap did not start a game')

    def test_a_finger_plays_and_the_page_stays_put(self):
        self.start_game()
        self.assertEqual(self.canvas.size['width'], 390, 'the game does not fill the width')
        # A drag steers the tile a column for every tile's width it covers.
        for start, dx, column in [(40, 8 * TILE, RIGHT_WALL), (340, -8 * TILE, LEFT_WALL), (100, 1.5 * TILE, LEFT_WALL + 1)]:
            self.drag((start, 400), dx)
            self.assertTrue(self.wait_for_column(lambda c: c == column), f'a drag did not steer to {column}')
        # A second finger ends the game; spreading the two zooms nothing.
        self.touch('touchStart', (150, 300))
        self.touch('touchStart', (150, 300), (250, 300))
        self.touch('touchMove', (50, 300), (350, 500))
        self.touch('touchEnd')
        self.assertTrue(self.shows('menu'), 'two fingers did not end the game')
        self.assertEqual(self.browser.execute_script(
            'return [scrollX, scrollY, visualViewport.scale, document.documentElement.scrollHeight - innerHeight]'),
            [0, 0, 1, 0])
        self.assertEqual(self.errors(), [])

    def test_a_swipe_down_triples_the_fall_and_one_up_restores_it(self):
        self.start_game()

        def fall():
            """Pixels fallen in half a second."""
            top = self.tile_top()
            time.sleep(0.5)  # the span measured, not a wait
            return self.tile_top() - top

        normal = fall()
        self.drag((192, 300), 0, 3 * TILE)
        fast = fall()
        self.drag((192, 500), 0, -3 * TILE)
        slow = fall()
        self.assertGreater(normal, 30)
        self.assertAlmostEqual(fast / normal, 3, delta=0.6, msg=f'{normal} then {fast} pixels')
        self.assertAlmostEqual(slow / normal, 1, delta=0.3, msg=f'{normal} then {slow} pixels')

    def test_installable_and_after_one_visit_it_starts_offline(self):
        self.open_menu()
        self.assertEqual(self.browser.execute_cdp_cmd('Page.getInstallabilityErrors', {}), {'installabilityErrors': []})
        self.assertTrue(wait_until(lambda: self.browser.execute_script('return !!navigator.serviceWorker.controller'),
                                   STARTUP_SECONDS), 'the folder is not kept')
        self.server.stop()
        self.open_menu()


class WithoutTiles(BrowserTest):
    """A folder whose tiles.dat is missing, as after a botched replacement."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zindle-site-')
        shutil.copytree(SITE, self.folder, dirs_exist_ok=True)
        os.remove(os.path.join(self.folder, 'tiles.dat'))
        super().setUp()

    def tearDown(self):
        super().tearDown()
        shutil.rmtree(self.folder)

    def test_shows_the_message_and_stops(self):
        self.open_page()
        self.assertEqual(wait_until(self.notice, STARTUP_SECONDS), 'Failed to load the tiles data file!')
        self.assertIn(self.state(), ['none', 'closed'])


if __name__ == '__main__':
    unittest.main(verbosity=2)
