// Touch, for phones: the finger presses the keys a keyboard player would,
// so the game goes through the same controls and its rules are untouched.
// A finger on the canvas is also the mouse's pointer with its button down
// (the library's mouse driver), so a tap on a menu entry clicks it.
//   - dragged sideways, one shown tile's width is one arrow press: the tile
//     follows the finger, however large the canvas is shown;
//   - swiped quickly down or up, the down or up arrow;
//   - a second finger on the screen, Escape: it ends a game.
'use strict';

(() => {
  const COLUMNS = 12;  // the game's screen is 12 tiles across
  const SWIPE_MS = 300;  // a swipe covers its distance within this time
  const SWIPE_TILES = 1.5;  // and its distance, in tile heights

  const canvas = document.getElementById('screen');
  // The finger that steers: where and when it came down, and where it was at
  // its last column (stepX).
  let finger = null;

  // Down and up in one go: the keyboard driver lets the program see it down
  // for exactly one pass, as a keyboard tap.
  function press(code) {
    for (const type of ['keydown', 'keyup'])
      dispatchEvent(new KeyboardEvent(type, { code, key: code }));
  }

  function ownTouch(event) {
    return finger && Array.from(event.changedTouches).find(touch => touch.identifier === finger.id);
  }

  canvas.addEventListener('touchstart', event => {
    if (event.touches.length === 2) {
      finger = null;
      press('Escape');
    } else if (event.touches.length === 1) {
      const touch = event.changedTouches[0];
      finger = { id: touch.identifier, x: touch.clientX, y: touch.clientY, stepX: touch.clientX,
                 time: event.timeStamp, swiped: false };
    }
  }, { passive: true });

  canvas.addEventListener('touchmove', event => {
    const touch = ownTouch(event);
    if (!touch)
      return;
    const tile = canvas.getBoundingClientRect().width / COLUMNS;
    for (; touch.clientX - finger.stepX >= tile; finger.stepX += tile)
      press('ArrowRight');
    for (; finger.stepX - touch.clientX >= tile; finger.stepX -= tile)
      press('ArrowLeft');
    const dx = touch.clientX - finger.x, dy = touch.clientY - finger.y;
    if (!finger.swiped && event.timeStamp - finger.time <= SWIPE_MS &&
        Math.abs(dy) >= SWIPE_TILES * tile && Math.abs(dy) > Math.abs(dx)) {
      finger.swiped = true;
      press(dy > 0 ? 'ArrowDown' : 'ArrowUp');
    }
  }, { passive: true });

  for (const type of ['touchend', 'touchcancel']) {
    canvas.addEventListener(type, event => {
      if (ownTouch(event))
        finger = null;
    }, { passive: true });
  }
})();
