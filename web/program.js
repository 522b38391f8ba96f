// The program's life in the page (emscripten's --pre-js): main runs to its
// real end, however often it rests on the way, and then the program exits
// with main's status, as a desktop process does: its exit handlers shut the
// library down and the page's onExit hears the status. Left to itself,
// emscripten would take main's first rest for its return.
// main starts in a task of its own, after the one that readied the program,
// and only where this script, the program and the page (Module.version) are
// of one version: a host replacing the folder while the page loads can hand
// it parts of two, and the page then hears of it (onOtherVersion) instead.
Module['noInitialRun'] = true;
Module['postRun'] = [].concat(Module['postRun'] || [], () => setTimeout(() => {
  const versions = [UTF8ToString(_web_version()), '@PROJECT_VERSION@'];
  if (versions.some(version => version !== Module['version']))
    return Module['onOtherVersion']();
  ccall('main', 'number', [], [], { async: true }).then(status => exit(status));
}));
// Exiting ends the program's work; nothing is thrown to stop a caller.
Module['quit'] = () => {};
