// The program's life in the page (emscripten's --pre-js): main runs to its
// real end, however often it rests on the way, and then the program exits
// with main's status, as a desktop process does: its exit handlers shut the
// library down and the page's onExit hears the status. Left to itself,
// emscripten would take main's first rest for its return.
// main starts in a task of its own, after the one that readied the program.
Module['noInitialRun'] = true;
Module['postRun'] = [].concat(Module['postRun'] || [], () => setTimeout(() => {
  ccall('main', 'number', [], [], { async: true }).then(status => exit(status));
}));
// Exiting ends the program's work; nothing is thrown to stop a caller.
Module['quit'] = () => {};
