// The game's identity in a browser: the page it plays in gives it its
// name and its icon, so nothing is left to do at run time.
#include "zindle.h"

void set_window_identity() {}
