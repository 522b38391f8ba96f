"""Headless Chromium on a folder served from 127.0.0.1, for the browser
build's tests and figures: a plain static server that compresses nothing,
the browser with the options this machine needs and the player's default
autoplay policy, an end to all of its processes, by their ids, whatever
happens, and a wait for a condition with a deadline. The other engines'
adapters (engines.py) take the server, the ends and the wait from here."""
import functools
import http.server
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


# The loudness of what leaves the page, for a script put first in it:
# window.loudness() is the RMS of the last samples, null until the page's
# sound runs. A block of its own keeps its names from the page's.
LOUDNESS = """{
window.loudness = () => null;
const connect = AudioNode.prototype.connect;
AudioNode.prototype.connect = function (target, ...rest) {
  if (!(target instanceof AudioDestinationNode))
    return connect.call(this, target, ...rest);
  const analyser = target.context.createAnalyser();
  connect.call(this, analyser);
  connect.call(analyser, target);
  window.loudness = () => {
    const samples = new Float32Array(analyser.fftSize);
    analyser.getFloatTimeDomainData(samples);
    return target.context.state === 'running' ? Math.hypot(...samples) / Math.sqrt(samples.length) : null;
  };
  return target;
};
}"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, '.wasm': 'application/wasm'}

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.server.fetched.append(self.path.lstrip('/'))
        if not self.server.probes or self.path.split('?')[0] not in ('/', '/index.html'):
            return super().do_GET()
        with open(os.path.join(self.directory, 'index.html'), 'rb') as f:
            page = f.read().replace(b'<head>', b'<head>\n<script>' + self.server.probes.encode() + b'</script>', 1)
        self.send_response(200)
        self.send_header('Content-Type', 'text/html')
        self.send_header('Content-Length', str(len(page)))
        self.end_headers()
        self.wfile.write(page)

    def send_header(self, keyword, value):
        if keyword == 'Content-Length' and self.command == 'GET':  # a HEAD sends no body
            self.server.sent += int(value)
        super().send_header(keyword, value)


class Server:
    """A plain static server for a folder, on a free port of 127.0.0.1,
    counting the bytes of the files it sends in `httpd.sent` and listing
    the files asked for in `httpd.fetched`. `probes` is JavaScript put
    first in the page's head, so that it runs before the page's own in any
    engine."""

    def __init__(self, folder, handler=QuietHandler, probes=''):
        handler = functools.partial(handler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.httpd.sent = 0
        self.httpd.fetched = []
        self.httpd.probes = probes
        self.url = f'http://127.0.0.1:{self.httpd.server_address[1]}/'
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def process_tree(pid):
    """The process and all its descendants."""
    tree = [pid]
    try:
        for task in os.listdir(f'/proc/{pid}/task'):
            with open(f'/proc/{pid}/task/{task}/children') as f:
                for child in f.read().split():
                    tree += process_tree(int(child))
    except FileNotFoundError:
        pass
    return tree


def kill(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def wait_until(condition, seconds):
    """The condition's first true result, or its last one at the deadline."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(0.02)


class Browser:
    """Chromium driven through chromedriver, with a profile of its own.
    `probes` is JavaScript that runs in every page before the page's own;
    with `trace`, the page's timeline can be read as `trace_events()`."""
    # Without the network flags Chromium keeps calling out, and this
    # machine's closed network refuses it.
    ARGUMENTS = ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=1000,1000', '--no-first-run',
                 '--disable-sync', '--disable-background-networking', '--disable-component-update']

    def __init__(self, probes='', trace=False):
        self.profile = tempfile.mkdtemp(prefix='zindle-chromium-')
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for argument in [*self.ARGUMENTS, f'--user-data-dir={self.profile}']:
            options.add_argument(argument)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL', **({'performance': 'ALL'} if trace else {})})
        if trace:
            options.add_experimental_option('perfLoggingPrefs', {
                'traceCategories': 'devtools.timeline,disabled-by-default-devtools.timeline,blink.user_timing,loading',
                'enableNetwork': False})
        self.service = Service('/usr/bin/chromedriver')
        self.driver = webdriver.Chrome(service=self.service, options=options)
        if probes:
            self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': probes})

    def trace_events(self):
        """The timeline's events so far; the browser hands them over once
        the page has gone, so this leaves it on a blank one."""
        self.driver.get('about:blank')
        time.sleep(1)  # the trace's last buffers are flushed meanwhile
        return [json.loads(entry['message'])['message']['params'] for entry in self.driver.get_log('performance')
                if json.loads(entry['message'])['message']['method'] == 'Tracing.dataCollected']

    def processes(self):
        """The browser's processes, chromedriver not counted."""
        return [pid for pid in process_tree(self.service.process.pid) if pid != self.service.process.pid]

    def end(self):
        pids = process_tree(self.service.process.pid)
        try:
            self.driver.quit()
        finally:
            kill(pids)
            shutil.rmtree(self.profile, ignore_errors=True)


def lighthouse(url):
    """Lighthouse's report on a page, its mobile audit by default: npm's
    Lighthouse in this folder's node_modules, on this machine's Chromium,
    which it starts detached; ended by its process id whatever happens."""
    report = tempfile.mktemp(suffix='.json')
    run = subprocess.Popen(
        [os.path.join(os.path.dirname(os.path.abspath(__file__)), 'node_modules', '.bin', 'lighthouse'), url,
         '--quiet', '--output=json', f'--output-path={report}', '--chrome-flags=' + ' '.join(Browser.ARGUMENTS)],
        env={**os.environ, 'CHROME_PATH': '/usr/bin/chromium'}, stderr=subprocess.PIPE, text=True)
    try:
        _, errors = run.communicate(timeout=300)
        if run.returncode != 0:
            raise RuntimeError(f'Lighthouse failed: {errors[-2000:]}')
        with open(report) as f:
            return json.load(f)
    finally:
        kill(process_tree(run.pid))
        if os.path.exists(report):
            os.remove(report)
