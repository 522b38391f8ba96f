// The window's place on the desktop: a class hint that ties it to the game's
// desktop entry, so task bars group it under the game's icon, and that icon in
// its title bar. The only source that sees the library's X11 side.
#include <allegro.h>
#include <xalleg.h>

#include "zindle.h"

// The library's window icon, as XPM data; not declared in its headers.
extern "C" void *allegro_icon;
// Drawn by the data generator into a source file of the build.
extern const char *const window_icon_xpm[];

void set_window_identity()
{
    xwin_set_window_name("zindle", ZINDLE_WINDOW_CLASS);
    // The library takes the XPM lines as char ** but only reads them.
    allegro_icon = const_cast<char **>(window_icon_xpm);
}

// The program has a thread of its own: the start-up goes straight on.
void yield_to_platform() {}

void wait_for_datafiles() {}
