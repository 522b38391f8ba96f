/* The browser's drivers, one of each kind. */
#ifndef ALWEB_H
#define ALWEB_H

#ifndef ALLEGRO_WEB
   #error bad include
#endif

#define SYSTEM_WEB   AL_ID('W','E','B',' ')
#define TIMER_WEB    AL_ID('W','E','B','T')
#define KEYBOARD_WEB AL_ID('W','E','B','K')
#define MOUSE_WEB    AL_ID('W','E','B','M')
#define GFX_WEB      AL_ID('W','E','B','G')
#define DIGI_WEB     AL_ID('W','E','B','S')

AL_VAR(SYSTEM_DRIVER, system_web);
AL_VAR(TIMER_DRIVER, timer_web);
AL_VAR(KEYBOARD_DRIVER, keyboard_web);
AL_VAR(MOUSE_DRIVER, mouse_web);
AL_VAR(GFX_DRIVER, gfx_web);
AL_VAR(DIGI_DRIVER, digi_web);

#endif
