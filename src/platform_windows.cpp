// The window's identity on Windows. The library takes the window's icon
// from the icon resource named allegro_icon in the executable, which the
// resource script (windows/zindle.rc.in) puts there with the version
// information, so nothing is left to do at run time.
#include "zindle.h"

void set_window_identity() {}

// The program has a thread of its own: the start-up goes straight on.
void yield_to_platform() {}

void wait_for_datafiles() {}
