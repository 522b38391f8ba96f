/* What the library may expect of the browser: emscripten's C library, one
 * thread, no assembler, and a `main` that emscripten calls itself (a main
 * renamed and called through a pointer of another type traps in
 * WebAssembly, so there is no magic main). */
#ifndef ALWEBCFG_H
#define ALWEBCFG_H

#ifndef SCAN_DEPEND
   #include <fcntl.h>
   #include <unistd.h>
#endif

#define ALLEGRO_HAVE_DIRENT_H   1
#define ALLEGRO_HAVE_INTTYPES_H 1
#define ALLEGRO_HAVE_STDINT_H   1
#define ALLEGRO_HAVE_SYS_TIME_H 1
#define ALLEGRO_HAVE_SYS_STAT_H 1
#define ALLEGRO_HAVE_TIME_H     1
#define ALLEGRO_HAVE_MKSTEMP    1

/* The C library has strcasecmp but none of these. */
#define ALLEGRO_NO_STRICMP
#define ALLEGRO_NO_STRLWR
#define ALLEGRO_NO_STRUPR

#define ALLEGRO_PLATFORM_STR  "Web browser"
#define ALLEGRO_LITTLE_ENDIAN

#define ALLEGRO_EXTRA_HEADER  "allegro/platform/alweb.h"

#endif
