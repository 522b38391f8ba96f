// Object indices of stuff.dat, in the order the data build packs them.
#ifndef STUFF_H
#define STUFF_H

#define STUFF_BACKGROUND 0   // play backdrop, opaque
#define STUFF_TITLE 1        // title overlay, masked, 300 x 48 used
#define STUFF_MUSIC 2        // the looping tune
#define STUFF_BAM 3          // the clearing sound
#define STUFF_BACKGROUND2 4  // menu and help backdrop, opaque
#define STUFF_MENU 5         // menu overlay, masked
#define STUFF_HELP 6         // help overlay, masked
#define STUFF_COUNT 7

#endif
