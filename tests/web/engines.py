"""The browser engines the game is played in, each a small adapter that
starts its browser, puts a player's input in, runs the page's JavaScript
(which reads the canvas and the sound) and ends every process it started,
by its id, whatever happens:

- Chromium, headless, through chromedriver (chromium.py);
- Firefox ESR, headless, over WebDriver BiDi through puppeteer, in node
  (firefox.js), with a silent sound server so that it makes sound at all;
- WebKit: WebKitGTK's MiniBrowser through WebKitWebDriver, in a virtual X
  server, with the same sound server.

Every adapter offers:
    name                       as the tests' names and messages give it
    cannot_touch               why its automation cannot put a finger down, or None
    cannot_hide, cannot_keep   the same for hiding the page behind another tab,
                               and for starting offline from its service worker
    Engine(phone)              started, with a phone's screen and touch if phone
    open(url)                  the page loaded
    run(script, *args)         a function body's result, in the page, with `arguments`
    key_down(key), key_up(key) a key by its DOM name: 'ArrowLeft', 'Escape'
    move(x, y), click(x, y)    the mouse at a point of the page, in CSS pixels
    touch(points)              every finger down, at points of the page: new ones
                               come down, the others move; [] lifts them all
    hide(), show()             another tab in front of the page, then the page again
    errors()                   what the page and the browser logged as errors
    processes()                the ids of every process it runs: browser, driver, helpers
    installability_errors()    the browser's reasons the page is not an app, or None
                               where the browser does not say
    end()
"""
import atexit
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.remote.webdriver import WebDriver as RemoteWebDriver
from selenium.webdriver.webkitgtk.service import Service as WebKitService

from chromium import Browser, kill, process_tree, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
HELPER_SECONDS = 10  # for a sound server, an X server or the node bridge to come up
CALL_SECONDS = 30  # for one request to the node bridge; a passing run never waits for it
PHONE = {'width': 390, 'height': 844, 'deviceScaleFactor': 3, 'mobile': True}
WINDOW = 1000  # the desktop window's width and height
SELENIUM_KEYS = {'ArrowLeft': Keys.ARROW_LEFT, 'ArrowRight': Keys.ARROW_RIGHT, 'ArrowUp': Keys.ARROW_UP,
                 'ArrowDown': Keys.ARROW_DOWN, 'Escape': Keys.ESCAPE}
# The errors the page itself saw, collected by the tests' probes.
PAGE_ERRORS = 'return window.probe ? window.probe.errors : []'


class Helpers:
    """The processes an engine starts beside its browser, and its folders."""

    def __init__(self):
        self.processes = []
        self.folders = []
        # Every process started here carries this in its environment, and so
        # do their children, however they are started: some browsers' own
        # processes leave the tree they were started in.
        self.tag = f'{os.getpid()}-{id(self)}-{time.monotonic_ns()}'
        self.env = {**os.environ, 'ZINDLE_WEB_ENGINE_RUN': self.tag}

    def folder(self, prefix):
        folder = tempfile.mkdtemp(prefix=prefix)
        self.folders.append(folder)
        return folder

    def start(self, command, env=None, **options):
        process = subprocess.Popen(command, env={**self.env, **(env or {})},
                                   **{'stdout': subprocess.DEVNULL, 'stderr': subprocess.DEVNULL, **options})
        self.processes.append(process)
        return process

    def pids(self):
        marker = f'ZINDLE_WEB_ENGINE_RUN={self.tag}'.encode()
        found = []
        for entry in os.listdir('/proc'):
            try:
                with open(f'/proc/{entry}/environ', 'rb') as f:
                    if marker in f.read().split(b'\0'):
                        found.append(int(entry))
            except (ValueError, OSError):
                pass
        return found

    def sound_server(self):
        """A PulseAudio server of its own, playing into a silent sink: the
        environment that lets a browser reach it."""
        runtime = self.folder('zindle-pulse-')
        env = {'PULSE_RUNTIME_PATH': runtime, 'PULSE_STATE_PATH': runtime}
        self.start(['pulseaudio', '-n', '--daemonize=no', '--exit-idle-time=-1', '--disallow-exit',
                    '--load=module-null-sink sink_name=silent',
                    '--load=module-native-protocol-unix auth-anonymous=1', '--load=module-always-sink'], env=env)
        if not wait_until(lambda: os.path.exists(os.path.join(runtime, 'native')), HELPER_SECONDS):
            raise RuntimeError('the sound server did not start')
        return {'PULSE_RUNTIME_PATH': runtime, 'PULSE_SERVER': 'unix:' + os.path.join(runtime, 'native')}

    def x_server(self):
        """A virtual X server on a free display: the environment that shows on it."""
        read, write = os.pipe()
        try:
            self.start(['Xvfb', '-displayfd', str(write), '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                       pass_fds=[write])
            os.close(write)
            write = None
            # The number and its line end, which the server may write apart:
            # it stops if it finds the pipe closed before the end.
            display = b''
            deadline = time.monotonic() + HELPER_SECONDS
            while not display.endswith(b'\n') and select.select([read], [], [], max(0, deadline - time.monotonic()))[0]:
                data = os.read(read, 64)
                if not data:
                    break
                display += data
        finally:
            os.close(read)
            if write is not None:
                os.close(write)
        if not display.endswith(b'\n'):
            raise RuntimeError('the X server did not start')
        return {'DISPLAY': ':' + display.decode().strip()}

    def end(self):
        kill(self.pids())
        for process in self.processes:
            process.wait()
            for pipe in [process.stdin, process.stdout]:
                if pipe:
                    pipe.close()
        for folder in self.folders:
            shutil.rmtree(folder, ignore_errors=True)


class Selenium:
    """What Chromium's and WebKit's adapters share: a W3C WebDriver session."""
    cannot_hide = None
    cannot_keep = None

    def open(self, url):
        self.driver.get(url)

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def key_down(self, key):
        ActionChains(self.driver).key_down(SELENIUM_KEYS[key]).perform()

    def key_up(self, key):
        ActionChains(self.driver).key_up(SELENIUM_KEYS[key]).perform()

    def pointer(self, x, y):
        # No duration: the pointer jumps, as one mouse event, and is not
        # slid there through many.
        actions = ActionBuilder(self.driver, duration=0)
        actions.pointer_action.move_to_location(round(x), round(y))
        return actions

    def move(self, x, y):
        self.pointer(x, y).perform()

    def click(self, x, y):
        actions = self.pointer(x, y)
        actions.pointer_action.click()
        actions.perform()

    def hide(self):
        self.page = self.driver.current_window_handle
        self.driver.switch_to.new_window('tab')

    def show(self):
        self.driver.switch_to.window(self.page)

    def installability_errors(self):
        return None


class Chromium(Selenium):
    name = 'Chromium'
    cannot_touch = None

    def __init__(self, phone=False):
        self.browser = Browser()
        self.driver = self.browser.driver
        self.fingers = 0
        if phone:
            self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', PHONE)
            self.driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})

    def touch(self, points):
        kind = 'touchEnd' if not points else 'touchStart' if len(points) > self.fingers else 'touchMove'
        self.fingers = len(points)
        fingers = [{'x': x, 'y': y, 'id': i} for i, (x, y) in enumerate(points)]
        self.driver.execute_cdp_cmd('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': fingers})

    def errors(self):
        logged = [entry['message'] for entry in self.driver.get_log('browser') if entry['level'] == 'SEVERE']
        return self.run(PAGE_ERRORS) + logged

    def installability_errors(self):
        return self.driver.execute_cdp_cmd('Page.getInstallabilityErrors', {})['installabilityErrors']

    def processes(self):
        return process_tree(self.browser.service.process.pid)

    def end(self):
        self.browser.end()


class WebKit(Selenium):
    name = 'WebKit'
    cannot_touch = "WebKitGTK's driver turns touch input into mouse events"
    cannot_hide = "MiniBrowser opens another tab as a window of its own, and the page stays in view"
    MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'

    def __init__(self, phone=False):
        self.helpers = Helpers()
        self.service = None
        self.driver = None
        try:
            # No session bus: without one, nothing is started on the side
            # that would outlive the browser.
            env = {**self.helpers.env, **self.helpers.x_server(), **self.helpers.sound_server(),
                   'DBUS_SESSION_BUS_ADDRESS': 'disabled:', 'NO_AT_BRIDGE': '1'}
            self.service = WebKitService('/usr/bin/WebKitWebDriver', log_path=os.devnull, env=env)
            self.service.start()
            options = webdriver.WebKitGTKOptions()
            options.binary_location = self.MINIBROWSER
            options.add_argument('--automation')
            self.driver = RemoteWebDriver(command_executor=self.service.service_url, options=options)
            self.driver.set_window_size(WINDOW, WINDOW)
        except BaseException:
            self.end()
            raise

    def errors(self):
        return self.run(PAGE_ERRORS)

    def processes(self):
        return self.helpers.pids()

    def end(self):
        try:
            if self.driver:
                self.driver.quit()
        finally:
            kill(self.helpers.pids())
            if self.service and self.service.process:
                self.service.process.wait()
            self.helpers.end()


class FirefoxBridge:
    """One Firefox, driven through the node bridge, with its sound server."""

    def __init__(self, phone):
        self.helpers = Helpers()
        self.waiting = b''
        self.calls = 0
        try:
            profile = self.helpers.folder('zindle-firefox-')
            env = self.helpers.sound_server()
            self.bridge = self.helpers.start(['node', os.path.join(HERE, 'firefox.js'), profile,
                                              'phone' if phone else 'desktop'],
                                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=None, env=env)
            first = self.answer(HELPER_SECONDS * 3)
            if 'pid' not in first:
                raise RuntimeError(f'Firefox did not start: {first}')
        except BaseException:
            self.helpers.end()
            raise

    def answer(self, seconds):
        """The bridge's next line, within the seconds."""
        deadline = time.monotonic() + seconds
        while b'\n' not in self.waiting:
            ready, _, _ = select.select([self.bridge.stdout], [], [], max(0, deadline - time.monotonic()))
            data = os.read(self.bridge.stdout.fileno(), 65536) if ready else b''
            if not data:
                raise RuntimeError('the node bridge to Firefox ' + ('ended' if ready else 'did not answer in time'))
            self.waiting += data
        line, self.waiting = self.waiting.split(b'\n', 1)
        return json.loads(line)

    def call(self, name, *args):
        self.calls += 1
        self.bridge.stdin.write((json.dumps([self.calls, name, args]) + '\n').encode())
        self.bridge.stdin.flush()
        reply = self.answer(CALL_SECONDS)
        if 'error' in reply:
            raise RuntimeError(f'Firefox, {name}: {reply["error"]}')
        return reply['value']


# Firefox takes seconds to start, so one for each screen serves every test
# of a run, each test in a fresh context; they end with the run.
FIREFOXES = {}


class Firefox:
    name = 'Firefox'
    cannot_touch = None
    cannot_hide = None
    cannot_keep = None

    def __init__(self, phone=False):
        if phone not in FIREFOXES:
            FIREFOXES[phone] = FirefoxBridge(phone)
        self.firefox = FIREFOXES[phone]
        self.phone = phone
        self.call('fresh')

    def call(self, name, *args):
        try:
            return self.firefox.call(name, *args)
        except RuntimeError:
            # What broke is not to be reused: the next test starts another.
            FIREFOXES.pop(self.phone, None)
            self.firefox.helpers.end()
            raise

    def open(self, url):
        self.call('open', url)

    def run(self, script, *args):
        return self.call('run', script, args)

    def key_down(self, key):
        self.call('keyDown', key)

    def key_up(self, key):
        self.call('keyUp', key)

    def move(self, x, y):
        self.call('move', x, y)

    def click(self, x, y):
        self.call('click', x, y)

    def touch(self, points):
        self.call('touch', points)

    def hide(self):
        self.call('hide')

    def show(self):
        self.call('show')

    def errors(self):
        return self.run(PAGE_ERRORS) + self.call('errors')

    def installability_errors(self):
        return None

    def processes(self):
        return []  # the browser outlives the test: end_shared() ends it

    def end(self):
        if FIREFOXES.get(self.phone) is self.firefox:
            self.call('forget')


def end_shared():
    """Ends the browsers that serve many tests: the ids of what ran."""
    pids = []
    for firefox in FIREFOXES.values():
        pids += firefox.helpers.pids()
        firefox.helpers.end()
    FIREFOXES.clear()
    return pids


# Ended at the run's end however it ends, a deadline's SIGTERM included.
atexit.register(end_shared)
signal.signal(signal.SIGTERM, lambda *_: sys.exit('ended by SIGTERM'))


ENGINES = {engine.name.lower(): engine for engine in [Chromium, Firefox, WebKit]}


def running(pids):
    """Those of the processes that still run: neither gone nor dead and unreaped."""
    alive = []
    for pid in pids:
        try:
            with open(f'/proc/{pid}/stat') as f:
                if f.read().rsplit(')', 1)[1].split()[0] != 'Z':
                    alive.append(pid)
        except FileNotFoundError:
            pass
    return alive
