/* The system driver of the browser platform, and the lists of its drivers:
 * one of each kind, the software MIDI synthesiser on top of the sound
 * (wmidi.c). */
#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

/* The canvas is 32-bit RGBA whatever the screen, so that is the depth a
 * program that asks gets. */
#define DESKTOP_DEPTH 32

/* The page shows the message where the player sees it; without a page of
 * its own the program's message goes to the browser's console. */
EM_JS(void, web_show_message, (const char *text), {
   const message = UTF8ToString(text);
   if (Module['onMessage'])
      Module['onMessage'](message);
   else
      console.warn(message);
});

EM_JS(void, web_set_title, (const char *title), {
   document.title = UTF8ToString(title);
});

static int web_sys_init(void)
{
   _web_midi_prepare();
   return 0;
}

static void web_sys_exit(void)
{
}

static void web_message(AL_CONST char *msg)
{
   char text[1024];
   web_show_message(uconvert(msg, U_CURRENT, text, U_UTF8, sizeof(text)));
}

static void web_set_window_title(AL_CONST char *name)
{
   char title[256];
   web_set_title(uconvert(name, U_CURRENT, title, U_UTF8, sizeof(title)));
}

static int web_desktop_color_depth(void)
{
   return DESKTOP_DEPTH;
}

SYSTEM_DRIVER system_web = {
   .id = SYSTEM_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Web browser",
   .init = web_sys_init,
   .exit = web_sys_exit,
   .set_window_title = web_set_window_title,
   .message = web_message,
   .desktop_color_depth = web_desktop_color_depth,
   .yield_timeslice = _web_yield,
};

_DRIVER_INFO _system_driver_list[] = {
   {SYSTEM_WEB, &system_web, TRUE},
   {SYSTEM_NONE, &system_none, FALSE},
   {0, NULL, 0},
};

_DRIVER_INFO _timer_driver_list[] = {
   {TIMER_WEB, &timer_web, TRUE},
   {0, NULL, 0},
};

_DRIVER_INFO _keyboard_driver_list[] = {
   {KEYBOARD_WEB, &keyboard_web, TRUE},
   {0, NULL, 0},
};

_DRIVER_INFO _mouse_driver_list[] = {
   {MOUSE_WEB, &mouse_web, TRUE},
   {0, NULL, 0},
};

_DRIVER_INFO _gfx_driver_list[] = {
   {GFX_WEB, &gfx_web, TRUE},
   {0, NULL, 0},
};

_DRIVER_INFO _digi_driver_list[] = {
   {DIGI_WEB, &digi_web, TRUE},
   {0, NULL, 0},
};

BEGIN_MIDI_DRIVER_LIST
   MIDI_DRIVER_DIGMID
END_MIDI_DRIVER_LIST

BEGIN_JOYSTICK_DRIVER_LIST
END_JOYSTICK_DRIVER_LIST
