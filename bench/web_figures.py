"""The browser build's figures, measured in headless Chromium from the
folder served by a plain local server on 127.0.0.1:

- how long after the page starts loading its first frame, the menu, shows,
  on a cold start and on Lighthouse's phone (150 ms round trip, 1.6 Mbit/s
  down, 675 kbit/s up, a processor 4 times slower, applied through the
  DevTools protocol), and the page's longest task until then;
- on that phone, what stands between the last byte the menu needs and the
  menu: unpacking, compiling and starting the program, as the page's clock
  sees them, and the program's own steps, its share of the page's thread
  in DevTools' CPU profile, read by the names in the program's symbol map;
- how many bytes the page transfers, from a server that compresses nothing,
  before the menu and in all; how many the server sends on a first visit,
  the service worker's copy included, and on a second;
- how loud the tune is after the first click;
- how long after a reload with the server gone the menu shows;
- how soon a held arrow shows the tile at the wall;
- the whole browser's share of a core (all its processes): on a blank page,
  at the menu with the tune playing, in play, after the exit entry, and on
  a page that only puts a full frame on a canvas 60 times a second with
  sound running as the game's does, the floor of what play can cost;
- Lighthouse's mobile scores (npm's, installed in tests/web by the suite);
- the program's sizes, as they travel and unpacked.

    python3 bench/web_figures.py <web folder> [repetitions] [seconds per share] [symbol map]

The symbol map is the one built beside the folder (web/game/zindle.js.symbols)
unless named. Each figure is the median of the repetitions, with its range,
and those with a target say whether they meet it.
"""
import collections
import gzip
import os
import re
import statistics
import sys
import tempfile
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web')
sys.path.insert(0, TESTS)
from chromium import LOUDNESS, Browser, Server, lighthouse, wait_until  # noqa: E402

FOLDER = sys.argv[1]
REPETITIONS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 10
SYMBOLS = sys.argv[4] if len(sys.argv) > 4 else os.path.join(FOLDER, '..', 'game', 'zindle.js.symbols')
SETTLE_SECONDS = 5  # after the exit, while the browser winds the audio down
START, EXIT, IDLE = (150, 260), (200, 420), (330, 200)
RIGHT_WALL_EDGE = 9 * 32  # a tile in the last column ends here
TICKS = os.sysconf('SC_CLK_TCK')

# Where the figures should be, as less or more than a value.
TARGETS = {
    'bytes before the menu': ('<=', 320000),
    "Lighthouse's phone, menu shown, ms": ('<=', 2500),
    'first visit, bytes sent': ('<=', 600000),
    'first frame (the menu), ms': ('<=', 300),
    'tune after the first click, RMS': ('>=', 0.01),
    'Lighthouse mobile, performance': ('>=', 100),
    'Lighthouse mobile, total blocking time, ms': ('<=', 150),
}

# The time of each frame put on the canvas, with the right edge of what it
# changed, and of the last key pressed.
PROBES = LOUDNESS + """
window.frames = [];
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function (image, x, y, dx, dy, dw, dh) {
  if (!window.frames.length)
    performance.mark('first frame');
  window.frames.push([performance.now(), dx + dw]);
  return put.apply(this, arguments);
};
addEventListener('keydown', () => { window.keyDown = performance.now(); }, true);
"""


# When the page unpacks, compiles and starts the program, by its clock; a
# block of its own keeps its names from the page's.
STEPS = """{
window.steps = [];
const step = (name, start) => window.steps.push([name, start, performance.now()]);
for (const name of ['compile', 'instantiate']) {
  const original = WebAssembly[name];
  WebAssembly[name] = function () {
    const start = performance.now();
    return original.apply(this, arguments).then(result => (step(name, start), result));
  };
}
const arrayBuffer = Response.prototype.arrayBuffer;
Response.prototype.arrayBuffer = function () {
  const start = performance.now();
  return arrayBuffer.apply(this, arguments).then(result => (step('unpacking', start), result));
};
new MutationObserver(records => records.forEach(record => record.addedNodes.forEach(node => {
  const start = performance.now();
  if (node.tagName === 'SCRIPT' && node.src.startsWith('blob:'))
    node.addEventListener('load', () => step("the program's script", start));
}))).observe(document, { childList: true, subtree: true });
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () {
  window.firstFrame = window.firstFrame || performance.now();
  return put.apply(this, arguments);
};
}"""
# The program's steps, by the functions found on the stack: the innermost
# named here wins; the rest of main is the start-up's other work, before
# the datafiles are first read and after.
PROGRAM_STEPS = {
    'datafile_is_sound': 'checking the datafiles', 'load_datafile_callback': 'loading the datafiles',
    'digmid_load_patches': 'loading the instruments', 'get_rle_sprite': "coding the frame's overlay",
    'web_gfx_frame': 'putting the frame on the canvas',
}
OTHER_WORK = ["the start-up's other work before the datafiles", "the start-up's other work after them"]

# The floor of play: a full frame put on a canvas 60 times a second, and the
# same sound as the game's, a script processor of 1024 frames at 44100 Hz.
FLOOR_PAGE = """<!DOCTYPE html><title>Floor</title><canvas id="screen" width="384" height="640"></canvas><script>
const context = document.getElementById('screen').getContext('2d');
const image = context.createImageData(384, 640);
const pixels = new Uint32Array(image.data.buffer);
let n = 0;
requestAnimationFrame(function frame() {
  n++;
  for (let i = 0; i < pixels.length; i++) pixels[i] = 0xff000000 | (i + n) & 0xffffff;
  context.putImageData(image, 0, 0);
  requestAnimationFrame(frame);
});
addEventListener('pointerdown', () => {
  const audio = new AudioContext({ latencyHint: 'playback', sampleRate: 44100 });
  const node = audio.createScriptProcessor(1024, 0, 2);
  let t = 0;
  node.onaudioprocess = e => {
    const left = e.outputBuffer.getChannelData(0), right = e.outputBuffer.getChannelData(1);
    for (let i = 0; i < left.length; i++) left[i] = right[i] = 0.1 * Math.sin(t++ / 20);
  };
  node.connect(audio.destination);
}, { once: true });
</script>"""

# Lighthouse's phone, as its mobile preset simulates it.
PHONE_NETWORK = {'offline': False, 'latency': 150, 'downloadThroughput': 1638.4 * 1024 / 8,
                 'uploadThroughput': 675 * 1024 / 8}
PHONE_CPU_SLOWDOWN = 4


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


def longest_task_before_menu(events):
    """The page's longest task from its navigation to its first frame, ms."""
    threads = {(e['pid'], e['tid']): e['args']['name'] for e in events if e.get('name') == 'thread_name'}
    marks = [e for e in events if e.get('name') == 'first frame']
    page = [e for e in events if threads.get((e.get('pid'), e.get('tid'))) == 'CrRendererMain'
            and e['pid'] == marks[0]['pid']]
    shown = min(e['ts'] for e in marks)
    began = max(e['ts'] for e in page if e.get('name') == 'navigationStart' and e['ts'] < shown)
    return max(e['dur'] for e in page if e.get('name') == 'RunTask' and e.get('ph') == 'X'
               and began <= e['ts'] < shown) / 1000


def longest_task(folder, figures):
    server = Server(folder)
    chromium = Browser(PROBES, trace=True)
    try:
        chromium.driver.get(server.url)
        first_frame(chromium.driver)
        figures['longest task before the menu, ms'].append(longest_task_before_menu(chromium.trace_events()))
    finally:
        chromium.end()
        server.stop()


def as_phone(browser):
    browser.execute_cdp_cmd('Network.enable', {})
    browser.execute_cdp_cmd('Network.emulateNetworkConditions', PHONE_NETWORK)
    browser.execute_cdp_cmd('Emulation.setCPUThrottlingRate', {'rate': PHONE_CPU_SLOWDOWN})


def phone_start(folder, figures):
    server = Server(folder)
    chromium = Browser(PROBES)
    browser = chromium.driver
    try:
        as_phone(browser)
        browser.get(server.url)
        figures["Lighthouse's phone, menu shown, ms"].append(first_frame(browser))
    finally:
        chromium.end()
        server.stop()


def symbol_names():
    """The program's function names by their index in the code."""
    with open(SYMBOLS) as f:
        lines = (line.rstrip('\n').split(':', 1) for line in f)
        return {index: re.sub(r'\\([0-9a-f]{2})', lambda m: chr(int(m.group(1), 16)), name).split('(')[0]
                for index, name in lines}


def program_steps(profile, names):
    """The program's CPU time in each step, ms, from a CPU profile."""
    nodes = {node['id']: node for node in profile['nodes']}
    parent = {child: node['id'] for node in profile['nodes'] for child in node.get('children', [])}
    spent = collections.Counter()
    other = OTHER_WORK[0]
    for sample, delta in zip(profile['samples'], profile['timeDeltas'][1:] + [0]):
        stack, node = [], sample
        while node in nodes:
            name = nodes[node]['callFrame']['functionName']
            stack.append(names.get(name[len('wasm-function['):-1], name) if name.startswith('wasm-function[') else name)
            node = parent.get(node)
        found = next((PROGRAM_STEPS[name] for name in stack if name in PROGRAM_STEPS), None)
        if found == 'checking the datafiles':
            other = OTHER_WORK[1]
        if found or 'main' in stack:
            spent[found or other] += delta / 1000
    return spent


def phone_steps(folder, figures, names):
    """What stands between the last byte the menu needs and the menu, on the phone."""
    server = Server(folder)
    chromium = Browser(STEPS)
    browser = chromium.driver
    try:
        as_phone(browser)
        browser.execute_cdp_cmd('Profiler.enable', {})
        browser.execute_cdp_cmd('Profiler.setSamplingInterval', {'interval': 250})
        browser.execute_cdp_cmd('Profiler.start', {})
        browser.get(server.url)
        shown = wait_until(lambda: browser.execute_script('return window.firstFrame'), 30)
        profile = browser.execute_cdp_cmd('Profiler.stop', {})['profile']
        last_byte = max(browser.execute_script(
            "return performance.getEntriesByType('resource').map(e => e.responseEnd).filter(t => t < arguments[0])",
            shown))
        figures['phone: last byte to the menu, ms'].append(shown - last_byte)
        after = collections.Counter()
        for name, start, end in browser.execute_script('return window.steps'):
            after[name] += max(0, end - max(start, last_byte)) if start < shown else 0
        for name in ['unpacking', "the program's script", 'compile', 'instantiate']:
            figures.setdefault(f'phone: {name} after the last byte, wall ms', []).append(after[name])
        spent = program_steps(profile, names)
        for name in [*OTHER_WORK, *PROGRAM_STEPS.values()]:
            figures.setdefault(f'phone: {name}, CPU ms', []).append(spent[name])
    finally:
        chromium.end()
        server.stop()


def lighthouse_figures(folder, figures):
    server = Server(folder)
    try:
        result = lighthouse(server.url)
    finally:
        server.stop()
    for name, category in result['categories'].items():
        figures.setdefault(f'Lighthouse mobile, {name}', []).append(100 * category['score'])
    figures.setdefault('Lighthouse mobile, total blocking time, ms', []).append(
        result['audits']['total-blocking-time']['numericValue'])


def floor_share(chromium, figures):
    """The floor page's share of a core, in the browser that played the game."""
    folder = tempfile.mkdtemp(prefix='zindle-floor-')
    with open(os.path.join(folder, 'index.html'), 'w') as f:
        f.write(FLOOR_PAGE)
    server = Server(folder)
    try:
        chromium.driver.get(server.url)
        canvas = chromium.driver.find_element('id', 'screen')
        ActionChains(chromium.driver).move_to_element(canvas).click().perform()
        time.sleep(1)
        figures['the floor of play, % of a core'].append(share(chromium))
    finally:
        server.stop()


def sizes(folder):
    for name in ['zindle.wasm.gz', 'zindle.js.gz']:
        path = os.path.join(folder, name)
        with gzip.open(path) as f:
            unpacked = len(f.read())
        print(f'{name:36} {os.path.getsize(path):10} B   ({unpacked} B unpacked)')


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
        shown = first_frame(browser)
        figures['first frame (the menu), ms'].append(shown)
        figures['bytes before the menu'].append(browser.execute_script(
            "return performance.getEntries().filter(e => e.transferSize !== undefined && e.responseEnd <= arguments[0])"
            ".reduce((sum, e) => sum + e.transferSize, 0)", shown))
        time.sleep(2)
        figures['bytes transferred'].append(browser.execute_script(
            "return performance.getEntries().filter(e => e.transferSize !== undefined)"
            ".reduce((sum, e) => sum + e.transferSize, 0)"))
        canvas = browser.find_element('id', 'screen')
        at = lambda x, y: ActionChains(browser).move_to_element_with_offset(canvas, x - 192, y - 320)
        at(*IDLE).click().perform()  # the sound may start
        time.sleep(1)
        figures['tune after the first click, RMS'].append(browser.execute_script('return window.loudness() || 0'))
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
        floor_share(chromium, figures)
    finally:
        chromium.end()
        server.stop()


def main():
    figures = {name: [] for name in [
        'first frame (the menu), ms', 'longest task before the menu, ms', "Lighthouse's phone, menu shown, ms",
        'phone: last byte to the menu, ms', 'bytes before the menu', 'bytes transferred',
        'tune after the first click, RMS', 'held arrow to the wall shown, ms',
        'blank page, % of a core', 'menu with the tune, % of a core', 'play, % of a core',
        'the floor of play, % of a core', 'after the exit, % of a core', 'first visit, bytes sent',
        'second visit, bytes sent', 'offline start, menu shown, ms']}
    names = symbol_names()
    for _ in range(REPETITIONS):
        one_run(FOLDER, figures)
        longest_task(FOLDER, figures)
        phone_start(FOLDER, figures)
        phone_steps(FOLDER, figures, names)
        lighthouse_figures(FOLDER, figures)
    figures['play against its floor'] = [play / floor for play, floor in zip(
        figures['play, % of a core'], figures['the floor of play, % of a core'])]
    for name, values in figures.items():
        median = statistics.median(values)
        verdict = ''
        if name in TARGETS:
            how, target = TARGETS[name]
            met = median <= target if how == '<=' else median >= target
            verdict = f'   target {how} {target}: {"met" if met else "missed"}'
        print(f'{name:56} {median:10.2f}   ({min(values):.2f} to {max(values):.2f}){verdict}')
    sizes(FOLDER)


if __name__ == '__main__':
    main()
