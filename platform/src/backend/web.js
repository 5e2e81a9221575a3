// The program's side of the browser backend (an Emscripten JS library). The
// program runs in a worker: what web.cpp tells the page goes to it in one
// message each time the program waits, so the page shows a window together
// with its pixels, as the program left them. The page's messages (a person's
// input, the screen's size, the display's pace, pixel buffers coming back)
// come in while the program waits.
// The page's side is web_page.js.
//
// Sections: W holds the worker's state, its waits and its frames; the web_*
// functions are what web.cpp calls.

mergeInto(LibraryManager.library, {
  $W: {
    // ---- State ------------------------------------------------------------
    HIDDEN_WAIT: 1000,
    screen: [1, 1],      // the page's screen size, as last heard
    wake: null,          // ends the program's current wait
    visible: true,       // the page is shown, so frames are wanted
    due: {},             // hwnd -> true: windows with pixels not yet sent
    framePeriod: 1000 / 60,  // ms between the display's frames, as the page measured them
    lastPut: 0,          // when pixels last went to the page (performance.now()); start sets it to -Infinity
    trailing: 0,         // the timer that sends pixels the program's next wake would leave too long
    spare: [],           // pixel buffers back from the page, for the next frames
    outbox: [],          // what the page is to hear at the program's next wait
    moving: [],          // the buffers those messages move

    // The page's messages, by op. Input ends the program's wait.
    PAGE: {
      key: function(m) {
        Module._web_key(m.vk, m.down);
        W.poke();
      },
      command: function(m) {
        Module._web_command(m.hwnd, m.id);
        W.poke();
      },
      click: function(m) {
        Module._web_click(m.hwnd);
        W.poke();
      },
      close: function(m) {
        Module._web_close(m.hwnd);
        W.poke();
      },
      screen: function(m) {
        W.screen = m.size;
      },
      framePeriod: function(m) {
        W.framePeriod = m.ms;
      },
      visible: function(m) {
        W.visible = m.visible;
        W.present(-1);
        if (m.visible) W.poke();
      },
      buffer: function(m) {
        if (W.spare.length < 2) W.spare.push(m.buffer);
      }
    },

    start: function(constants) {
      // (The library's state above is written out as JSON, which has no infinities.)
      W.lastPut = -Infinity;
      W.screen = Module.pageScreen;
      self.onmessage = function(e) {
        W.PAGE[e.data.op](e.data);
      };
      W.post('start', {constants: constants});
    },

    // Tells the page: op with the message's fields; buffers given are moved, not copied.
    post: function(op, fields, moved) {
      fields.op = op;
      W.outbox.push(fields);
      if (moved) W.moving.push.apply(W.moving, moved);
    },

    flush: function() {
      if (!W.outbox.length) return;
      postMessage({op: 'batch', messages: W.outbox}, W.moving);
      W.outbox = [];
      W.moving = [];
    },

    // The program sleeps until `wakeUp` is called: by the timer, or by a
    // message that queued input (poke), from the worker's own task, so the
    // program runs on straight away without a detour through promises.
    // While the page is hidden its timers wait at least HIDDEN_WAIT ms, as a
    // browser's own for a hidden page; the program's timers coalesce, so
    // nothing piles up.
    wait: function(timeout, wakeUp) {
      W.present(timeout);
      if (!W.visible && timeout >= 0) timeout = Math.max(timeout, W.HIDDEN_WAIT);
      var timer = 0;
      W.wake = function() {
        if (timer) clearTimeout(timer);
        W.wake = null;
        wakeUp();
      };
      if (timeout >= 0) timer = setTimeout(W.wake, timeout);
    },

    // Something was queued for the program: its wait ends.
    poke: function() {
      if (W.wake) W.wake();
    },

    // ---- Pixels -----------------------------------------------------------

    // Pixels are sent when the program waits, so each frame is a whole frame
    // of the program's, and at most once per frame of the display: when a
    // frame period has passed since the last. What is held back goes out at
    // the next wait, or by a timer when the program would sleep (for
    // `timeout` ms, negative for no deadline) past one more frame period.
    // A hidden page is sent no frames. What else the page is to hear goes too.
    present: function(timeout) {
      if (W.trailing) clearTimeout(W.trailing);
      W.trailing = 0;
      if (W.visible) W.putDue(timeout);
      W.flush();
    },

    putDue: function(timeout) {
      var now = performance.now(), later = W.lastPut + W.framePeriod - now;
      if (later > 0) {
        if ((timeout < 0 || timeout > later + W.framePeriod) && Object.keys(W.due).length)
          W.trailing = setTimeout(W.present, later, -1);
        return;
      }
      var due = W.due;
      W.due = {};
      for (var hwnd in due) {
        W.put(+hwnd);
        W.lastPut = now;
      }
    },

    // web_frame converts what changed into the window's R, G, B, A pixels in
    // the module's memory; the rows that hold the change travel to the page
    // in a buffer it hands back.
    put: function(hwnd) {
      var at = Module._web_frame(hwnd) >> 2;
      if (!at) return;
      var rgba = HEAP32[at], width = HEAP32[at + 1], height = HEAP32[at + 2];
      var top = HEAP32[at + 4], bottom = HEAP32[at + 6], row = width * 4;
      var pixels = W.spare.pop();
      if (!pixels || pixels.byteLength !== row * height) pixels = new ArrayBuffer(row * height);
      new Uint8Array(pixels).set(HEAPU8.subarray(rgba + top * row, rgba + bottom * row), top * row);
      W.post('frame', {hwnd: hwnd, pixels: pixels, width: width, height: height, left: HEAP32[at + 3], top: top,
                       right: HEAP32[at + 5], bottom: bottom, updates: Module._web_updates(hwnd)}, [pixels]);
    },

    // Sends a copy of an icon: `width` x `height` R, G, B, A pixels at `rgba`.
    postIcon: function(op, hwnd, rgba, width, height) {
      var pixels = HEAPU8.slice(rgba, rgba + width * height * 4).buffer;
      W.post(op, {hwnd: hwnd, pixels: pixels, width: width, height: height}, [pixels]);
    }
  },

  // ---- What web.cpp calls -------------------------------------------------

  web_wait__deps: ['$W'],
  web_wait: function(timeout) {
    Asyncify.handleSleep(function(wakeUp) {
      W.wait(timeout, wakeUp);
    });
  },

  web_start__deps: ['$W'],
  web_start: function(json) {
    W.start(JSON.parse(UTF8ToString(json)));
  },

  web_window_create__deps: ['$W'],
  web_window_create: function(json) {
    W.post('windowCreate', {json: UTF8ToString(json)});
  },

  web_window_destroy__deps: ['$W'],
  web_window_destroy: function(hwnd) {
    delete W.due[hwnd];
    W.post('windowDestroy', {hwnd: hwnd});
  },

  web_window_show__deps: ['$W'],
  web_window_show: function(hwnd, visible) {
    W.post('windowShow', {hwnd: hwnd, visible: !!visible});
  },

  web_window_place__deps: ['$W'],
  web_window_place: function(json) {
    W.post('windowPlace', {json: UTF8ToString(json)});
  },

  web_window_title__deps: ['$W'],
  web_window_title: function(hwnd, title) {
    W.post('windowTitle', {hwnd: hwnd, text: UTF8ToString(title)});
  },

  web_window_icon__deps: ['$W'],
  web_window_icon: function(hwnd, rgba, width, height) {
    W.postIcon('windowIcon', hwnd, rgba, width, height);
  },

  web_control_icon__deps: ['$W'],
  web_control_icon: function(hwnd, rgba, width, height) {
    W.postIcon('controlIcon', hwnd, rgba, width, height);
  },

  web_window_focus__deps: ['$W'],
  web_window_focus: function(hwnd) {
    W.post('focus', {hwnd: hwnd});
  },

  web_window_enabled__deps: ['$W'],
  web_window_enabled: function(hwnd, enabled) {
    W.post('enabled', {hwnd: hwnd, enabled: !!enabled});
  },

  web_pixels_due__deps: ['$W'],
  web_pixels_due: function(hwnd) {
    W.due[hwnd] = true;
  },

  web_program_ended__deps: ['$W'],
  web_program_ended: function(code) {
    W.post('ended', {code: code});
    W.flush();
  },

  web_screen_width__deps: ['$W'],
  web_screen_width: function() {
    return W.screen[0];
  },

  web_screen_height__deps: ['$W'],
  web_screen_height: function() {
    return W.screen[1];
  }
});
