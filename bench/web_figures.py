"""The browser build's figures, measured in headless Chromium from the
folder served by a plain local server on 127.0.0.1:

- how long after the page starts loading its first frame, the menu, shows;
- how many bytes the page transfers, from a server that compresses nothing;
  how many the server sends on a first visit, the service worker's copy
  included, and on a second;
- how long after a reload with the server gone the menu shows;
- how soon a held arrow shows the tile at the wall;
- the whole browser's share of a core (all its processes): on a blank page,
  at the menu with the tune playing, in play, and after the exit entry.

    python3 bench/web_figures.py <web folder> [repetitions] [seconds per share]

Each figure is the median of the repetitions, with its range.
"""
import os
import statistics
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'web'))
from chromium import Browser, Server, wait_until  # noqa: E402

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


def share(chromium):
    """The browser's share of one core over SECONDS."""
    before, start = cpu_seconds(chromium.processes()), time.monotonic()
    time.sleep(SECONDS)
    return 100 * (cpu_seconds(chromium.processes()) - before) / (time.monotonic() - start)


def first_frame(browser):
    return wait_until(lambda: browser.execute_script('return window.frames[0] && window.frames[0][0]'), 20)


def offline_figures(server, browser, figures):
    """A second visit, and a third with the server gone."""
    wait_until(lambda: browser.execute_script('return !!navigator.serviceWorker.controller'), 20)
    figures['first visit, bytes sent'].append(server.httpd.sent)
    server.httpd.sent = 0
    browser.get(server.url)
    first_frame(browser)
    figures['second visit, bytes sent'].append(server.httpd.sent)
    server.stop()
    browser.get(server.url)
    figures['offline start, menu shown, ms'].append(first_frame(browser))


def one_run(folder, figures):
    server = Server(folder)
    url = server.url
    chromium = Browser(PROBES)
    browser = chromium.driver
    try:
        browser.get('about:blank')
        time.sleep(2)
        figures['blank page, % of a core'].append(share(chromium))

        browser.get(url)
        time.sleep(2)
        figures['first frame (the menu), ms'].append(first_frame(browser))
        figures['bytes transferred'].append(browser.execute_script(
            "return performance.getEntries().filter(e => e.transferSize !== undefined)"
            ".reduce((sum, e) => sum + e.transferSize, 0)"))
        canvas = browser.find_element('id', 'screen')
        at = lambda x, y: ActionChains(browser).move_to_element_with_offset(canvas, x - 192, y - 320)
        at(*IDLE).click().perform()  # the sound may start
        time.sleep(1)
        figures['menu with the tune, % of a core'].append(share(chromium))

        at(*START).click().perform()
        time.sleep(0.5)
        ActionChains(browser).key_down(Keys.ARROW_RIGHT).perform()
        time.sleep(0.5)
        ActionChains(browser).key_up(Keys.ARROW_RIGHT).perform()
        figures['held arrow to the wall shown, ms'].append(browser.execute_script(
            'const f = window.frames.find(f => f[0] > window.keyDown && f[1] >= arguments[0]);'
            'return f[0] - window.keyDown;', RIGHT_WALL_EDGE))
        figures['play, % of a core'].append(share(chromium))

        ActionChains(browser).send_keys(Keys.ESCAPE).perform()
        time.sleep(0.5)
        at(*EXIT).click().perform()
        time.sleep(SETTLE_SECONDS)
        figures['after the exit, % of a core'].append(share(chromium))
        offline_figures(server, browser, figures)
    finally:
        chromium.end()
        server.stop()


def main():
    figures = {name: [] for name in [
        'first frame (the menu), ms', 'bytes transferred', 'held arrow to the wall shown, ms',
        'blank page, % of a core', 'menu with the tune, % of a core', 'play, % of a core',
        'after the exit, % of a core', 'first visit, bytes sent', 'second visit, bytes sent',
        'offline start, menu shown, ms']}
    for _ in range(REPETITIONS):
        one_run(FOLDER, figures)
    for name, values in figures.items():
        print(f'{name:36} {statistics.median(values):10.1f}   ({min(values):.1f} to {max(values):.1f})')


if __name__ == '__main__':
    main()
