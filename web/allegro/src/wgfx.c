/* The graphics driver of the browser platform. The screen is a bitmap in
 * the program's memory; the page's canvas shows it, at 32-bit RGBA whatever
 * the screen's depth. Every line the library draws on the screen is
 * marked, and when the program next rests it asks the browser for a frame:
 * the frame puts on the canvas only the pixels that changed, no more often
 * than the display refreshes. A program that draws its whole screen again
 * has mostly drawn what was there: lines are compared with what the canvas
 * shows, eight bytes at a time. The pointer is the page's own. */
#include <emscripten.h>
#include <stdint.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#define OPAQUE 0xFF000000u

static BITMAP *screen_bitmap;
static unsigned char *screen_pixels;
static int pitch;                /* bytes a line, a whole number of words */
static unsigned char *shown;     /* the screen as the canvas shows it */
static uint32_t *image;          /* the same as RGBA, for the canvas */
static int dirty_top, dirty_bottom;  /* lines drawn since the last frame */
static double drawn_at;          /* the timers' time when last drawn on */
static int frame_requested;

EM_JS(void, web_canvas_open, (int w, int h), {
   const canvas = Module['canvas'];
   canvas.width = w;
   canvas.height = h;
   Module['webContext'] = canvas.getContext('2d', { alpha: false });
   Module['webImage'] = null;
   Module['webFrame'] = 0;
});

EM_JS(void, web_canvas_close, (void), {
   cancelAnimationFrame(Module['webFrame']);
   Module['webImage'] = null;
   Module['canvas'].style.cursor = "";
});

/* The pixels stay in the program's memory; the image looks at them where
 * they are, and is made anew if that memory has grown since. The page may
 * ask to hear when the program first shows something (onFirstFrame), and
 * read the program's clock at the moment the frame shows (frameTime), as a
 * timer's tick and what it moved are drawn in the same pass. */
EM_JS(void, web_canvas_put, (const uint32_t *pixels, int w, int h, int x, int y, int cw, int ch, double time), {
   let image = Module['webImage'];
   if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== pixels) {
      image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h);
      Module['webImage'] = image;
   }
   Module['frameTime'] = time;
   Module['webContext'].putImageData(image, 0, 0, x, y, cw, ch);
   const shown = Module['onFirstFrame'];
   if (shown) {
      Module['onFirstFrame'] = null;
      shown();
   }
});

EM_JS(void, web_request_frame, (void), {
   Module['webFrame'] = requestAnimationFrame(() => {
      Module['webFrame'] = 0;
      _web_gfx_frame();
   });
});

EM_JS(void, web_canvas_cursor, (int visible), {
   Module['canvas'].style.cursor = visible ? "" : "none";
});

static uintptr_t web_write_line(BITMAP *bmp, int line)
{
   int y = line + bmp->y_ofs;

   drawn_at = _web_timers_time();
   if (y < dirty_top)
      dirty_top = y;
   if (y > dirty_bottom)
      dirty_bottom = y;
   return (uintptr_t)bmp->line[line];
}

static void mark_all_dirty(void)
{
   dirty_top = 0;
   dirty_bottom = screen_bitmap->h - 1;
}

static uint32_t rgba(int depth, int c)
{
   return getr_depth(depth, c) | getg_depth(depth, c) << 8 | getb_depth(depth, c) << 16 | OPAQUE;
}

static uint32_t pixel(const unsigned char *line, int x, int depth)
{
   switch (depth) {
      case 8:
         return rgba(8, line[x]);
      case 15:
      case 16:
         return rgba(depth, ((const uint16_t *)line)[x]);
      case 24:
         return rgba(24, READ3BYTES(line + 3 * x));
      default:
         /* Laid out as RGBA already (see web_gfx_init), but for alpha. */
         return ((const uint32_t *)line)[x] | OPAQUE;
   }
}

/* Brings one line of the canvas up to date; widens [left, right] to the
 * pixels that changed, and says whether any did. */
static int show_line(int y, int *left, int *right)
{
   const int depth = bitmap_color_depth(screen_bitmap);
   const int bytes = BYTES_PER_PIXEL(depth);
   const int words = pitch / sizeof(uint64_t);
   const uint64_t *now = (const uint64_t *)screen_bitmap->line[y];
   uint64_t *was = (uint64_t *)(shown + y * pitch);
   uint32_t *out = image + y * screen_bitmap->w;
   int first = 0, last = words - 1, x;

   while (first < words && now[first] == was[first])
      first++;
   if (first == words)
      return FALSE;
   while (now[last] == was[last])
      last--;
   memcpy(was + first, now + first, (last - first + 1) * sizeof(uint64_t));

   first = first * sizeof(uint64_t) / bytes;
   last = MIN(((last + 1) * (int)sizeof(uint64_t) - 1) / bytes, screen_bitmap->w - 1);
   for (x = first; x <= last; x++)
      out[x] = pixel(screen_bitmap->line[y], x, depth);
   if (first < *left)
      *left = first;
   if (last > *right)
      *right = last;
   return TRUE;
}

EMSCRIPTEN_KEEPALIVE void web_gfx_frame(void)
{
   int left = screen_bitmap->w, right = -1, top = -1, bottom = -1;
   int y;

   frame_requested = FALSE;
   for (y = dirty_top; y <= dirty_bottom; y++) {
      if (show_line(y, &left, &right)) {
         if (top < 0)
            top = y;
         bottom = y;
      }
   }
   dirty_top = screen_bitmap->h;
   dirty_bottom = -1;
   if (top >= 0)
      web_canvas_put(image, screen_bitmap->w, screen_bitmap->h, left, top, right - left + 1, bottom - top + 1,
                     drawn_at);
}

int _web_gfx_frame_wanted(void)
{
   if (!screen_bitmap || dirty_top > dirty_bottom)
      return FALSE;
   if (!frame_requested) {
      frame_requested = TRUE;
      web_request_frame();
   }
   return TRUE;
}

static void free_screen(void)
{
   _AL_FREE(screen_pixels);
   _AL_FREE(shown);
   _AL_FREE(image);
   screen_pixels = shown = NULL;
   image = NULL;
   screen_bitmap = NULL;
}

static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int depth)
{
   if (v_w > w || v_h > h) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported virtual resolution"));
      return NULL;
   }
   /* 32-bit pixels in the canvas's byte order: R, G, B, then alpha. */
   _rgb_r_shift_32 = 0;
   _rgb_g_shift_32 = 8;
   _rgb_b_shift_32 = 16;
   _rgb_a_shift_32 = 24;

   pitch = (w * BYTES_PER_PIXEL(depth) + sizeof(uint64_t) - 1) & ~(sizeof(uint64_t) - 1);
   screen_pixels = _AL_MALLOC_ATOMIC(h * pitch);
   shown = _AL_MALLOC_ATOMIC(h * pitch);
   image = _AL_MALLOC_ATOMIC(w * h * sizeof(*image));
   if (screen_pixels && shown && image)
      screen_bitmap = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_web, depth, pitch);
   if (!screen_bitmap) {
      free_screen();
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }
   screen_bitmap->write_bank = web_write_line;
   /* Unlike any screen, so the first frame shows it all. */
   memset(screen_pixels, 0, h * pitch);
   memset(shown, 0xFF, h * pitch);
   mark_all_dirty();
   frame_requested = FALSE;

   gfx_web.w = w;
   gfx_web.h = h;
   gfx_web.vid_mem = h * pitch;
   web_canvas_open(w, h);
   return screen_bitmap;
}

static void web_gfx_exit(BITMAP *bmp)
{
   (void)bmp;
   web_canvas_close();
   free_screen();
}

/* An 8-bit screen's colours all change with its palette. */
static void web_set_palette(AL_CONST RGB *p, int from, int to, int vsync)
{
   (void)p;
   (void)from;
   (void)to;
   (void)vsync;
   mark_all_dirty();
}

/* The library's pointer sprite is not drawn: the page's pointer shows over
 * the canvas instead, as the window system's does on the desktop. */
static int web_set_mouse_sprite(BITMAP *sprite, int xfocus, int yfocus)
{
   (void)sprite;
   (void)xfocus;
   (void)yfocus;
   return 0;
}

static int web_show_mouse(BITMAP *bmp, int x, int y)
{
   (void)bmp;
   (void)x;
   (void)y;
   web_canvas_cursor(TRUE);
   return 0;
}

static void web_hide_mouse(void)
{
   web_canvas_cursor(FALSE);
}

/* The page moves its pointer itself. */
static void web_move_mouse(int x, int y)
{
   (void)x;
   (void)y;
}

GFX_DRIVER gfx_web = {
   .id = GFX_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Browser canvas",
   .init = web_gfx_init,
   .exit = web_gfx_exit,
   .set_palette = web_set_palette,
   .set_mouse_sprite = web_set_mouse_sprite,
   .show_mouse = web_show_mouse,
   .hide_mouse = web_hide_mouse,
   .move_mouse = web_move_mouse,
   .linear = TRUE,
   .bank_size = 0x10000,
   .windowed = TRUE,
};
