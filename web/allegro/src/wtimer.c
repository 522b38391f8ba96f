/* The timer driver of the browser platform. A page must never block, and
 * there is one thread: rest() gives the page back to the browser (Asyncify
 * unwinds the program and resumes it later). The library's timer callbacks
 * run whenever the page runs the platform, on waking the program and
 * before mixing sound, and get all the time that passed, so a stall shows
 * as one late tick, as it does on the desktop.
 *
 * A rest lasts at least as long as asked, and then until a callback has
 * run or input has come in, since before that a polling program would
 * find nothing new. A program that is drawing is woken no more often than
 * a display shows frames, one that has drawn nothing for a while ten times
 * a second: the callbacks' time is folded into each wake, as after any
 * stall, and input wakes it at once. While a key or button is held a rest
 * ends on time, as a program acts on held input at every pass. While the
 * page is hidden the program sleeps, with its tune paused. */
#include <emscripten.h>
#include <math.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#define MS_PER_SECOND 1000.0
/* A browser's timeout may end a little early, by the page's coarse clock;
 * waiting for a callback, the program sleeps this much longer rather than
 * wake twice. */
#define LATE_MS 1
/* A display's frame: waking a drawing program more often shows nothing
 * more. A program is idle when it has drawn nothing for IDLE_AFTER_MS. */
#define FRAME_MS (MS_PER_SECOND / 60)
#define IDLE_MS 100
#define IDLE_AFTER_MS 250
/* _handle_timer_tick counts in an int; longer stalls go in several parts. */
#define MAX_UNITS_AT_ONCE (1L << 30)

static double handed_until;  /* ms: the time the callbacks have had */
static long units_to_next;   /* until the next callback is due */
static int ran_since_rest;   /* a callback ran since the last rest ended */
static double rest_ended;    /* ms */
static double last_drawn;    /* ms */
static int timer_running;    /* between the driver's init and exit */

/* Sleeps `ms` milliseconds, or less when the page wakes the program for
 * input. A browser stretches short timeouts set from a timeout's own
 * callback to 4 ms; set from a message's, they last what they say. A
 * timeout or message left over from an earlier sleep, ended by input, must
 * neither end nor strand this one: a wake acts only on its own sleep, and
 * any message starts the current sleep's timeout afresh. */
EM_ASYNC_JS(void, web_sleep, (double ms), {
   await new Promise(resolve => {
      let timeout = 0;
      const wake = () => {
         if (Module['webWake'] !== wake)
            return;
         clearTimeout(timeout);
         Module['webWake'] = null;
         resolve();
      };
      const start = () => {
         clearTimeout(timeout);
         timeout = setTimeout(wake, ms);
      };
      Module['webWake'] = wake;
      if (ms >= 4) {
         start();
      } else {
         const channel = Module['webTimer'] = Module['webTimer'] || new MessageChannel();
         channel.port1.onmessage = start;
         channel.port2.postMessage(0);
      }
   });
});

EM_ASYNC_JS(void, web_sleep_while_hidden, (void), {
   await new Promise(resolve => {
      const shown = () => {
         if (document.visibilityState === 'hidden')
            return;
         document.removeEventListener('visibilitychange', shown);
         resolve();
      };
      document.addEventListener('visibilitychange', shown);
      shown();
   });
});

/* Ends the program's sleep, if it sleeps: input has come. */
EM_JS(void, _web_wake, (void), {
   if (Module['webWake'])
      Module['webWake']();
});

EM_JS(int, web_page_hidden, (void), {
   return document.visibilityState === 'hidden';
});

/* A page hidden in the middle of a sleep ends it, so the program sleeps on
 * while hidden. Closing also closes the channel that times short sleeps,
 * which the first of them opens, however early in the start-up. */
EM_JS(void, web_timer_open, (int open), {
   if (open) {
      Module['webVisibility'] = () => { if (Module['webWake']) Module['webWake'](); };
      document.addEventListener('visibilitychange', Module['webVisibility']);
   } else {
      if (Module['webTimer'])
         Module['webTimer'].port1.close();
      document.removeEventListener('visibilitychange', Module['webVisibility']);
   }
});

/* Gives the callbacks the time since they last had it, once there are any. */
void _web_run_timers(void)
{
   double now = emscripten_get_now();
   long units;

   if (!timer_running)
      return;
   units = (long)((now - handed_until) * TIMERS_PER_SECOND / MS_PER_SECOND);
   if (units >= units_to_next)
      ran_since_rest = TRUE;
   handed_until += units * MS_PER_SECOND / TIMERS_PER_SECOND;
   while (units > MAX_UNITS_AT_ONCE) {
      _handle_timer_tick(MAX_UNITS_AT_ONCE);
      units -= MAX_UNITS_AT_ONCE;
   }
   units_to_next = _handle_timer_tick(units);
}

double _web_timers_time(void)
{
   return handed_until;
}

static int input_waiting(void)
{
   return _web_keyboard_waiting() || _web_mouse_waiting();
}

static int timers_installed(void)
{
   int count = 0, i;

   for (i = 0; i < MAX_TIMERS; i++)
      count += _timer_queue[i].proc || _timer_queue[i].param_proc;
   return count;
}

/* A playing tune would play the hidden time all at once on waking; it waits.
 * Pausing it removes its player's timer, which tells that it was playing. */
static void sleep_while_hidden(void)
{
   const int timers = timers_installed();
   int tune_playing;

   midi_pause();
   tune_playing = timers_installed() < timers;
   web_sleep_while_hidden();
   _web_run_timers();
   if (tune_playing)
      midi_resume();
}

/* When to wake, resting until `until` at least. */
static double wake_time(double now, double until)
{
   double pass = now - last_drawn < IDLE_AFTER_MS ? FRAME_MS : IDLE_MS;
   double wake;

   if (input_waiting())
      return until;
   wake = now + units_to_next * MS_PER_SECOND / TIMERS_PER_SECOND + LATE_MS;
   if (wake < rest_ended + pass)
      wake = rest_ended + pass;
   return wake > until ? wake : until;
}

/* rest(0): lets the page have its turn, however short. */
void _web_yield(void)
{
   web_sleep(0);
   _web_run_timers();
}

static void web_rest(unsigned int ms, void (*callback)(void))
{
   double until = emscripten_get_now() + ms;

   _web_run_timers();
   for (;;) {
      double now = emscripten_get_now();

      if (web_page_hidden()) {
         sleep_while_hidden();
         break;
      }
      if (now >= until && (ran_since_rest || input_waiting()))
         break;
      if (callback)
         callback();
      if (_web_gfx_frame_wanted())
         last_drawn = now;
      web_sleep(ceil(wake_time(now, until) - now));
      _web_run_timers();
   }
   ran_since_rest = FALSE;
   rest_ended = emscripten_get_now();
}

static int web_timer_init(void)
{
   handed_until = rest_ended = last_drawn = emscripten_get_now();
   units_to_next = 0;
   ran_since_rest = FALSE;
   timer_running = TRUE;
   web_timer_open(TRUE);
   return 0;
}

static void web_timer_exit(void)
{
   timer_running = FALSE;
   web_timer_open(FALSE);
}

TIMER_DRIVER timer_web = {
   .id = TIMER_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Browser timer",
   .init = web_timer_init,
   .exit = web_timer_exit,
   .rest = web_rest,
};
