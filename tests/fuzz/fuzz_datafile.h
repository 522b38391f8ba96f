// What both datafile fuzz targets do with the file they write: the game's
// structural check, then the library's loader for every file the check
// accepts. A file the check accepts must load, with the game's kinds in the
// game's order and tunes that last; anything else aborts and is reported as
// a crash.
#ifndef ZINDLE_FUZZ_DATAFILE_H
#define ZINDLE_FUZZ_DATAFILE_H

// The library without a display, at the game's usual depth, with the
// datafile password set; returns this process's own scratch file.
const char *start_datafile_fuzzing();

void check_and_load(const char *path);

#endif
