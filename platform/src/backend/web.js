// The page side of the browser backend (an Emscripten JS library): windows as
// elements of the "screen", menu bars with the platform's keyboard handling,
// dialog controls, keyboard input, and the wait that suspends the program.
//
// Platform pixels map to whole device pixels: the screen is scaled so that
// one window pixel is round(devicePixelRatio) device pixels, never a
// fraction, and canvases are drawn without smoothing.

mergeInto(LibraryManager.library, {
  $W__postset: 'Module.win32Wait = W.wait; W.start();',
  $W: {
    windows: {},      // hwnd -> the window's elements and state
    pressed: {},      // virtual keys whose going down reached the program
    altAlone: false,  // Alt went down and no other key since
    menu: null,       // the window whose menu is in use
    wake: null,
    ended: false,
    scale: 1,         // device pixels per window pixel
    screen: null,

    start: function() {
      W.screen = document.getElementById('win32-screen');
      W.layout();
      document.addEventListener('keydown', W.onKeyDown, true);
      document.addEventListener('keyup', W.onKeyUp, true);
      document.addEventListener('mousedown', function(e) {
        if (W.menu && !W.menu.frame.contains(e.target)) W.closeMenu();
      }, true);
      window.addEventListener('blur', W.releaseAll);
    },

    // The scale follows the device pixel ratio, as the ratio changes too.
    layout: function() {
      var ratio = window.devicePixelRatio || 1;
      W.scale = Math.max(1, Math.round(ratio));
      var zoom = W.scale / ratio;
      var size = W.screenSize();
      // Zoom, not a transform: layout then snaps to the device pixels the
      // canvases are drawn on.
      W.screen.style.zoom = zoom;
      W.screen.style.width = size[0] + 'px';
      W.screen.style.height = size[1] + 'px';
      matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', W.layout, {once: true});
      if (!W.resizing) {
        W.resizing = true;
        window.addEventListener('resize', W.layout);
      }
    },

    screenSize: function() {
      var zoom = W.scale / (window.devicePixelRatio || 1);
      return [Math.max(1, Math.floor(window.innerWidth / zoom)), Math.max(1, Math.floor(window.innerHeight / zoom))];
    },

    wait: function(timeout) {
      return new Promise(function(resolve) {
        var timer = 0;
        W.wake = function() {
          if (timer) clearTimeout(timer);
          W.wake = null;
          resolve();
        };
        if (timeout >= 0) timer = setTimeout(W.wake, timeout);
      });
    },

    // Something was queued for the program: its wait ends.
    poke: function() {
      if (W.wake) W.wake();
    },

    place: function(el, rect) {
      el.style.left = rect[0] + 'px';
      el.style.top = rect[1] + 'px';
      el.style.width = rect[2] + 'px';
      el.style.height = rect[3] + 'px';
    },

    // "&X" marks a mnemonic: X is underlined; "&&" is a plain "&".
    setLabel: function(el, text, prefix) {
      el.textContent = '';
      var plain = '';
      for (var i = 0; i < text.length; ++i) {
        var c = text[i];
        if (prefix && c === '&' && i + 1 < text.length) {
          c = text[++i];
          if (c !== '&' && !el.querySelector('u')) {
            if (plain) el.appendChild(document.createTextNode(plain));
            plain = '';
            var u = document.createElement('u');
            u.textContent = c;
            el.appendChild(u);
            continue;
          }
        }
        plain += c;
      }
      if (plain) el.appendChild(document.createTextNode(plain));
    },

    iconUrl: function(rgba, width, height) {
      var canvas = document.createElement('canvas');
      canvas.width = width;
      canvas.height = height;
      var pixels = new Uint8ClampedArray(HEAPU8.subarray(rgba, rgba + width * height * 4));
      canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
      return canvas.toDataURL('image/png');
    },

    createTopLevel: function(d) {
      var win = {hwnd: d.hwnd, owner: d.owner, place: d.place, title: d.title};
      var frame = document.createElement('div');
      frame.className = 'win32-window';
      frame.dataset.hwnd = d.hwnd;
      frame.hidden = !d.visible;
      W.place(frame, d.place.frame);
      var left = d.place.frame[0], top = d.place.frame[1];

      var caption = document.createElement('div');
      caption.className = 'win32-caption';
            caption.style.left = d.border + 'px';
      caption.style.top = d.border + 'px';
      caption.style.right = d.border + 'px';
      caption.style.height = (d.caption - 1) + 'px';
      caption.style.lineHeight = (d.caption - 1) + 'px';
      var text = document.createElement('span');
      text.className = 'win32-title';
      text.id = 'win32-title-' + d.hwnd;
      text.textContent = d.title;
      caption.appendChild(text);
      if (d.style & 0x80000 /* WS_SYSMENU */) {
        var close = document.createElement('button');
        close.className = 'win32-close';
        close.type = 'button';
        close.tabIndex = -1;
        close.setAttribute('aria-label', 'Close');
        close.textContent = '\u00d7';
        close.addEventListener('click', function() {
          Module._web_close(d.hwnd);
          W.poke();
        });
        caption.appendChild(close);
      }
      frame.appendChild(caption);
      win.caption = caption;
      win.titleText = text;

      var client = d.place.client;
      if (d.menu) {
        var barTop = d.border + d.caption;
        var bar = document.createElement('div');
        bar.className = 'win32-menubar';
        bar.setAttribute('role', 'menubar');
        bar.style.left = d.border + 'px';
        bar.style.right = d.border + 'px';
        bar.style.top = barTop + 'px';
        bar.style.height = (client[1] - top - barTop - 1) + 'px';
        frame.appendChild(bar);
        win.menuBar = bar;
        win.menuItems = d.menu;
        win.barEntries = d.menu.map(function(item, index) {
          var entry = document.createElement('div');
          entry.className = 'win32-menu-entry';
          entry.setAttribute('role', 'menuitem');
          entry.tabIndex = -1;
          W.setLabel(entry, item.text, true);
          if (item.items) {
            entry.setAttribute('aria-haspopup', 'menu');
            entry.setAttribute('aria-expanded', 'false');
          }
          entry.addEventListener('mousedown', function(e) {
            e.preventDefault();
            if (!Module._web_enabled(d.hwnd)) return;
            if (W.menu === win && win.popup && win.active === index) W.closeMenu();
            else W.openPopup(win, index, -1);
          });
          entry.addEventListener('mouseenter', function() {
            if (W.menu === win && win.popup && win.active !== index) W.openPopup(win, index, -1);
          });
          bar.appendChild(entry);
          return entry;
        });
      }

      var canvas = document.createElement('canvas');
      canvas.className = 'win32-client';
      canvas.width = client[2];
      canvas.height = client[3];
      canvas.setAttribute('role', 'img');
      canvas.setAttribute('aria-label', d.title);
      W.place(canvas, [client[0] - left, client[1] - top, client[2], client[3]]);
      frame.appendChild(canvas);
      win.canvas = canvas;
      // Pages that embed this one read the pixels back.
      win.context = canvas.getContext('2d', {alpha: false, willReadFrequently: true});

      if (d.owner) {
        frame.setAttribute('role', 'dialog');
        frame.setAttribute('aria-modal', 'true');
        frame.setAttribute('aria-labelledby', text.id);
      } else {
        frame.setAttribute('role', 'region');
        frame.setAttribute('aria-labelledby', text.id);
        if (!W.main) {
          W.main = win;
          document.title = d.title;
        }
      }
      win.frame = frame;
      W.screen.appendChild(frame);
      W.windows[d.hwnd] = win;
    },

    createControl: function(d) {
      var parent = W.windows[d.parent];
      if (!parent || !parent.frame) return;
      var el;
      if (d.kind === 'button') {
        el = document.createElement('button');
        el.type = 'button';
        el.tabIndex = -1;
        W.setLabel(el, d.title, true);
        if ((d.style & 0xf) === 1 /* BS_DEFPUSHBUTTON */) el.classList.add('win32-default');
        el.addEventListener('click', function() {
          Module._web_click(d.hwnd);
          W.poke();
        });
      } else if (d.kind === 'icon') {
        el = document.createElement('img');
        el.alt = '';
      } else {
        el = document.createElement('span');
        W.setLabel(el, d.title, !(d.style & 0x80 /* SS_NOPREFIX */));
      }
      el.classList.add('win32-control');
      el.hidden = !d.visible;
      var left = parent.place.client[0] - parent.place.frame[0];
      var top = parent.place.client[1] - parent.place.frame[1];
      var r = d.place.frame;
      W.place(el, [r[0] + left, r[1] + top, r[2], r[3]]);
      parent.frame.appendChild(el);
      W.windows[d.hwnd] = {hwnd: d.hwnd, frame: el, control: true, parent: parent, kind: d.kind, style: d.style};
    },

    // ---- Menus -----------------------------------------------------------

    usable: function(item) {
      return !(item.flags & (0x800 /* MF_SEPARATOR */ | 0x1 /* MF_GRAYED */ | 0x2 /* MF_DISABLED */));
    },

    // The window whose menu the keyboard reaches: the main one while it takes input.
    menuWindow: function() {
      var win = W.main;
      if (!win || !win.menuBar || win.frame.hidden || !Module._web_enabled(win.hwnd)) return null;
      return win;
    },

    highlight: function(list, index) {
      list.forEach(function(el, i) {
        el.classList.toggle('win32-highlight', i === index);
      });
      if (index >= 0 && list[index]) list[index].focus({preventScroll: true});
    },

    arm: function(win, index) {
      W.closePopup(win);
      W.menu = win;
      win.active = index;
      W.highlight(win.barEntries, index);
    },

    openPopup: function(win, index, select) {
      W.closePopup(win);
      W.menu = win;
      win.active = index;
      W.highlight(win.barEntries, index);
      var entry = win.menuItems[index];
      if (!entry.items) return;
      var popup = document.createElement('div');
      popup.className = 'win32-popup';
      popup.setAttribute('role', 'menu');
      popup.setAttribute('aria-label', entry.text.replace(/&(.)/g, '$1'));
      var anchor = win.barEntries[index];
      popup.style.left = win.menuBar.offsetLeft + anchor.offsetLeft + 'px';
      popup.style.top = win.menuBar.offsetTop + win.menuBar.offsetHeight + 'px';
      win.popupItems = entry.items.map(function(item) {
        var el = document.createElement('div');
        if (item.flags & 0x800 /* MF_SEPARATOR */) {
          el.className = 'win32-separator';
          el.setAttribute('role', 'separator');
          popup.appendChild(el);
          return el;
        }
        el.className = 'win32-menu-item';
        el.setAttribute('role', 'menuitem');
        el.tabIndex = -1;
        if (!W.usable(item)) el.setAttribute('aria-disabled', 'true');
        W.setLabel(el, item.text, true);
        el.addEventListener('mouseenter', function() {
          win.item = win.popupItems.indexOf(el);
          W.highlight(win.popupItems, win.item);
        });
        el.addEventListener('mousedown', function(e) {
          e.preventDefault();
        });
        el.addEventListener('click', function() {
          W.pick(win, item);
        });
        popup.appendChild(el);
        return el;
      });
      win.frame.appendChild(popup);
      win.popup = popup;
      anchor.setAttribute('aria-expanded', 'true');
      win.item = -1;
      if (select === 0) W.moveItem(win, 1);
      else if (select < 0 && select !== -1) W.moveItem(win, -1);
    },

    closePopup: function(win) {
      if (!win.popup) return;
      win.popup.remove();
      win.popup = null;
      win.popupItems = [];
      win.barEntries.forEach(function(el) {
        if (el.hasAttribute('aria-expanded')) el.setAttribute('aria-expanded', 'false');
      });
    },

    closeMenu: function() {
      var win = W.menu;
      if (!win) return;
      W.closePopup(win);
      W.highlight(win.barEntries, -1);
      win.active = -1;
      W.menu = null;
      if (document.activeElement && win.frame.contains(document.activeElement)) document.activeElement.blur();
    },

    pick: function(win, item) {
      if (!W.usable(item) || item.items) return;
      W.closeMenu();
      Module._web_command(win.hwnd, item.id);
      W.poke();
    },

    // Next (step 1) or previous (-1) usable item of the open popup, wrapping.
    moveItem: function(win, step) {
      var items = win.menuItems[win.active].items;
      var n = items.length;
      for (var i = 1; i <= n; ++i) {
        var at = ((win.item < 0 ? (step > 0 ? -1 : 0) : win.item) + step * i + n * n) % n;
        if (W.usable(items[at])) {
          win.item = at;
          break;
        }
      }
      W.highlight(win.popupItems, win.item);
    },

    // Keys while the menu is in use go to it alone.
    menuKey: function(vk) {
      var win = W.menu;
      var n = win.barEntries.length;
      var items = win.popup ? win.menuItems[win.active].items : null;
      switch (vk) {
      case 0x12: /* VK_MENU */
      case 0x79: /* VK_F10 */ W.closeMenu(); return;
      case 0x1b: /* VK_ESCAPE */
        if (win.popup) W.arm(win, win.active);
        else W.closeMenu();
        return;
      case 0x25: /* VK_LEFT */
      case 0x27: /* VK_RIGHT */ {
        var next = (win.active + (vk === 0x27 ? 1 : n - 1)) % n;
        if (win.popup) W.openPopup(win, next, 0);
        else W.arm(win, next);
        return;
      }
      case 0x28: /* VK_DOWN */
        if (win.popup) W.moveItem(win, 1);
        else W.openPopup(win, win.active, 0);
        return;
      case 0x26: /* VK_UP */
        if (win.popup) W.moveItem(win, -1);
        else W.openPopup(win, win.active, -2);
        return;
      case 0x0d: /* VK_RETURN */
      case 0x20: /* VK_SPACE */
        if (!win.popup) W.openPopup(win, win.active, 0);
        else if (win.item >= 0) W.pick(win, items[win.item]);
        return;
      }
      if (!((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5a))) return;
      var list = items || win.menuItems;
      for (var i = 0; i < list.length; ++i) {
        if (!list[i].mnemonic || String.fromCharCode(list[i].mnemonic).toUpperCase().charCodeAt(0) !== vk) continue;
        if (items) W.pick(win, list[i]);
        else W.openPopup(win, i, 0);
        return;
      }
    },

    // ---- Keyboard --------------------------------------------------------

    // The virtual key of a key of a US keyboard, from its position.
    virtualKey: function(code) {
      var m;
      if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
      if ((m = /^Digit([0-9])$/.exec(code))) return m[1].charCodeAt(0);
      if ((m = /^F([0-9]+)$/.exec(code)) && +m[1] >= 1 && +m[1] <= 12) return 0x6f + +m[1];
      var keys = {
        Enter: 0x0d, NumpadEnter: 0x0d, Escape: 0x1b, Tab: 0x09, Backspace: 0x08, Space: 0x20,
        ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
        ShiftLeft: 0x10, ShiftRight: 0x10, ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12,
        Slash: 0xbf, Semicolon: 0xba, Equal: 0xbb, Comma: 0xbc, Minus: 0xbd, Period: 0xbe, Backquote: 0xc0,
        BracketLeft: 0xdb, Backslash: 0xdc, BracketRight: 0xdd, Quote: 0xde
      };
      return keys[code] || 0;
    },

    // Keys the browser keeps for itself: reloading, full screen, its tools,
    // and everything with Control or the system key.
    browserKey: function(e) {
      return e.metaKey || (e.ctrlKey && !e.altKey) || e.code === 'F5' || e.code === 'F11' || e.code === 'F12';
    },

    onKeyDown: function(e) {
      if (W.ended || W.browserKey(e)) return;
      var vk = W.virtualKey(e.code);
      if (!vk) return;
      e.preventDefault();
      if (W.menu) {
        W.menuKey(vk);
        return;
      }
      W.altAlone = vk === 0x12 && !e.repeat ? true : vk === 0x12 && W.altAlone;
      W.pressed[vk] = true;
      Module._web_key(vk, 1);
      W.poke();
      var win = W.menuWindow();
      if (!win) return;
      if (vk === 0x79 /* VK_F10 */ && !e.shiftKey && !e.altKey) {
        W.arm(win, 0);
      } else if (e.altKey && vk !== 0x12) {
        // Alt with a letter opens the menu bar entry it marks.
        win.menuItems.forEach(function(item, i) {
          if (item.mnemonic && String.fromCharCode(item.mnemonic).toUpperCase().charCodeAt(0) === vk && !W.menu)
            W.openPopup(win, i, 0);
        });
      }
    },

    onKeyUp: function(e) {
      if (W.ended) return;
      var vk = W.virtualKey(e.code);
      if (!vk || !W.pressed[vk]) {
        if (vk && !W.browserKey(e)) e.preventDefault();
        return;
      }
      e.preventDefault();
      delete W.pressed[vk];
      Module._web_key(vk, 0);
      W.poke();
      // Alt pressed and released alone opens the menu bar, or leaves it.
      if (vk === 0x12 && W.altAlone) {
        W.altAlone = false;
        var win = W.menuWindow();
        if (W.menu) W.closeMenu();
        else if (win) W.arm(win, 0);
      }
    },

    // The page lost the keyboard: keys held go up.
    releaseAll: function() {
      if (W.ended) return;
      Object.keys(W.pressed).forEach(function(vk) {
        Module._web_key(+vk, 0);
      });
      W.pressed = {};
      W.altAlone = false;
      W.closeMenu();
      W.poke();
    }
  },

  web_window_create__deps: ['$W'],
  web_window_create: function(json) {
    var d = JSON.parse(UTF8ToString(json));
    if (d.parent) W.createControl(d);
    else W.createTopLevel(d);
  },

  web_window_destroy__deps: ['$W'],
  web_window_destroy: function(hwnd) {
    var win = W.windows[hwnd];
    if (!win) return;
    if (W.menu === win) W.closeMenu();
    win.frame.remove();
    delete W.windows[hwnd];
  },

  web_window_show__deps: ['$W'],
  web_window_show: function(hwnd, visible) {
    var win = W.windows[hwnd];
    if (!win) return;
    win.frame.hidden = !visible;
    if (win.control) return;
    if (!visible && W.menu === win) W.closeMenu();
    // An owned window shown keeps its owner from taking input.
    var owner = W.windows[win.owner];
    if (owner) {
      owner.frame.inert = !!visible;
      if (visible) {
        W.closeMenu();
        var button = win.frame.querySelector('.win32-default') || win.frame;
        button.focus({preventScroll: true});
      }
    }
  },

  web_window_place__deps: ['$W'],
  web_window_place: function(json) {
    var d = JSON.parse(UTF8ToString(json));
    var win = W.windows[d.hwnd];
    if (!win) return;
    if (win.control) {
      var p = win.parent.place;
      var r = d.frame;
      W.place(win.frame, [r[0] + p.client[0] - p.frame[0], r[1] + p.client[1] - p.frame[1], r[2], r[3]]);
      return;
    }
    win.place = d;
    W.place(win.frame, d.frame);
    var c = d.client;
    W.place(win.canvas, [c[0] - d.frame[0], c[1] - d.frame[1], c[2], c[3]]);
  },

  web_window_title__deps: ['$W'],
  web_window_title: function(hwnd, title) {
    var win = W.windows[hwnd];
    if (!win || win.control) {
      var el = win && win.frame;
      if (el && win.kind !== 'icon') W.setLabel(el, UTF8ToString(title), !(win.style & 0x80));
      return;
    }
    win.title = UTF8ToString(title);
    win.titleText.textContent = win.title;
    win.canvas.setAttribute('aria-label', win.title);
    if (W.main === win) document.title = win.title;
  },

  web_window_icon__deps: ['$W'],
  web_window_icon: function(hwnd, small, rgba, width, height) {
    var win = W.windows[hwnd];
    if (!win || !small) return;
    var url = W.iconUrl(rgba, width, height);
    if (W.main === win) {
      var link = document.querySelector('link[rel~="icon"]');
      if (!link) {
        link = document.createElement('link');
        link.rel = 'icon';
        document.head.appendChild(link);
      }
      link.type = 'image/png';
      link.href = url;
    }
  },

  web_control_icon__deps: ['$W'],
  web_control_icon: function(hwnd, rgba, width, height) {
    var win = W.windows[hwnd];
    if (!win || win.kind !== 'icon') return;
    win.frame.src = W.iconUrl(rgba, width, height);
    win.frame.width = width;
    win.frame.height = height;
    win.frame.style.width = width + 'px';
    win.frame.style.height = height + 'px';
  },

  web_present__deps: ['$W'],
  web_present: function(hwnd, rgba, width, height, left, top, right, bottom) {
    var win = W.windows[hwnd];
    if (!win || !win.canvas) return;
    if (win.canvas.width !== width || win.canvas.height !== height) {
      win.canvas.width = width;
      win.canvas.height = height;
    }
    var start = rgba + top * width * 4;
    var pixels = new Uint8ClampedArray(HEAPU8.subarray(start, start + (bottom - top) * width * 4));
    win.context.putImageData(new ImageData(pixels, width, bottom - top), 0, top, left, 0, right - left, bottom - top);
  },

  web_program_ended__deps: ['$W'],
  web_program_ended: function(code) {
    W.closeMenu();
    W.ended = true;
    window.dispatchEvent(new CustomEvent('win32-exit', {detail: code}));
  },

  web_screen_width__deps: ['$W'],
  web_screen_width: function() {
    return W.screenSize()[0];
  },

  web_screen_height__deps: ['$W'],
  web_screen_height: function() {
    return W.screenSize()[1];
  }
});
