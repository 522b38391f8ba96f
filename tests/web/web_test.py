"""Zindle in a browser, played as a player plays it, in one browser engine
(engines.py: Chromium, Firefox or WebKit): the web folder served as it is
by a plain local server on 127.0.0.1, the browser with its player's
default autoplay policy, real key and mouse events, and a phone's screen
and touch, the canvas's pixels compared with the pictures the Linux build
is held to, and the sound measured where it leaves the page. Each journey
is described once, here, and walked in the engine named; what its
automation cannot drive is skipped with the reason. Every wait polls a
condition with a deadline; the browser and its helpers are ended by their
process ids whatever happens.

    ZINDLE_WEB_SITE=<folder> ZINDLE_WEB_PICTURES=<folder> python3 web_test.py chromium|firefox|webkit
"""
import base64
import os
import shutil
import sys
import tempfile
import time
import unittest

from chromium import Server, wait_until
from engines import ENGINES, end_shared, running

SITE = os.environ['ZINDLE_WEB_SITE']
PICTURES = os.environ['ZINDLE_WEB_PICTURES']
ENGINE = ENGINES[sys.argv.pop(1) if len(sys.argv) > 1 else 'chromium']

# Generous bounds for a loaded machine; a passing run never waits for them.
STARTUP_SECONDS = 20
SCREEN_SECONDS = 5

TILE = 32
SCREEN_WIDTH = 12 * TILE
START, HELP, EXIT = (150, 260), (150, 370), (200, 420)  # inside the menu's entries
HELP_BACK = (270, 610)
IDLE = (330, 200)  # on the menu, in no entry
LEFT_WALL, RIGHT_WALL = 1, 8  # the well's first and last screen columns
HEARD = 0.01  # silence is 0; the tune plays at 0.08 to 0.20 beside four busy workers on two cores
MS_PER_TICK = 10  # the game's clock: a tick moves a falling tile a pixel, or three sped up
FALL_SPAN_MS = 300  # a fall is measured over this much of it: 30 ticks, within a tick at either end
SKY = (12, 14, 40)  # the top of the generator's sky, and the page's
SAFE_ZONE = 0.4  # a maskable icon's art lies within this share of its width from the centre

# The page's sound, measured between the program and the speakers, the
# page's own timers, counted, the time of the first frame put on the
# canvas, and the page's errors: put first in the page by the server.
PROBES = """
window.probe = { analysers: [], contexts: [], states: [], timers: 0, timersWhenHidden: null,
                 firstFrame: null, errors: [], module: null, frames: null, framesWhenHidden: null };
// The page hands its program the module that the program keeps its clock
// in: the probe takes it on the way.
(() => {
  let factory = null;
  Object.defineProperty(window, 'Zindle', { configurable: true, get: () => factory, set: made => {
    factory = module => { window.probe.module = module; return made(module); };
  } });
})();
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
// Only the page's own, called from a script of the page besides this one:
// a driver's scripts may set timers of theirs too.
window.probe.requestFrame = requestAnimationFrame.bind(window);  // the tests' own, not counted
for (const name of ['setTimeout', 'setInterval', 'requestAnimationFrame']) {
  const original = window[name];
  window[name] = function () {
    if (new Error().stack.split(location.origin).length > 2)
      window.probe.timers++;
    return original.apply(this, arguments);
  };
}
document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'hidden') {
    window.probe.timersWhenHidden = window.probe.timers;
    window.probe.framesWhenHidden = window.probe.frames && window.probe.frames.length;
  } else
    window.probe.timersWhileHidden = window.probe.timers - window.probe.timersWhenHidden;
});
// How many pixels of the canvas differ from a picture, and the box around them.
window.probe.differs = name => {
  const canvas = document.getElementById('screen');
  const got = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  const want = window.pictures[name];
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
};
// Once asked for (frames), every frame put: the program's clock when it was
// drawn, in ms, and how it differs from the play screen.
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () {
  if (window.probe.firstFrame === null)
    window.probe.firstFrame = performance.now();
  const result = put.apply(this, arguments);
  if (window.probe.frames)
    window.probe.frames.push([window.probe.module.frameTime, ...window.probe.differs('play')]);
  return result;
};
addEventListener('error', event => window.probe.errors.push(
  event.message || `${event.target.src || event.target.href} did not load`), true);
addEventListener('unhandledrejection', event => window.probe.errors.push(String(event.reason)));
const logError = console.error;
console.error = function () {
  window.probe.errors.push(Array.from(arguments).join(' '));
  return logError.apply(this, arguments);
};
"""

# Compares the canvas with a picture: how many pixels differ, and the box
# around them.
COMPARE = 'return window.probe.differs(arguments[0])'

# Lets the page have `arguments[0]` turns at drawing a frame; the program's
# timers would run in any of them.
PAGE_TURNS = """
let left = arguments[0];
return new Promise(done => {
  const turn = () => --left ? window.probe.requestFrame(turn) : done();
  window.probe.requestFrame(turn);
});
"""


# A key pressed and released within one task of the page, so both come
# between two passes of the program.
TAP = """
for (const type of ['keydown', 'keyup'])
  window.dispatchEvent(new KeyboardEvent(type, { code: arguments[0], key: arguments[0] }));
"""

# An element's box in the page.
BOX = """
const box = document.getElementById(arguments[0]).getBoundingClientRect();
return [box.left, box.top, box.width, box.height];
"""

# The home-screen icons as the page and its manifest offer them: each
# one's declared and real size, purpose, and the pixels that are not
# opaque, and, for maskable ones, those outside the safe zone that are not
# the sky and those inside that are.
ICONS = """
const [sky, safeZone] = arguments;
const manifest = await (await fetch('manifest.json')).json();
const touch = document.querySelector('link[rel="apple-touch-icon"]');
const offered = manifest.icons.map(icon => ({ purpose: 'any', ...icon }));
offered.push({ src: touch.getAttribute('href'), sizes: touch.getAttribute('sizes'), type: touch.getAttribute('type'),
               purpose: 'apple-touch-icon' });
for (const icon of offered) {
  const image = new Image();
  image.src = icon.src;
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = image.naturalWidth;
  canvas.height = image.naturalHeight;
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
  const size = canvas.width, centre = size / 2, radius = safeZone * size;
  Object.assign(icon, { real: `${canvas.width}x${canvas.height}`,
                        seeThrough: 0, artOutside: 0, skyInside: 0, inside: 0 });
  for (let y = 0; y < size; y++)
    for (let x = 0; x < size; x++) {
      const p = pixels.subarray(4 * (y * size + x), 4 * (y * size + x) + 4);
      const isSky = p[0] === sky[0] && p[1] === sky[1] && p[2] === sky[2];
      icon.seeThrough += p[3] !== 255;
      if (Math.hypot(x + 0.5 - centre, y + 0.5 - centre) > radius)
        icon.artOutside += !isSky;
      else {
        icon.inside++;
        icon.skyInside += isSky;
      }
    }
}
return offered;
"""


def read_ppm(name):
    with open(os.path.join(PICTURES, name + '.ppm'), 'rb') as f:
        data = f.read()
    header_end = 0
    for _ in range(3):  # magic, size, maximum
        header_end = data.index(b'\n', header_end) + 1
    return data[header_end:]


def lone_tile(frame):
    """The screen column of the one tile a frame shows on the play screen, else None."""
    _, count, left, _, right, _ = frame
    if count == 0 or right - left >= TILE or not LEFT_WALL * TILE <= left < (RIGHT_WALL + 1) * TILE:
        return None
    return left // TILE


def one_tile_falls(frames):
    """True while the frames show one tile in one column, never higher than before:
    a landing adds a tile, a new one starts higher up. A tile is followed by its
    foot: the frame's band over the well's top hides the top of a new one."""
    columns = {lone_tile(frame) for frame in frames}
    feet = [frame[5] for frame in frames]
    return None not in columns and len(columns) <= 1 and feet == sorted(feet)


def span(frames):
    """The game's ms from the first frame to the last."""
    return frames[-1][0] - frames[0][0] if frames else 0


def tearDownModule():
    pids = end_shared()
    if not wait_until(lambda: not running(pids), SCREEN_SECONDS):
        raise AssertionError(f'{ENGINE.name}: processes left running: {running(pids)}')


class BrowserTest(unittest.TestCase):
    """The engine on the served folder, and a player's steps."""
    folder = SITE
    phone = False

    def setUp(self):
        self.server = Server(self.folder, probes=PROBES)
        self.addCleanup(self.server.stop)
        self.engine = ENGINE(self.phone)
        self.addCleanup(self.end_engine)

    def end_engine(self):
        pids = self.engine.processes()
        self.engine.end()
        left = [] if wait_until(lambda: not running(pids), SCREEN_SECONDS) else running(pids)
        self.assertEqual(left, [], f'{ENGINE.name}: processes left running')

    def cannot(self, reason):
        if reason:
            self.skipTest(f'{ENGINE.name}: {reason}')

    def check(self, condition, message):
        self.assertTrue(condition, f'{ENGINE.name}: {message}')

    # ---- A player's steps ------------------------------------------------------

    def open_page(self):
        self.engine.open(self.server.url)
        self.engine.run('window.pictures = {};')
        for name in ['menu', 'help', 'play']:
            self.engine.run(
                'const bytes = atob(arguments[1]); const a = new Uint8Array(bytes.length);'
                'for (let i = 0; i < bytes.length; i++) a[i] = bytes.charCodeAt(i);'
                'window.pictures[arguments[0]] = a;',
                name, base64.b64encode(read_ppm(name)).decode())

    def open_menu(self):
        self.open_page()
        self.check(self.shows('menu', STARTUP_SECONDS), 'no menu')

    def box(self, element):
        return self.engine.run(BOX, element)

    def point(self, x, y):
        """A point of the game's screen, in its pixels, as a point of the page."""
        left, top, width, _ = self.box('screen')
        scale = width / SCREEN_WIDTH
        return left + (x + 0.5) * scale, top + (y + 0.5) * scale

    def click_at(self, point):
        self.engine.click(*self.point(*point))

    def move_to(self, point):
        self.engine.move(*self.point(*point))

    def touch(self, *points):
        """Every finger down, at points of the game's screen; none lifts them all."""
        self.engine.touch([self.point(*p) for p in points])

    def compare(self, picture):
        return self.engine.run(COMPARE, picture)

    def shows(self, picture, seconds=SCREEN_SECONDS):
        return wait_until(lambda: self.compare(picture)[0] == 0, seconds)

    def tile_column(self):
        """The screen column of the one tile on the play screen, else None."""
        return lone_tile([None, *self.compare('play')])

    def wait_for_column(self, wanted):
        return wait_until(lambda: wanted(self.tile_column()), SCREEN_SECONDS)

    def falls(self):
        self.check(self.wait_for_column(lambda c: c is not None) is not None, 'no tile falls')

    def track(self):
        """From now on the probe keeps every frame: the game's clock when it was
        drawn and where it differs from the play screen."""
        self.engine.run('window.probe.frames = []')

    def frames(self, since=0):
        return self.engine.run('return window.probe.frames.slice(arguments[0])', since)

    def fall_rate(self, since):
        """Pixels a tick of the game's clock that the one falling tile covers in
        the frames after frame `since`, over FALL_SPAN_MS of that clock; the
        first frame put after an input may still show a pass before it."""
        seen = []

        def measured():
            seen[:] = self.frames(since + 1)
            return not one_tile_falls(seen) or span(seen) >= FALL_SPAN_MS

        wait_until(measured, SCREEN_SECONDS)
        self.check(one_tile_falls(seen) and span(seen) >= FALL_SPAN_MS, f'no tile fell on for {FALL_SPAN_MS} ms '
                   f'of the game; frames (ms, count, left, top, right, bottom): {seen}')
        return (seen[-1][5] - seen[0][5]) / span(seen) * MS_PER_TICK

    def notice(self):
        return self.engine.run(
            "const n = document.getElementById('notice');"
            "return n.hidden ? null : document.getElementById('notice-text').textContent;")

    def state(self):
        """The sound's state; none before the first key or touch makes it."""
        return self.engine.run('return window.probe.contexts.length ? window.probe.contexts[0].state : "none"')

    def loudness(self):
        return self.engine.run('return window.probe.loudness()')

    def figure(self, text):
        print(f'{ENGINE.name}: {text}', file=sys.stderr)


class Desktop(BrowserTest):
    """Keys and a mouse."""

    def test_shows_the_linux_menu_and_help_and_logs_no_errors(self):
        self.open_menu()
        self.figure(f'first frame (the menu) {self.engine.run("return window.probe.firstFrame"):.0f} ms after the '
                    f'page started loading, {self.compare("menu")[0]} pixels differ from the Linux menu')
        self.click_at(HELP)
        self.check(self.shows('help'), 'no help screen')
        self.click_at(HELP_BACK)
        self.check(self.shows('menu'), 'the back button did not return to the menu')
        self.assertEqual(self.engine.errors(), [], ENGINE.name)

    def test_steers_by_keys_and_mouse_and_escape_ends_the_game(self):
        self.open_menu()
        self.click_at(START)  # pressed and released at once: no press is lost
        self.falls()
        self.move_to((192, 320))  # the pointer in place; it may steer
        pointer = self.point(192, 320)

        # Held arrows carry the tile to either wall.
        for key, wall in [('ArrowRight', RIGHT_WALL), ('ArrowLeft', LEFT_WALL)]:
            self.engine.key_down(key)
            self.check(self.wait_for_column(lambda c: c == wall), f'the tile did not reach column {wall}')
            self.engine.key_up(key)

        # A tap pressed and released before the program runs again still
        # moves the tile, one column: it is seen down by exactly one pass.
        self.engine.run(TAP, 'ArrowRight')
        self.check(self.wait_for_column(lambda c: c == LEFT_WALL + 1), 'a short tap did not move the tile')

        # The mouse moved sideways by 5 pixels or more in one pass steers it one column.
        for step, column in [(10, LEFT_WALL + 2), (0, LEFT_WALL + 1)]:
            self.engine.move(pointer[0] + step, pointer[1])
            self.check(self.wait_for_column(lambda c: c == column), f'the mouse did not steer to {column}')

        self.engine.key_down('Escape')
        self.engine.key_up('Escape')
        self.check(self.shows('menu'), 'Escape did not end the game')

    def test_the_tune_starts_with_the_first_click_or_key(self):
        def press():
            self.engine.key_down('ArrowUp')
            self.engine.key_up('ArrowUp')

        for gesture, act in [('click', lambda: self.click_at(IDLE)), ('key', press)]:
            with self.subTest(gesture):
                self.open_menu()
                self.assertIn(self.state(), ['none', 'suspended'], ENGINE.name)
                self.assertEqual(self.loudness(), 0, ENGINE.name)
                act()
                self.check(wait_until(lambda: self.loudness() > HEARD, SCREEN_SECONDS), f'no tune after the first {gesture}')
                self.figure(f"the tune's RMS after the first {gesture} {self.loudness():.3f}")

    def test_a_hidden_page_sleeps_and_the_game_catches_up_at_once(self):
        self.cannot(ENGINE.cannot_hide)
        self.open_menu()
        self.click_at(START)
        self.falls()
        self.track()
        self.check(wait_until(self.frames, SCREEN_SECONDS), 'no frame was drawn')
        self.engine.hide()
        hidden = time.monotonic()
        time.sleep(1.5)  # the pause itself; the test's clock says only that it lasted this long at least
        paused = (time.monotonic() - hidden) * 1000
        self.engine.show()
        # The first frame after the pause shows the pause's whole fall at once:
        # the game's clock had all of it, and folded it into one tick.
        self.check(wait_until(lambda: self.engine.run(
            'return window.probe.frames.length > window.probe.framesWhenHidden'), SCREEN_SECONDS), 'no frame after')
        shown = self.engine.run('return window.probe.framesWhenHidden')
        last, first = self.frames(shown - 1)[:2]
        ticks = (first[0] - last[0]) / MS_PER_TICK
        seen = f'{paused:.0f} ms hidden; frames before and after (ms, count, left, top, right, bottom): {last}, {first}'
        self.check(ticks >= paused / MS_PER_TICK, f'the game\'s clock lost the pause: {seen}')
        self.check(one_tile_falls([last, first]) and abs(first[5] - last[5] - ticks) <= 1,
                   f'the pause\'s fall did not show at once: {seen}')
        # Meanwhile the program slept and the sound stopped, and it is back.
        self.assertEqual(self.engine.run('return window.probe.timersWhileHidden'), 0, ENGINE.name)
        self.check(wait_until(lambda: self.state() == 'running', SCREEN_SECONDS), 'the sound did not come back')
        self.assertEqual(self.engine.run('return window.probe.states.slice(-2)'), ['suspended', 'running'],
                         ENGINE.name)

    def test_the_exit_entry_ends_the_program_and_the_page_offers_another_game(self):
        self.open_menu()
        self.click_at(EXIT)
        self.assertEqual(wait_until(self.notice, SCREEN_SECONDS), 'Zindle has ended.', ENGINE.name)
        # Ended, the program leaves nothing running: no sound (some engines
        # close it a moment later), no timers.
        self.check(wait_until(lambda: self.state() == 'closed', SCREEN_SECONDS), 'the sound was not closed')
        timers = self.engine.run('return window.probe.timers')
        self.assertGreater(timers, 0, f'{ENGINE.name}: the page\'s timers were not counted')
        self.engine.run(PAGE_TURNS, 30)
        self.assertEqual(self.engine.run('return window.probe.timers'), timers, ENGINE.name)
        left, top, width, height = self.box('again')
        self.engine.click(left + width / 2, top + height / 2)
        self.check(self.shows('menu'), 'no menu after starting again')
        self.assertIsNone(self.notice(), ENGINE.name)

    def test_home_screen_icons_and_installable(self):
        self.open_page()
        icons = self.engine.run('return (async () => {' + ICONS + '})()', SKY, SAFE_ZONE)
        self.assertEqual(sorted((icon['purpose'], icon['sizes'], icon['type']) for icon in icons), [
            ('any', '192x192', 'image/png'), ('any', '512x512', 'image/png'),
            ('apple-touch-icon', '180x180', None),
            ('maskable', '192x192', 'image/png'), ('maskable', '512x512', 'image/png')], ENGINE.name)
        for icon in icons:
            with self.subTest(icon=icon['src']):
                self.assertEqual(icon['real'], icon['sizes'], f'{ENGINE.name}: {icon}')
                if icon['purpose'] != 'any':
                    # Launchers cut these to their own shapes, over nothing.
                    self.assertEqual(icon['seeThrough'], 0, f'{ENGINE.name}: {icon}')
                if icon['purpose'] == 'maskable':
                    # The art lies within the zone every launcher keeps,
                    self.assertEqual(icon['artOutside'], 0, f'{ENGINE.name}: art outside the safe zone: {icon}')
                    # and fills a good part of the zone.
                    self.assertLess(icon['skyInside'], icon['inside'] * 2 / 3, f'{ENGINE.name}: little art: {icon}')
        with self.subTest('installable'):
            errors = self.engine.installability_errors()
            self.cannot(None if errors is not None else 'only Chromium tells why a page cannot be installed')
            self.assertEqual(errors, [])

    def test_after_one_visit_it_starts_offline(self):
        self.cannot(ENGINE.cannot_keep)
        self.open_menu()
        self.check(wait_until(lambda: self.engine.run('return !!navigator.serviceWorker.controller'),
                              STARTUP_SECONDS), 'the folder is not kept')
        self.server.stop()
        self.open_menu()


class Phone(BrowserTest):
    """A phone's screen and touch."""
    phone = True

    def setUp(self):
        self.cannot(ENGINE.cannot_touch)
        super().setUp()

    def drag(self, start, dx, dy=0, steps=8):
        self.touch(start)
        for i in range(1, steps + 1):
            self.touch((start[0] + dx * i / steps, start[1] + dy * i / steps))
        self.touch()

    def start_game(self):
        self.open_menu()
        self.touch(START)
        self.touch()
        self.check(self.wait_for_column(lambda c: c is not None) is not None, 'a tap did not start a game')

    def test_a_finger_plays_and_the_page_stays_put(self):
        self.start_game()
        self.assertEqual(self.box('screen')[2], 390, f'{ENGINE.name}: the game does not fill the width')
        # A drag steers the tile a column for every tile's width it covers.
        for start, dx, column in [(40, 8 * TILE, RIGHT_WALL), (340, -8 * TILE, LEFT_WALL), (100, 1.5 * TILE, LEFT_WALL + 1)]:
            self.drag((start, 400), dx)
            self.check(self.wait_for_column(lambda c: c == column), f'a drag did not steer to {column}')
        # A second finger ends the game; spreading the two zooms nothing.
        self.touch((150, 300))
        self.touch((150, 300), (250, 300))
        self.touch((50, 300), (350, 500))
        self.touch()
        self.check(self.shows('menu'), 'two fingers did not end the game')
        self.assertEqual(self.engine.run(
            'return [scrollX, scrollY, visualViewport.scale, document.documentElement.scrollHeight - innerHeight]'),
            [0, 0, 1, 0], ENGINE.name)
        self.assertEqual(self.engine.errors(), [], ENGINE.name)

    def test_a_swipe_down_triples_the_fall_and_one_up_restores_it(self):
        self.start_game()
        self.track()
        normal = self.fall_rate(0)
        # Both swipes on the first tile of a new game: the whole well to fall through.
        self.start_game()
        self.track()
        self.drag((192, 300), 0, 3 * TILE, steps=2)
        fast = self.fall_rate(len(self.frames()))
        self.drag((192, 500), 0, -3 * TILE, steps=2)
        slow = self.fall_rate(len(self.frames()))
        seen = f'{normal:.2f}, {fast:.2f} then {slow:.2f} pixels a tick'
        self.check(one_tile_falls(self.frames()), f'the tile landed between the swipes: {seen}')
        # Each rate is within a tick in 30 of its own, by the game's clock.
        self.assertAlmostEqual(normal, 1, delta=0.07, msg=f'{ENGINE.name}: {seen}')
        self.assertAlmostEqual(fast / normal, 3, delta=0.45, msg=f'{ENGINE.name}: {seen}')
        self.assertAlmostEqual(slow / normal, 1, delta=0.15, msg=f'{ENGINE.name}: {seen}')


class WithoutTiles(BrowserTest):
    """A folder whose tiles.dat is missing, as after a botched replacement."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zindle-site-')
        self.addCleanup(shutil.rmtree, self.folder)
        shutil.copytree(SITE, self.folder, dirs_exist_ok=True)
        os.remove(os.path.join(self.folder, 'tiles.dat'))
        super().setUp()

    def test_shows_the_message_and_stops(self):
        self.open_page()
        self.assertEqual(wait_until(self.notice, STARTUP_SECONDS), 'Failed to load the tiles data file!', ENGINE.name)
        self.check(wait_until(lambda: self.state() in ['none', 'closed'], SCREEN_SECONDS), 'the sound was not closed')


if __name__ == '__main__':
    unittest.main(verbosity=2)
