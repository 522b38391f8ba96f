/* The keyboard driver of the browser platform. The page's key events wait
 * in a queue until the program polls, and a poll never takes a key's press
 * and its release together: a tap shorter than one pass of the program is
 * still seen down once. Keys are known by where they sit (the event's
 * `code`), as scancodes are. */
#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#define QUEUE_SIZE 64

static const struct {
   const char *code;
   int scancode;
} key_codes[] = {
   {"KeyA", KEY_A}, {"KeyB", KEY_B}, {"KeyC", KEY_C}, {"KeyD", KEY_D}, {"KeyE", KEY_E},
   {"KeyF", KEY_F}, {"KeyG", KEY_G}, {"KeyH", KEY_H}, {"KeyI", KEY_I}, {"KeyJ", KEY_J},
   {"KeyK", KEY_K}, {"KeyL", KEY_L}, {"KeyM", KEY_M}, {"KeyN", KEY_N}, {"KeyO", KEY_O},
   {"KeyP", KEY_P}, {"KeyQ", KEY_Q}, {"KeyR", KEY_R}, {"KeyS", KEY_S}, {"KeyT", KEY_T},
   {"KeyU", KEY_U}, {"KeyV", KEY_V}, {"KeyW", KEY_W}, {"KeyX", KEY_X}, {"KeyY", KEY_Y},
   {"KeyZ", KEY_Z},
   {"Digit0", KEY_0}, {"Digit1", KEY_1}, {"Digit2", KEY_2}, {"Digit3", KEY_3},
   {"Digit4", KEY_4}, {"Digit5", KEY_5}, {"Digit6", KEY_6}, {"Digit7", KEY_7},
   {"Digit8", KEY_8}, {"Digit9", KEY_9},
   {"Numpad0", KEY_0_PAD}, {"Numpad1", KEY_1_PAD}, {"Numpad2", KEY_2_PAD},
   {"Numpad3", KEY_3_PAD}, {"Numpad4", KEY_4_PAD}, {"Numpad5", KEY_5_PAD},
   {"Numpad6", KEY_6_PAD}, {"Numpad7", KEY_7_PAD}, {"Numpad8", KEY_8_PAD},
   {"Numpad9", KEY_9_PAD},
   {"F1", KEY_F1}, {"F2", KEY_F2}, {"F3", KEY_F3}, {"F4", KEY_F4}, {"F5", KEY_F5},
   {"F6", KEY_F6}, {"F7", KEY_F7}, {"F8", KEY_F8}, {"F9", KEY_F9}, {"F10", KEY_F10},
   {"F11", KEY_F11}, {"F12", KEY_F12},
   {"Escape", KEY_ESC}, {"Backquote", KEY_TILDE}, {"Minus", KEY_MINUS},
   {"Equal", KEY_EQUALS}, {"Backspace", KEY_BACKSPACE}, {"Tab", KEY_TAB},
   {"BracketLeft", KEY_OPENBRACE}, {"BracketRight", KEY_CLOSEBRACE}, {"Enter", KEY_ENTER},
   {"Semicolon", KEY_COLON}, {"Quote", KEY_QUOTE}, {"Backslash", KEY_BACKSLASH},
   {"IntlBackslash", KEY_BACKSLASH2}, {"Comma", KEY_COMMA}, {"Period", KEY_STOP},
   {"Slash", KEY_SLASH}, {"Space", KEY_SPACE},
   {"Insert", KEY_INSERT}, {"Delete", KEY_DEL}, {"Home", KEY_HOME}, {"End", KEY_END},
   {"PageUp", KEY_PGUP}, {"PageDown", KEY_PGDN},
   {"ArrowLeft", KEY_LEFT}, {"ArrowRight", KEY_RIGHT}, {"ArrowUp", KEY_UP},
   {"ArrowDown", KEY_DOWN},
   {"NumpadDivide", KEY_SLASH_PAD}, {"NumpadMultiply", KEY_ASTERISK},
   {"NumpadSubtract", KEY_MINUS_PAD}, {"NumpadAdd", KEY_PLUS_PAD},
   {"NumpadDecimal", KEY_DEL_PAD}, {"NumpadEnter", KEY_ENTER_PAD},
   {"NumpadEqual", KEY_EQUALS_PAD},
   {"PrintScreen", KEY_PRTSCR}, {"Pause", KEY_PAUSE},
   {"IntlRo", KEY_ABNT_C1}, {"IntlYen", KEY_YEN}, {"KanaMode", KEY_KANA},
   {"Convert", KEY_CONVERT}, {"NonConvert", KEY_NOCONVERT},
   {"ShiftLeft", KEY_LSHIFT}, {"ShiftRight", KEY_RSHIFT},
   {"ControlLeft", KEY_LCONTROL}, {"ControlRight", KEY_RCONTROL},
   {"AltLeft", KEY_ALT}, {"AltRight", KEY_ALTGR},
   {"MetaLeft", KEY_LWIN}, {"MetaRight", KEY_RWIN}, {"ContextMenu", KEY_MENU},
   {"ScrollLock", KEY_SCRLOCK}, {"NumLock", KEY_NUMLOCK}, {"CapsLock", KEY_CAPSLOCK},
};

static struct {
   int scancode;
   int unicode;  /* the character typed, or -1 */
   int down;
} queue[QUEUE_SIZE];
static int queue_head, queue_count;
static char held[KEY_MAX];

/* Listens to the whole page, so keys work wherever its focus is. Keys that
 * would scroll the page or move its focus are the game's alone; the
 * browser keeps its shortcuts (function keys, anything with Ctrl, Alt or
 * the system key). When the page loses the focus no key-up will come, so
 * every key goes up. */
EM_JS(void, web_keyboard_listen, (int listen), {
   if (!listen) {
      Module['webKeyboard'].forEach(l => removeEventListener(l.type, l.handler));
      return;
   }
   const map = Module['webKeyMap'];
   const send = (event, down) => {
      const scancode = map[event.code];
      if (!scancode)
         return;
      if (!event.ctrlKey && !event.altKey && !event.metaKey && !/^F[0-9]/.test(event.code))
         event.preventDefault();
      if (event.repeat)
         return;
      const unicode = event.key.length === 1 ? event.key.codePointAt(0) : -1;
      _web_key_event(scancode, unicode, down);
   };
   Module['webKeyboard'] = [
      { type: 'keydown', handler: event => send(event, 1) },
      { type: 'keyup', handler: event => send(event, 0) },
      { type: 'blur', handler: () => _web_keys_released() },
   ];
   Module['webKeyboard'].forEach(l => addEventListener(l.type, l.handler));
});

EM_JS(void, web_key_map, (const char *code, int scancode), {
   Module['webKeyMap'] = Module['webKeyMap'] || {};
   Module['webKeyMap'][UTF8ToString(code)] = scancode;
});

static void apply_oldest(void)
{
   const int scancode = queue[queue_head].scancode, unicode = queue[queue_head].unicode;

   if (queue[queue_head].down)
      _handle_key_press(unicode >= 0 ? unicode : scancode_to_ascii(scancode), scancode);
   else
      _handle_key_release(scancode);
   queue_head = (queue_head + 1) % QUEUE_SIZE;
   queue_count--;
}

EMSCRIPTEN_KEEPALIVE void web_key_event(int scancode, int unicode, int down)
{
   int tail;

   if (queue_count == QUEUE_SIZE)
      apply_oldest();  /* nobody polls: it takes effect at once */
   tail = (queue_head + queue_count) % QUEUE_SIZE;
   queue[tail].scancode = scancode;
   queue[tail].unicode = unicode;
   queue[tail].down = down;
   queue_count++;
   held[scancode] = down;
   _web_wake();
}

EMSCRIPTEN_KEEPALIVE void web_keys_released(void)
{
   int scancode;

   for (scancode = 0; scancode < KEY_MAX; scancode++) {
      if (held[scancode])
         web_key_event(scancode, -1, FALSE);
   }
}

static void web_keyboard_poll(void)
{
   char pressed[KEY_MAX] = {0};

   while (queue_count > 0) {
      int scancode = queue[queue_head].scancode;
      if (!queue[queue_head].down && pressed[scancode])
         break;  /* seen down by this poll; up at the next */
      pressed[scancode] |= queue[queue_head].down;
      apply_oldest();
   }
}

int _web_keyboard_waiting(void)
{
   int scancode;

   if (queue_count > 0)
      return TRUE;
   for (scancode = 0; scancode < KEY_MAX; scancode++) {
      if (held[scancode])
         return TRUE;
   }
   return FALSE;
}

static int web_keyboard_init(void)
{
   unsigned i;

   for (i = 0; i < sizeof(key_codes) / sizeof(key_codes[0]); i++)
      web_key_map(key_codes[i].code, key_codes[i].scancode);
   queue_head = queue_count = 0;
   memset(held, 0, sizeof(held));
   web_keyboard_listen(TRUE);
   return 0;
}

static void web_keyboard_exit(void)
{
   web_keyboard_listen(FALSE);
}

KEYBOARD_DRIVER keyboard_web = {
   .id = KEYBOARD_WEB,
   .name = empty_string,
   .desc = empty_string,
   .ascii_name = "Browser keyboard",
   .autorepeat = FALSE,
   .init = web_keyboard_init,
   .exit = web_keyboard_exit,
   .poll = web_keyboard_poll,
};
