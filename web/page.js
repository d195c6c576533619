// The page's side of the SDL bridge, run before the engine: the browser's
// mouse, wheel and key events queued in Module.sdlEvents as SDL 1.2 events
// (kind, x or key, y or character, button), which the video driver's event
// pump takes each frame. Keys the engine uses keep the browser from acting.
(function () {
  'use strict';
  var MOTION = 1, BUTTON_DOWN = 2, BUTTON_UP = 3, KEY_DOWN = 4, KEY_UP = 5;
  var namedKeys = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 271, Escape: 27, Space: 32, Delete: 127,
    ArrowUp: 273, ArrowDown: 274, ArrowRight: 275, ArrowLeft: 276, Insert: 277, Home: 278,
    End: 279, PageUp: 280, PageDown: 281, ShiftRight: 303, ShiftLeft: 304,
    ControlRight: 305, ControlLeft: 306, AltRight: 307, AltLeft: 308
  };
  var queue = Module['sdlEvents'] = Module['sdlEvents'] || [];

  // SDL's key symbol for a physical key: letters and digits as their
  // lower-case characters, F1 to F15 from 282; 0 for the others.
  function keySymbol(code) {
    if (code in namedKeys) return namedKeys[code];
    var match = /^F(\d+)$/.exec(code);
    if (match && +match[1] >= 1 && +match[1] <= 15) return 281 + +match[1];
    match = /^Key([A-Z])$/.exec(code);
    if (match) return match[1].toLowerCase().charCodeAt(0);
    match = /^(?:Digit|Numpad)(\d)$/.exec(code);
    return match ? 48 + +match[1] : 0;
  }

  // The pointer in the game's pixels, however large the canvas is shown.
  function gamePoint(canvas, event) {
    var box = canvas.getBoundingClientRect();
    var x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
    var y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    return [Math.max(0, Math.min(canvas.width - 1, x)), Math.max(0, Math.min(canvas.height - 1, y))];
  }

  function listen(canvas) {
    canvas.addEventListener('mousemove', function (e) {
      var p = gamePoint(canvas, e);
      queue.push([MOTION, p[0], p[1], 0]);
    });
    ['mousedown', 'mouseup'].forEach(function (type) {
      canvas.addEventListener(type, function (e) {
        var p = gamePoint(canvas, e);
        queue.push([type === 'mousedown' ? BUTTON_DOWN : BUTTON_UP, p[0], p[1], e.button + 1]);
        canvas.focus();
        e.preventDefault();
      });
    });
    canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    // SDL 1.2 tells of the wheel as buttons 4 (up) and 5 (down), pressed and released at once.
    canvas.addEventListener('wheel', function (e) {
      if (e.deltaY === 0) return;
      var p = gamePoint(canvas, e), button = e.deltaY < 0 ? 4 : 5;
      queue.push([BUTTON_DOWN, p[0], p[1], button], [BUTTON_UP, p[0], p[1], button]);
      e.preventDefault();
    }, { passive: false });
    ['keydown', 'keyup'].forEach(function (type) {
      canvas.addEventListener(type, function (e) {
        var symbol = keySymbol(e.code);
        if (!symbol) return;
        if (type === 'keydown' && e.repeat) { e.preventDefault(); return; }
        var character = e.key.length === 1 ? e.key.charCodeAt(0) : 0;
        queue.push([type === 'keydown' ? KEY_DOWN : KEY_UP, symbol, character, 0]);
        e.preventDefault();
      });
    });
  }

  if (Module['canvas']) listen(Module['canvas']);
})();
