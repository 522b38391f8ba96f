/* The MIDI driver of the browser platform: the library's software
 * synthesiser, which here may start before its instruments exist. A first
 * visit shows the game sooner when the page fetches patches.dat after the
 * menu shows: until the file has come the tune plays on silently, and once
 * the page has put it beside the datafiles (web_midi_patches_came) the
 * instruments asked for meanwhile are loaded and the tune's next notes
 * sound. Two of the synthesiser's entries are wrapped for that before any
 * sound is installed; the rest is the synthesiser's own. */
#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#define INSTRUMENTS 128

static int (*load_from_file)(AL_CONST char *patches, AL_CONST char *drums);
static char wanted_patches[INSTRUMENTS], wanted_drums[INSTRUMENTS];

/* Found without its instruments all the same. */
static int web_midi_detect(int input)
{
   return !input;
}

/* What is asked for before the file has come is loaded when it comes. */
static int web_midi_load_patches(AL_CONST char *patches, AL_CONST char *drums)
{
   int i;

   for (i = 0; i < INSTRUMENTS; i++) {
      wanted_patches[i] |= patches[i];
      wanted_drums[i] |= drums[i];
   }
   if (!_digmid_find_patches(NULL, 0, NULL, 0))
      return 0;
   return load_from_file(patches, drums);
}

/* The page has put patches.dat in place. It reads the file through the
 * packfile layer, so it is called only while no password is in force. */
EMSCRIPTEN_KEEPALIVE void web_midi_patches_came(void)
{
   if (midi_driver == &midi_digmid)
      load_from_file(wanted_patches, wanted_drums);
}

void _web_midi_prepare(void)
{
   if (load_from_file)
      return;
   load_from_file = midi_digmid.load_patches;
   midi_digmid.detect = web_midi_detect;
   midi_digmid.load_patches = web_midi_load_patches;
}
