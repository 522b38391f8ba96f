/* What the browser's drivers tell one another. There is one thread: the
 * program runs until it rests, then the page has the browser to itself,
 * delivering input, drawing frames and filling the sound buffer, until the
 * rest is over. */
#ifndef AINTWEB_H
#define AINTWEB_H

/* Input (keyboard and mouse): events wait in a queue until the program
 * polls. True while a poll would find something, or while a key or button
 * is held down, which a polling program acts on at every pass. */
int _web_keyboard_waiting(void);
int _web_mouse_waiting(void);

/* The screen: asks the browser for a frame when the program has drawn
 * since the last one, and says whether it has; the frame shows what
 * changed. */
int _web_gfx_frame_wanted(void);

/* The timer: runs the library's timer callbacks up to now; the time, in
 * ms, they have been given so far, which is the program's own clock; ends
 * the program's rest when input comes; and rest(0), which only lets the
 * page have its turn. */
void _web_run_timers(void);
double _web_timers_time(void);
void _web_wake(void);
void _web_yield(void);

/* The synthesiser: made ready, as the system starts, to play before its
 * instruments have come. */
void _web_midi_prepare(void);

#endif
