"""The browser build's figures, measured in headless Chromium from the
folder served by a plain local server on 127.0.0.1:

- how long after the page starts loading its first frame, the menu, shows;
- how many bytes the page transfers, from a server that compresses nothing;
- how soon a held arrow shows the tile at the wall;
- the whole browser's share of a core (all its processes): on a blank page,
  at the menu with the tune playing, in play, and after the exit entry.

    python3 bench/web_figures.py <web folder> [repetitions] [seconds per share]

Each figure is the median of the repetitions, with its range.
"""
import functools
import http.server
import os
import signal
import statistics
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

FOLDER = sys.argv[1]
REPETITIONS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 10
SETTLE_SECONDS = 5  # after the exit, while the browser winds the audio down
START, EXIT, IDLE = (150, 260), (200, 420), (330, 200)
RIGHT_WALL_EDGE = 9 * 32  # a tile in the last column ends here
TICKS = os.sysconf('SC_CLK_TCK')

# The time of each frame put on the canvas, with the right edge of what it
# changed, and of the last key pressed.
PROBES = """
window.frames = [];
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function (image, x, y, dx, dy, dw, dh) {
  window.frames.push([performance.now(), dx + dw]);
  return put.apply(this, arguments);
};
addEventListener('keydown', () => { window.keyDown = performance.now(); }, true);
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, '.wasm': 'application/wasm'}

    def log_message(self, *args):
        pass


def process_tree(pid):
    tree = [pid]
    try:
        for task in os.listdir(f'/proc/{pid}/task'):
            with open(f'/proc/{pid}/task/{task}/children') as f:
                for child in f.read().split():
                    tree += process_tree(int(child))
    except FileNotFoundError:
        pass
    return tree


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            with open(f'/proc/{pid}/stat') as f:
                fields = f.read().rsplit(')', 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except FileNotFoundError:
            pass
    return total / TICKS


def share(driver_pid):
    """The browser's share of one core over SECONDS, chromedriver not counted."""
    browser = lambda: [p for p in process_tree(driver_pid) if p != driver_pid]
    before, start = cpu_seconds(browser()), time.monotonic()
    time.sleep(SECONDS)
    return 100 * (cpu_seconds(browser()) - before) / (time.monotonic() - start)


def one_run(url, figures):
    profile = tempfile.mkdtemp(prefix='zindle-figures-')
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=1000,1000',
                     '--no-first-run', '--disable-sync', '--disable-background-networking',
                     '--disable-component-update', f'--user-data-dir={profile}']:
        options.add_argument(argument)
    service = Service('/usr/bin/chromedriver')
    browser = webdriver.Chrome(service=service, options=options)
    pids = process_tree(service.process.pid)
    try:
        browser.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': PROBES})
        browser.get('about:blank')
        time.sleep(2)
        figures['blank page, % of a core'].append(share(service.process.pid))

        browser.get(url)
        time.sleep(2)
        figures['first frame (the menu), ms'].append(browser.execute_script('return window.frames[0][0]'))
        figures['bytes transferred'].append(browser.execute_script(
            "return performance.getEntries().filter(e => e.transferSize !== undefined)"
            ".reduce((sum, e) => sum + e.transferSize, 0)"))
        canvas = browser.find_element('id', 'screen')
        at = lambda x, y: ActionChains(browser).move_to_element_with_offset(canvas, x - 192, y - 320)
        at(*IDLE).click().perform()  # the sound may start
        time.sleep(1)
        figures['menu with the tune, % of a core'].append(share(service.process.pid))

        at(*START).click().perform()
        time.sleep(0.5)
        ActionChains(browser).key_down(Keys.ARROW_RIGHT).perform()
        time.sleep(0.5)
        ActionChains(browser).key_up(Keys.ARROW_RIGHT).perform()
        figures['held arrow to the wall shown, ms'].append(browser.execute_script(
            'const f = window.frames.find(f => f[0] > window.keyDown && f[1] >= arguments[0]);'
            'return f[0] - window.keyDown;', RIGHT_WALL_EDGE))
        figures['play, % of a core'].append(share(service.process.pid))

        ActionChains(browser).send_keys(Keys.ESCAPE).perform()
        time.sleep(0.5)
        at(*EXIT).click().perform()
        time.sleep(SETTLE_SECONDS)
        figures['after the exit, % of a core'].append(share(service.process.pid))
    finally:
        pids = set(pids + process_tree(service.process.pid))
        try:
            browser.quit()
        finally:
            for pid in pids:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass


def main():
    httpd = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(QuietHandler, directory=FOLDER))
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    figures = {name: [] for name in [
        'first frame (the menu), ms', 'bytes transferred', 'held arrow to the wall shown, ms',
        'blank page, % of a core', 'menu with the tune, % of a core', 'play, % of a core',
        'after the exit, % of a core']}
    for _ in range(REPETITIONS):
        one_run(f'http://127.0.0.1:{httpd.server_address[1]}/', figures)
    httpd.shutdown()
    for name, values in figures.items():
        print(f'{name:36} {statistics.median(values):10.1f}   ({min(values):.1f} to {max(values):.1f})')


if __name__ == '__main__':
    main()
