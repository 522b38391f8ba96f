/* The mouse driver of the browser platform: the pointer over the canvas,
 * in the screen's pixels however large the canvas is shown. Its events wait
 * in a queue until the program polls, and a poll never takes a button's
 * press and its release together, so a click shorter than one pass of the
 * program is still seen. Movement (the mickeys) is counted in screen
 * pixels too, from the pointer's own movement, which goes on at the
 * canvas's edges. The pointer itself is the page's (see wgfx.c).
 *
 * A finger on a touch screen is the pointer with the left button held, so
 * a tap clicks where it lands. It places the pointer rather than sliding a
 * mouse, so it makes no mickeys; only the first finger down counts. */
#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#define QUEUE_SIZE 64
#define BUTTONS 3  /* left, right, middle: the same bits in the page's events */

static struct {
   int x, y;     /* where the pointer is, in screen pixels */
   int dx, dy;   /* how far it moved */
   int buttons;  /* those held */
} queue[QUEUE_SIZE];
static int queue_head, queue_count;
static int held_buttons;
static int mickey_x, mickey_y;
static int min_x, min_y, max_x, max_y;

/* Presses are taken on the canvas and followed outside it until released.
 * The canvas offers no menu of its own. */
EM_JS(void, web_mouse_listen, (int listen), {
   const canvas = Module['canvas'];
   if (!listen) {
      Module['webMouse'].forEach(l => canvas.removeEventListener(l.type, l.handler));
      return;
   }
   let rest_x = 0;
   let rest_y = 0;
   const send = event => {
      if (!event.isPrimary)
         return;
      const box = canvas.getBoundingClientRect();
      const slides = event.pointerType !== 'touch';
      const scale_x = canvas.width / box.width;
      const scale_y = canvas.height / box.height;
      const dx = slides ? (event.movementX || 0) * scale_x + rest_x : 0;
      const dy = slides ? (event.movementY || 0) * scale_y + rest_y : 0;
      rest_x = dx - Math.trunc(dx);
      rest_y = dy - Math.trunc(dy);
      _web_mouse_event(Math.floor((event.clientX - box.left) * scale_x),
                       Math.floor((event.clientY - box.top) * scale_y),
                       Math.trunc(dx), Math.trunc(dy), event.buttons & 7);
   };
   Module['webMouse'] = [
      { type: 'pointerdown', handler: event => { canvas.setPointerCapture(event.pointerId); send(event); } },
      { type: 'pointermove', handler: send },
      { type: 'pointerup', handler: send },
      { type: 'pointercancel', handler: event => event.isPrimary && _web_mouse_event(-1, -1, 0, 0, 0) },
      { type: 'contextmenu', handler: event => event.preventDefault() },
   ];
   Module['webMouse'].forEach(l => canvas.addEventListener(l.type, l.handler));
});

static int clamp(int v, int low, int high)
{
   return v < low ? low : v > high ? high : v;
}

static void apply_oldest(void)
{
   _mouse_x = clamp(queue[queue_head].x, min_x, max_x);
   _mouse_y = clamp(queue[queue_head].y, min_y, max_y);
   _mouse_b = queue[queue_head].buttons;
   mickey_x += queue[queue_head].dx;
   mickey_y += queue[queue_head].dy;
   queue_head = (queue_head + 1) % QUEUE_SIZE;
   queue_count--;
}

/* x < 0: the pointer is gone (a cancelled touch), and with it the buttons. */
EMSCRIPTEN_KEEPALIVE void web_mouse_event(int x, int y, int dx, int dy, int buttons)
{
   int last = (queue_head + queue_count + QUEUE_SIZE - 1) % QUEUE_SIZE;
   int tail;

   if (x < 0) {
      x = _mouse_x;
      y = _mouse_y;
   }
   if (queue_count > 0 && queue[last].buttons == buttons) {
      /* A move adds to the one before it. */
      queue[last].x = x;
      queue[last].y = y;
      queue[last].dx += dx;
      queue[last].dy += dy;
   } else {
      if (queue_count == QUEUE_SIZE)
         apply_oldest();  /* nobody polls: it takes effect at once */
      tail = (queue_head + queue_count) % QUEUE_SIZE;
      queue[tail].x = x;
      queue[tail].y = y;
      queue[tail].dx = dx;
      queue[tail].dy = dy;
      queue[tail].buttons = buttons;
      queue_count++;
   }
   held_buttons = buttons;
   _web_wake();
}

static void web_mouse_poll(void)
{
   int pressed = 0;

   while (queue_count > 0) {
      int buttons = queue[queue_head].buttons;
      if (pressed & ~buttons)
         break;  /* seen down by this poll; up at the next */
      pressed |= buttons & ~_mouse_b;
      apply_oldest();
   }
}

int _web_mouse_waiting(void)
{
   return queue_count > 0 || held_buttons != 0;
}

static int web_mouse_init(void)
{
   queue_head = queue_count = 0;
   held_buttons = mickey_x = mickey_y = 0;
   web_mouse_listen(TRUE);
   return BUTTONS;
}

static void web_mouse_exit(void)
{
   web_mouse_listen(FALSE);
}

/* The page cannot move the pointer; the program's idea of it moves. */
static void web_mouse_position(int x, int y)
{
   _mouse_x = clamp(x, min_x, max_x);
   _mouse_y = clamp(y, min_y, max_y);
}

static void web_mouse_set_range(int x1, int y1, int x2, int y2)
{
   min_x = x1;
   min_y = y1;
   max_x = x2;
   max_y = y2;
   web_mouse_position(_mouse_x, _mouse_y);
}

static void web_mouse_get_mickeys(int *x, int *y)
{
   *x = mickey_x;
   *y = mickey_y;
   mickey_x = mickey_y = 0;
}

MOUSE_DRIVER mouse_web = {
   .id = MOUSE_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Browser mouse",
   .init = web_mouse_init,
   .exit = web_mouse_exit,
   .poll = web_mouse_poll,
   .position = web_mouse_position,
   .set_range = web_mouse_set_range,
   .get_mickeys = web_mouse_get_mickeys,
};
