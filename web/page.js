// The page's side of the SDL bridge, run before the engine:
// - input: the browser's mouse, wheel and key events queued in
//   Module.sdlEvents as SDL 1.2 events (kind, x or key, y or character,
//   button), which the video driver's event pump takes each frame; the keys
//   the game sees keep the browser from acting on them, F9 is the browser's
//   full screen; each queued event ends the engine's wait for input;
// - sound: Web Audio pulls the audio device's buffers (SDL_WebAudioMix);
// - files: save/ lives in the browser's IndexedDB, loaded before the engine
//   starts and stored after each finished write; screenshot.bmp is offered
//   as a download.
(function () {
  'use strict';
  var MOTION = 1, BUTTON_DOWN = 2, BUTTON_UP = 3, KEY_DOWN = 4, KEY_UP = 5;
  // SDL 1.2's key symbols of the physical keys (a US layout, as SDL's own).
  var namedKeys = {
    Backspace: 8, Tab: 9, Enter: 13, Pause: 19, Escape: 27, Space: 32, Quote: 39, Comma: 44, Minus: 45,
    Period: 46, Slash: 47, Semicolon: 59, Equal: 61, BracketLeft: 91, Backslash: 92, BracketRight: 93,
    Backquote: 96, Delete: 127, NumpadDecimal: 266, NumpadDivide: 267, NumpadMultiply: 268,
    NumpadSubtract: 269, NumpadAdd: 270, NumpadEnter: 271, NumpadEqual: 272, ArrowUp: 273,
    ArrowDown: 274, ArrowRight: 275, ArrowLeft: 276, Insert: 277, Home: 278, End: 279, PageUp: 280,
    PageDown: 281, NumLock: 300, CapsLock: 301, ScrollLock: 302, ShiftRight: 303, ShiftLeft: 304,
    ControlRight: 305, ControlLeft: 306, AltRight: 307, AltLeft: 308, MetaRight: 309, MetaLeft: 310,
    ContextMenu: 319
  };
  var modifierKeys = /^(Shift|Control|Alt|Meta)(Left|Right)$/;
  var queue = Module['sdlEvents'] = Module['sdlEvents'] || [];

  // SDL's key symbol for a physical key: letters and digits as their
  // lower-case characters, the keypad's digits from 256, F1 to F15 from 282;
  // 0 for keys SDL has no symbol for.
  function keySymbol(code) {
    if (code in namedKeys) return namedKeys[code];
    var match = /^F(\d+)$/.exec(code);
    if (match && +match[1] >= 1 && +match[1] <= 15) return 281 + +match[1];
    match = /^Key([A-Z])$/.exec(code);
    if (match) return match[1].toLowerCase().charCodeAt(0);
    match = /^Digit(\d)$/.exec(code);
    if (match) return 48 + +match[1];
    match = /^Numpad(\d)$/.exec(code);
    return match ? 256 + +match[1] : 0;
  }

  // The browser keeps its shortcuts made with Ctrl, Alt or Meta (reload,
  // a new tab); every other key the game sees is the game's alone.
  function browserShortcut(e) {
    return (e.ctrlKey || e.altKey || e.metaKey) && !modifierKeys.test(e.code);
  }

  // The pointer in the game's pixels, however large the canvas is shown.
  function gamePoint(canvas, event) {
    var box = canvas.getBoundingClientRect();
    var x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
    var y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    return [Math.max(0, Math.min(canvas.width - 1, x)), Math.max(0, Math.min(canvas.height - 1, y))];
  }

  // F9: the browser's full screen for the canvas's container, whose page
  // style keeps the canvas's shape; F9 or Escape leaves it.
  function fullScreenShown() {
    return !!(document.fullscreenElement || document.webkitFullscreenElement);
  }

  function toggleFullScreen(canvas) {
    var shown = fullScreenShown();
    var stage = canvas.parentElement;
    var request = shown ? document.exitFullscreen || document.webkitExitFullscreen
                        : stage.requestFullscreen || stage.webkitRequestFullscreen;
    if (!request) return;
    var done = request.call(shown ? document : stage);
    if (done && done.catch) done.catch(function (error) { console.warn('full screen: ' + error.message); });
  }

  // ---- Sound ----
  // The device's buffers are mixed on demand, between the engine's frames:
  // each call of SDL_WebAudioMix gives `samples` frames of 16-bit samples.
  // The counters tell a test that sound was mixed.
  var sound = Module['webAudio'] = { context: null, mixedSamples: 0, audibleSamples: 0 };

  function soundBufferFrames(rate) {
    var frames = 256;
    while (frames < rate * 0.085 && frames < 16384) frames *= 2;  // about 85 ms
    return frames;
  }

  Module['sdlAudioOpen'] = function (freq, channels, samples) {
    Module['sdlAudioClose']();
    var context;
    try {
      context = new (window.AudioContext || window.webkitAudioContext)({ sampleRate: freq });
    } catch (error) {
      console.warn('no sound: ' + error.message);
      return;
    }
    var node = context.createScriptProcessor(soundBufferFrames(freq), 0, 2);
    var left = new Float32Array(samples), right = new Float32Array(samples), kept = 0, used = 0;
    // Mixes the device's next buffer into left and right; false when the device is gone.
    function mix() {
      var at = Module['_SDL_WebAudioMix']();
      if (!at) return false;
      var first = at >> 1, audible = 0;
      for (var i = 0; i < samples; ++i) {
        var l = HEAP16[first + i * channels], r = channels > 1 ? HEAP16[first + i * channels + 1] : l;
        left[i] = l / 32768;
        right[i] = r / 32768;
        if (l || r) ++audible;
      }
      sound.mixedSamples += samples;
      sound.audibleSamples += audible;
      kept = samples;
      used = 0;
      return true;
    }
    // Silence once the device is gone, or for good once the engine has failed.
    node.onaudioprocess = function (e) {
      var outLeft = e.outputBuffer.getChannelData(0), outRight = e.outputBuffer.getChannelData(1);
      for (var filled = 0; filled < outLeft.length;) {
        var more;
        try {
          more = used < kept || mix();
        } catch (error) {
          Module['sdlAudioClose']();
          more = false;
        }
        if (!more) {
          outLeft.fill(0, filled);
          outRight.fill(0, filled);
          return;
        }
        var n = Math.min(kept - used, outLeft.length - filled);
        outLeft.set(left.subarray(used, used + n), filled);
        outRight.set(right.subarray(used, used + n), filled);
        used += n;
        filled += n;
      }
    };
    node.connect(context.destination);
    sound.context = context;
    sound.node = node;
    context.resume();
  };

  Module['sdlAudioClose'] = function () {
    if (!sound.context) return;
    sound.node.disconnect();
    sound.context.close();
    sound.context = sound.node = null;
  };

  // Browsers keep sound locked until the player acts: each click or key
  // lets a waiting context play.
  function unlockSound() {
    if (sound.context && sound.context.state === 'suspended') sound.context.resume();
  }

  // ---- Files ----
  var saveFolder = '/save';
  // Stored only once read: a copy made before would wipe what is stored.
  var savesLoaded = false, storing = false, storeAgain = false;
  Module['savesStored'] = 0;

  // Copies save/ to IndexedDB; a write that finishes meanwhile stores again
  // once this copy is done.
  function storeSaves() {
    if (!savesLoaded) return;
    if (storing) {
      storeAgain = true;
      return;
    }
    storing = true;
    FS.syncfs(false, function (error) {
      if (error) console.warn('the saves were not stored in the browser: ' + error);
      storing = false;
      ++Module['savesStored'];
      if (storeAgain) {
        storeAgain = false;
        storeSaves();
      }
    });
  }
  Module['savesStoring'] = function () { return storing; };

  // Each game keeps its saves in a store of its own, named after the page's
  // title (the game's caption): game hosting sites serve many games from one
  // address, whose stores the browser would otherwise share.
  function keepSavesApart() {
    var openStore = IDBFS.getDB;
    var game = document.title;
    IDBFS.getDB = function (name, callback) {
      return openStore.call(IDBFS, 'game ' + game + ' ' + name, callback);
    };
  }

  // save/ on IndexedDB, with what an earlier visit stored, before main runs.
  function loadSaves() {
    try {
      keepSavesApart();
      FS.mkdir(saveFolder);
      FS.mount(IDBFS, {}, saveFolder);
    } catch (error) {
      console.warn('the saves stay in memory: ' + error.message);
      return;
    }
    addRunDependency('saves');
    FS.syncfs(true, function (error) {
      if (error) console.warn('no saves read from the browser, none stored there: ' + error);
      savesLoaded = !error;
      removeRunDependency('saves');
    });
  }
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(loadSaves);

  function offerDownload(path, name) {
    var url = URL.createObjectURL(new Blob([FS.readFile(path)], { type: 'image/bmp' }));
    var link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  }

  // The engine tells of each file it has finished writing (its atomic
  // writer's last step), by its path in the game folder.
  Module['onFileWritten'] = function (path) {
    var full = path.charAt(0) === '/' ? path : FS.cwd().replace(/\/$/, '') + '/' + path;
    if (full.indexOf(saveFolder + '/') === 0) storeSaves();
    else if (full === '/screenshot.bmp') offerDownload(full, 'screenshot.bmp');
  };

  // A page closed or hidden stores what is not stored yet.
  window.addEventListener('pagehide', storeSaves);
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') storeSaves();
  });

  // ---- Waiting for input ----
  // While the player is waited for, the engine sleeps until its next frame
  // that changes something, or until the page queues input, whichever is
  // first (the wait's promise resolves 1 then, 0 at the deadline). The
  // engine resumes from the promise, so only after the listener that
  // queued the event has finished. The counts tell a test how the waits ended.
  var idle = Module['idleWaits'] = { waits: 0, wokenByInput: 0 };
  var endWait = null;

  Module['waitForInput'] = function (ms) {
    ++idle.waits;
    return new Promise(function (resolve) {
      var timer = setTimeout(function () { end(0); }, ms);
      function end(woken) {
        clearTimeout(timer);
        endWait = null;
        idle.wokenByInput += woken;
        resolve(woken);
      }
      endWait = end;
    });
  };

  // Queues input events for SDL's event pump and wakes a waiting engine.
  function send() {
    queue.push.apply(queue, arguments);
    if (endWait) endWait(1);
  }

  // ---- Input ----
  function listen(canvas) {
    canvas.addEventListener('mousemove', function (e) {
      var p = gamePoint(canvas, e);
      send([MOTION, p[0], p[1], 0]);
    });
    ['mousedown', 'mouseup'].forEach(function (type) {
      canvas.addEventListener(type, function (e) {
        var p = gamePoint(canvas, e);
        send([type === 'mousedown' ? BUTTON_DOWN : BUTTON_UP, p[0], p[1], e.button + 1]);
        canvas.focus();
        unlockSound();
        e.preventDefault();
      });
    });
    canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    // SDL 1.2 tells of the wheel as buttons 4 (up) and 5 (down), pressed and released at once.
    canvas.addEventListener('wheel', function (e) {
      if (e.deltaY === 0) return;
      var p = gamePoint(canvas, e), button = e.deltaY < 0 ? 4 : 5;
      send([BUTTON_DOWN, p[0], p[1], button], [BUTTON_UP, p[0], p[1], button]);
      e.preventDefault();
    }, { passive: false });
    ['keydown', 'keyup'].forEach(function (type) {
      canvas.addEventListener(type, function (e) {
        unlockSound();
        if (e.code === 'F9') {
          if (type === 'keydown' && !e.repeat) toggleFullScreen(canvas);
          e.preventDefault();
          return;
        }
        var symbol = keySymbol(e.code);
        // In full screen Escape is the browser's way out: the game does not see it then.
        if (!symbol || (e.code === 'Escape' && fullScreenShown())) return;
        if (!browserShortcut(e)) e.preventDefault();
        if (type === 'keydown' && e.repeat) return;
        var character = e.key.length === 1 ? e.key.charCodeAt(0) : 0;
        send([type === 'keydown' ? KEY_DOWN : KEY_UP, symbol, character, 0]);
      });
    });
  }

  if (Module['canvas']) listen(Module['canvas']);
})();
