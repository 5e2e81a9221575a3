// The page's side of the browser backend: it shows the program's windows as
// elements of the "screen" (a frame with its caption, a menu bar built from
// the window's menu, and a client area holding a <canvas> with the window's
// pixels and the dialog controls) and reports what a person does (keys, menu
// picks, button clicks, the close box) to the program.
//
// The program runs in a worker (pofurin.js and its module, whose side is
// web.js), so that its ticks never hold up the page: the worker sends what
// its windows do and their pixels as messages (HOST below), and the page
// sends it input. index.html carries this script, so the page starts with
// no more than its three files.
//
// Platform pixels map to whole device pixels: the screen is scaled so that
// one window pixel is round(devicePixelRatio) device pixels, never a
// fraction, and canvases are drawn without smoothing.
//
// Sections: W holds all of the page's state and its windows; MenuKeys is the
// menu's keyboard handling; HOST is what the program's side sends; the end
// starts the page.

var W = {
  // ---- State ------------------------------------------------------------
  VK: null,            // virtual keys by name, handed over by web.cpp at start
  CODES: null,         // KeyboardEvent.code -> virtual key, likewise
  // Every text the page adds itself, in the program's language.
  TEXT: {
    close: '閉じる',
    noScript: '@WEB_SCRIPT@ を読み込めませんでした。読み込み直してください。',
    noModule: '@WEB_MODULE@ を読み込めないか、起動できませんでした（%s）。',
    crashed: 'プログラムが異常終了しました（%s）。',
    ended: '%s は終了しました（終了コード %s）。'
  },
  worker: null,        // where the program runs
  heard: false,        // the worker has said something, so its script loaded
  screen: null,        // the element that stands for the screen
  scale: 1,            // device pixels per window pixel
  ratioQuery: null,    // the media query that tells when the pixel ratio changes
  windows: {},         // hwnd -> the window's elements and state
  main: null,          // the first top-level window without an owner
  focus: 0,            // the window that has the program's keyboard focus
  pressed: {},         // virtual keys whose going down reached the program
  altAlone: false,     // Alt went down and no other key since
  ended: false,        // the program has returned
  pointer: {x: null, y: null, moved: false},  // where the pointer last was, and whether it moved
  pressedEntry: null,  // the menu bar entry a pointer press went to, whose click follows
  // The menu in use: its window, 'closed' / 'bar' (an entry highlighted) /
  // 'open' (its popup shown), the entry and the popup's highlighted item.
  menu: {win: null, state: 'closed', entry: -1, item: -1, popup: null, popupItems: []},

  // The program's side is up: the page takes input from now on.
  start: function(constants) {
    W.VK = constants.vk;
    W.CODES = constants.codes;
    W.measureFrames();
    window.addEventListener('resize', W.layout);
    document.addEventListener('keydown', W.onKeyDown, true);
    document.addEventListener('keyup', W.onKeyUp, true);
    document.addEventListener('mousemove', W.onPointerMove, true);
    document.addEventListener('mousedown', W.onPointerDown, true);
    document.addEventListener('visibilitychange', W.onVisibility);
    window.addEventListener('blur', W.releaseAll);
    if (document.hidden) W.onVisibility();
  },

  // Tells the program's side: op with the message's fields; buffers given are moved, not copied.
  send: function(op, fields, moved) {
    fields.op = op;
    W.worker.postMessage(fields, moved || []);
  },

  status: function(text) {
    var args = [].slice.call(arguments, 1);
    document.getElementById('win32-status').textContent = text.replace(/%s/g, function() {
      return args.shift();
    });
  },


  // ---- The screen -------------------------------------------------------

  // The scale follows the device pixel ratio, which zooming changes too:
  // one media query watches the current ratio and is replaced when it ends.
  layout: function() {
    var ratio = window.devicePixelRatio || 1;
    W.scale = Math.max(1, Math.round(ratio));
    var size = W.screenSize();
    // Zoom, not a transform: layout then snaps to the device pixels the
    // canvases are drawn on.
    W.screen.style.zoom = W.scale / ratio;
    W.screen.style.width = size[0] + 'px';
    W.screen.style.height = size[1] + 'px';
    // The program's side asks for the screen's size without waiting: it keeps the latest.
    if (W.VK) W.send('screen', {size: size});
    if (W.ratioQuery && W.ratioQuery.matches) return;
    if (W.ratioQuery) W.ratioQuery.removeEventListener('change', W.layout);
    W.ratioQuery = matchMedia('(resolution: ' + ratio + 'dppx)');
    W.ratioQuery.addEventListener('change', W.layout);
  },

  screenSize: function() {
    var zoom = W.scale / (window.devicePixelRatio || 1);
    return [Math.max(1, Math.floor(window.innerWidth / zoom)), Math.max(1, Math.floor(window.innerHeight / zoom))];
  },

  // ---- Pixels -----------------------------------------------------------

  // The display's frame period, for the program's side to pace its frames
  // by: the middle gap of a few animation frames.
  measureFrames: function() {
    var times = [];
    function frame(time) {
      times.push(time);
      if (times.length < 9) return requestAnimationFrame(frame);
      var gaps = times.slice(1).map(function(t, i) {
        return t - times[i];
      }).sort(function(x, y) {
        return x - y;
      });
      W.send('framePeriod', {ms: Math.min(50, Math.max(4, gaps[gaps.length >> 1]))});
    }
    requestAnimationFrame(frame);
  },

  // A hidden page is sent no frames; shown again, it gets the latest.
  onVisibility: function() {
    W.send('visible', {visible: !document.hidden});
  },

  // A frame: the rows from `top` to `bottom` of the window's R, G, B, A
  // pixels, of which the rectangle given changed. They go into the one
  // ImageData the window keeps (anew only when its size changes), and the
  // buffer goes back for the next frame.
  put: function(win, f) {
    var width = f.width, height = f.height, row = width * 4;
    if (win.canvas.width !== width || win.canvas.height !== height) {
      win.canvas.width = width;
      win.canvas.height = height;
    }
    if (!win.image || win.image.width !== width || win.image.height !== height) win.image = new ImageData(width, height);
    win.image.data.set(new Uint8ClampedArray(f.pixels, f.top * row, (f.bottom - f.top) * row), f.top * row);
    win.context.putImageData(win.image, 0, 0, f.left, f.top, f.right - f.left, f.bottom - f.top);
    win.updates = f.updates;
  },

  iconUrl: function(pixels, width, height) {
    var canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(pixels), width, height), 0, 0);
    return canvas.toDataURL('image/png');
  },


  // ---- Windows ----------------------------------------------------------

  place: function(el, rect) {
    el.style.left = rect[0] + 'px';
    el.style.top = rect[1] + 'px';
    el.style.width = rect[2] + 'px';
    el.style.height = rect[3] + 'px';
  },

  // A top-level window's frame on the screen, its client area in the frame.
  placeTopLevel: function(win, place) {
    win.place = place;
    W.place(win.frame, place.frame);
    var c = place.client;
    W.place(win.client, [c[0] - place.frame[0], c[1] - place.frame[1], c[2], c[3]]);
    W.place(win.canvas, [0, 0, c[2], c[3]]);
  },

  element: function(tag, className, parent) {
    var el = document.createElement(tag);
    el.className = className;
    if (parent) parent.appendChild(el);
    return el;
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
          W.element('u', '', el).textContent = c;
          continue;
        }
      }
      plain += c;
    }
    if (plain) el.appendChild(document.createTextNode(plain));
  },

  // The caption: the title, and the close box where the window has one.
  createCaption: function(win, d) {
    var caption = W.element('div', 'win32-caption', win.frame);
    caption.style.left = caption.style.top = caption.style.right = d.border + 'px';
    caption.style.height = caption.style.lineHeight = (d.caption - 1) + 'px';
    win.titleText = W.element('span', 'win32-title', caption);
    win.titleText.id = 'win32-title-' + d.hwnd;
    win.titleText.textContent = d.title;
    if (!d.closable) return;
    var close = W.element('button', 'win32-close', caption);
    close.type = 'button';
    close.tabIndex = -1;
    close.setAttribute('aria-label', W.TEXT.close);
    close.title = W.TEXT.close;
    close.textContent = '\u00d7';
    close.addEventListener('click', function() {
      W.send('close', {hwnd: d.hwnd});
    });
  },

  createTopLevel: function(d) {
    var win = {hwnd: d.hwnd, owner: d.owner, title: d.title, enabled: true, updates: 0};
    win.frame = W.element('div', 'win32-window');
    win.frame.dataset.hwnd = d.hwnd;
    win.frame.hidden = !d.visible;
    W.createCaption(win, d);
    if (d.menu) W.createMenuBar(win, d);
    win.client = W.element('div', 'win32-client', win.frame);
    win.canvas = W.element('canvas', 'win32-canvas', win.client);
    // Pages that embed this one read the pixels back.
    win.context = win.canvas.getContext('2d', {alpha: false, willReadFrequently: true});
    W.placeTopLevel(win, d.place);
    win.canvas.width = d.place.client[2];
    win.canvas.height = d.place.client[3];
    win.frame.setAttribute('aria-labelledby', win.titleText.id);
    if (d.owner) {
      // A dialog's client area is the backdrop of its controls.
      win.frame.setAttribute('role', 'dialog');
      win.frame.setAttribute('aria-modal', 'true');
      win.frame.tabIndex = -1;
      win.canvas.setAttribute('aria-hidden', 'true');
    } else {
      win.frame.setAttribute('role', 'region');
      win.frame.tabIndex = 0;
      win.canvas.setAttribute('role', 'img');
      win.canvas.setAttribute('aria-label', d.title);
      if (!W.main) {
        W.main = win;
        document.title = d.title;
      }
    }
    W.screen.appendChild(win.frame);
    W.windows[d.hwnd] = win;
  },

  createControl: function(d) {
    var parent = W.windows[d.parent];
    if (!parent || !parent.client) return;
    var el;
    if (d.kind === 'button') {
      el = W.element('button', 'win32-control');
      el.type = 'button';
      el.tabIndex = -1;
      if (d.defaultButton) el.classList.add('win32-default');
      el.addEventListener('click', function() {
        W.send('click', {hwnd: d.hwnd});
      });
    } else if (d.kind === 'icon') {
      el = W.element('img', 'win32-control');
      el.alt = '';
    } else {
      el = W.element('span', 'win32-control');
    }
    if (d.kind !== 'icon') W.setLabel(el, d.title, d.prefix);
    el.hidden = !d.visible;
    W.place(el, d.place.frame);
    parent.client.appendChild(el);
    W.windows[d.hwnd] = {hwnd: d.hwnd, frame: el, control: true, kind: d.kind, prefix: d.prefix};
  },

  // ---- Focus ------------------------------------------------------------

  // The page's focus sits where the program's is; a window's frame stands
  // for the window itself.
  focusWindow: function(hwnd) {
    W.focus = hwnd;
    var win = W.windows[hwnd];
    if (win && W.menu.state === 'closed' && !win.frame.hidden) win.frame.focus({preventScroll: true});
  },

  // After the menu or a window let go of the focus, back to the program's.
  restoreFocus: function() {
    var active = document.activeElement;
    if (active && active !== document.body && active.isConnected) return;
    var win = W.windows[W.focus] || W.main;
    if (win && !win.frame.hidden) win.frame.focus({preventScroll: true});
  },

  // ---- The pointer ------------------------------------------------------

  // Browsers send pointer events when the page changes under a resting
  // pointer; only a pointer that moves takes a menu's selection.
  onPointerMove: function(e) {
    var p = W.pointer;
    p.moved = e.screenX !== p.x || e.screenY !== p.y;
    p.x = e.screenX;
    p.y = e.screenY;
  },

  // A press outside the menu in use closes it; a press on the screen's
  // background or a canvas leaves the focus where it is.
  onPointerDown: function(e) {
    var menu = W.menu;
    if (menu.win && !menu.win.frame.contains(e.target)) W.closeMenu();
    if (W.screen.parentNode.contains(e.target) && !e.target.closest('button')) e.preventDefault();
  },

  // ---- Menus ------------------------------------------------------------

  createMenuBar: function(win, d) {
    var bar = W.element('div', 'win32-menubar', win.frame);
    bar.setAttribute('role', 'menubar');
    bar.setAttribute('aria-keyshortcuts', 'F10 Alt');
    bar.style.left = bar.style.right = d.border + 'px';
    var top = d.border + d.caption;
    bar.style.top = top + 'px';
    bar.style.height = (d.place.client[1] - d.place.frame[1] - top - 1) + 'px';
    win.menuBar = bar;
    win.menuItems = d.menu;
    win.barEntries = d.menu.map(function(item, index) {
      var entry = W.element('div', 'win32-menu-entry', bar);
      entry.setAttribute('role', 'menuitem');
      entry.tabIndex = -1;
      W.setLabel(entry, item.text, true);
      if (item.items) {
        entry.setAttribute('aria-haspopup', 'menu');
        entry.setAttribute('aria-expanded', 'false');
      }
      W.menuEntryEvents(win, entry, index);
      return entry;
    });
  },

  // Entries answer a press, and a click without one (as assistive
  // technology clicks); moving onto another entry while a popup is open
  // opens that one's.
  menuEntryEvents: function(win, entry, index) {
    function toggle() {
      if (!win.enabled) return;
      var menu = W.menu;
      if (menu.win === win && menu.state === 'open' && menu.entry === index) W.closeMenu();
      else W.openPopup(win, index, 'none');
    }
    entry.addEventListener('mousedown', function(e) {
      e.preventDefault();
      W.pressedEntry = entry;
      toggle();
    });
    entry.addEventListener('click', function() {
      if (W.pressedEntry !== entry) toggle();
      W.pressedEntry = null;
    });
    entry.addEventListener('mousemove', function() {
      var menu = W.menu;
      if (W.pointer.moved && menu.win === win && menu.state === 'open' && menu.entry !== index)
        W.openPopup(win, index, 'none');
    });
  },

  createMenuItem: function(win, popup, item, index) {
    var el = W.element('div', item.separator ? 'win32-separator' : 'win32-menu-item', popup);
    if (item.separator) {
      el.setAttribute('role', 'separator');
      return el;
    }
    el.setAttribute('role', 'menuitem');
    el.tabIndex = -1;
    if (!item.usable) el.setAttribute('aria-disabled', 'true');
    if (item.shortcuts) el.setAttribute('aria-keyshortcuts', item.shortcuts);
    W.setLabel(el, item.text, true);
    el.addEventListener('mousemove', function() {
      if (W.pointer.moved) W.highlightItem(index);
    });
    el.addEventListener('mousedown', function(e) {
      e.preventDefault();
    });
    el.addEventListener('click', function() {
      W.pick(win, item);
    });
    return el;
  },

  highlight: function(list, index) {
    list.forEach(function(el, i) {
      el.classList.toggle('win32-highlight', i === index);
    });
    if (index >= 0 && list[index]) list[index].focus({preventScroll: true});
  },

  highlightItem: function(index) {
    W.menu.item = index;
    W.highlight(W.menu.popupItems, index);
  },

  // The bar with entry `index` highlighted and no popup.
  arm: function(win, index) {
    W.closePopup();
    var menu = W.menu;
    menu.win = win;
    menu.state = 'bar';
    menu.entry = index;
    W.highlight(win.barEntries, index);
  },

  // Opens entry `index`'s popup with its first or last usable item
  // highlighted ('first', 'last') or none ('none').
  openPopup: function(win, index, select) {
    W.arm(win, index);
    var entry = win.menuItems[index];
    if (!entry.items) return;
    var menu = W.menu;
    var popup = W.element('div', 'win32-popup', win.frame);
    popup.setAttribute('role', 'menu');
    popup.setAttribute('aria-label', entry.text.replace(/&(.)/g, '$1'));
    var anchor = win.barEntries[index];
    popup.style.left = win.menuBar.offsetLeft + anchor.offsetLeft + 'px';
    popup.style.top = win.menuBar.offsetTop + win.menuBar.offsetHeight + 'px';
    menu.popupItems = entry.items.map(function(item, i) {
      return W.createMenuItem(win, popup, item, i);
    });
    menu.popup = popup;
    menu.state = 'open';
    menu.item = -1;
    anchor.setAttribute('aria-expanded', 'true');
    if (select !== 'none') W.moveItem(select === 'first' ? 1 : -1);
  },

  closePopup: function() {
    var menu = W.menu;
    if (!menu.popup) return;
    menu.popup.remove();
    menu.popup = null;
    menu.popupItems = [];
    menu.item = -1;
    menu.state = 'bar';
    menu.win.barEntries.forEach(function(el) {
      if (el.hasAttribute('aria-expanded')) el.setAttribute('aria-expanded', 'false');
    });
  },

  closeMenu: function() {
    var menu = W.menu;
    if (!menu.win) return;
    W.closePopup();
    W.highlight(menu.win.barEntries, -1);
    menu.win = null;
    menu.state = 'closed';
    menu.entry = -1;
    var win = W.windows[W.focus] || W.main;
    if (win && !win.frame.hidden && !win.frame.inert) win.frame.focus({preventScroll: true});
  },

  pick: function(win, item) {
    if (!item.usable || item.items) return;
    W.closeMenu();
    W.send('command', {hwnd: win.hwnd, id: item.id});
  },

  // Next (step 1) or previous (-1) usable item of the open popup, wrapping.
  moveItem: function(step) {
    var menu = W.menu;
    var items = menu.win.menuItems[menu.entry].items;
    var n = items.length;
    var from = menu.item < 0 ? (step > 0 ? n - 1 : 0) : menu.item;
    for (var i = 1; i <= n; ++i) {
      var at = (from + step * i + n * n) % n;
      if (items[at].usable) return W.highlightItem(at);
    }
  },

  // The window whose menu the keyboard reaches: the main one while it takes input.
  menuWindow: function() {
    var win = W.main;
    if (!win || !win.menuBar || win.frame.hidden || !win.enabled) return null;
    return win;
  },

  // ---- Keyboard ---------------------------------------------------------

  // Keys the browser keeps for itself: reloading, full screen, its tools,
  // and everything with Control or the system key.
  browserKey: function(e) {
    return e.metaKey || (e.ctrlKey && !e.altKey) || e.code === 'F5' || e.code === 'F11' || e.code === 'F12';
  },

  onKeyDown: function(e) {
    if (W.ended || W.browserKey(e)) return;
    var vk = W.CODES[e.code];
    if (!vk) return;
    e.preventDefault();
    if (W.menu.state !== 'closed') return MenuKeys.press(vk);
    W.altAlone = vk === W.VK.MENU && (!e.repeat || W.altAlone);
    W.pressed[vk] = true;
    W.send('key', {vk: vk, down: 1});
    MenuKeys.enter(vk, e);
  },

  onKeyUp: function(e) {
    if (W.ended) return;
    var vk = W.CODES[e.code];
    if (!vk || !W.pressed[vk]) {
      if (vk && !W.browserKey(e)) e.preventDefault();
      return;
    }
    e.preventDefault();
    delete W.pressed[vk];
    W.send('key', {vk: vk, down: 0});
    if (vk === W.VK.MENU && W.altAlone) {
      W.altAlone = false;
      MenuKeys.altAlone();
    }
  },

  // The page lost the keyboard: keys held go up.
  releaseAll: function() {
    if (W.ended) return;
    Object.keys(W.pressed).forEach(function(vk) {
      W.send('key', {vk: +vk, down: 0});
    });
    W.pressed = {};
    W.altAlone = false;
    W.closeMenu();
  }
};

var MenuKeys = {
  ACTIONS: {
    //        bar            open popup
    MENU: ['close', 'close'],
    F10: ['close', 'close'],
    ESCAPE: ['close', 'backToBar'],
    LEFT: ['previousEntry', 'previousPopup'],
    RIGHT: ['nextEntry', 'nextPopup'],
    DOWN: ['openFirst', 'nextItem'],
    UP: ['openLast', 'previousItem'],
    RETURN: ['openFirst', 'choose'],
    SPACE: ['openFirst', 'choose']
  },

  press: function(vk) {
    var menu = W.menu;
    for (var name in MenuKeys.ACTIONS) {
      if (W.VK[name] === vk) return MenuKeys[MenuKeys.ACTIONS[name][menu.state === 'open' ? 1 : 0]](menu);
    }
    var list = menu.state === 'open' ? menu.win.menuItems[menu.entry].items : menu.win.menuItems;
    for (var i = 0; i < list.length; ++i) {
      if (list[i].key !== vk) continue;
      if (menu.state === 'open') W.pick(menu.win, list[i]);
      else W.openPopup(menu.win, i, 'first');
      return;
    }
  },

  // Keys that reached the program and put the menu in use: F10 alone
  // highlights the first entry, Alt with a letter opens the entry it marks.
  enter: function(vk, e) {
    var win = W.menuWindow();
    if (!win) return;
    if (vk === W.VK.F10 && !e.shiftKey && !e.altKey) return W.arm(win, 0);
    if (!e.altKey || vk === W.VK.MENU) return;
    for (var i = 0; i < win.menuItems.length; ++i) {
      if (win.menuItems[i].key === vk) return W.openPopup(win, i, 'first');
    }
  },

  // Alt pressed and released alone enters the menu bar, or leaves it.
  altAlone: function() {
    var win = W.menuWindow();
    if (W.menu.state !== 'closed') W.closeMenu();
    else if (win) W.arm(win, 0);
  },

  neighbour: function(menu, step) {
    var n = menu.win.barEntries.length;
    return (menu.entry + step + n) % n;
  },

  close: function() {
    W.closeMenu();
  },
  backToBar: function(menu) {
    W.arm(menu.win, menu.entry);
  },
  previousEntry: function(menu) {
    W.arm(menu.win, MenuKeys.neighbour(menu, -1));
  },
  nextEntry: function(menu) {
    W.arm(menu.win, MenuKeys.neighbour(menu, 1));
  },
  previousPopup: function(menu) {
    W.openPopup(menu.win, MenuKeys.neighbour(menu, -1), 'first');
  },
  nextPopup: function(menu) {
    W.openPopup(menu.win, MenuKeys.neighbour(menu, 1), 'first');
  },
  openFirst: function(menu) {
    W.openPopup(menu.win, menu.entry, 'first');
  },
  openLast: function(menu) {
    W.openPopup(menu.win, menu.entry, 'last');
  },
  nextItem: function() {
    W.moveItem(1);
  },
  previousItem: function() {
    W.moveItem(-1);
  },
  choose: function(menu) {
    if (menu.item >= 0) W.pick(menu.win, menu.win.menuItems[menu.entry].items[menu.item]);
  }
};

// ---- What the program's side sends ----------------------------------------

var HOST = {
  // The worker's script is running.
  loaded: function() {},

  // What the program did between two waits, shown in one go.
  batch: function(m) {
    m.messages.forEach(function(message) {
      HOST[message.op](message);
    });
  },

  start: function(m) {
    W.status('');
    W.start(m.constants);
  },

  windowCreate: function(m) {
    var d = JSON.parse(m.json);
    d.hwnd = d.place.hwnd;
    if (d.parent) W.createControl(d);
    else W.createTopLevel(d);
  },

  windowDestroy: function(m) {
    var win = W.windows[m.hwnd];
    if (!win) return;
    if (W.menu.win === win) W.closeMenu();
    win.frame.remove();
    delete W.windows[m.hwnd];
    W.restoreFocus();
  },

  windowShow: function(m) {
    var win = W.windows[m.hwnd];
    if (!win) return;
    win.frame.hidden = !m.visible;
    if (win.control) return;
    if (!m.visible && W.menu.win === win) W.closeMenu();
    // An owned window shown keeps its owner from taking input.
    var owner = W.windows[win.owner];
    if (owner) {
      if (m.visible) W.closeMenu();
      owner.frame.inert = !!m.visible;
    }
    // The program's focus follows at its next wait; until then the window holds it.
    if (m.visible && (owner || !W.windows[W.focus])) win.frame.focus({preventScroll: true});
    if (!m.visible) W.restoreFocus();
  },

  windowPlace: function(m) {
    var d = JSON.parse(m.json);
    var win = W.windows[d.hwnd];
    if (!win) return;
    if (win.control) W.place(win.frame, d.frame);
    else W.placeTopLevel(win, d);
  },

  windowTitle: function(m) {
    var win = W.windows[m.hwnd];
    if (!win) return;
    if (win.control) {
      if (win.kind !== 'icon') W.setLabel(win.frame, m.text, win.prefix);
      return;
    }
    win.title = m.text;
    win.titleText.textContent = m.text;
    if (W.main !== win) return;
    win.canvas.setAttribute('aria-label', m.text);
    document.title = m.text;
  },

  // The main window's small icon is the page's.
  windowIcon: function(m) {
    if (!W.main || W.main.hwnd !== m.hwnd) return;
    var link = document.querySelector('link[rel~="icon"]');
    if (!link) link = W.element('link', '', document.head);
    link.rel = 'icon';
    link.type = 'image/png';
    link.href = W.iconUrl(m.pixels, m.width, m.height);
  },

  controlIcon: function(m) {
    var win = W.windows[m.hwnd];
    if (!win || win.kind !== 'icon') return;
    win.frame.src = W.iconUrl(m.pixels, m.width, m.height);
    win.frame.width = m.width;
    win.frame.height = m.height;
    win.frame.style.width = m.width + 'px';
    win.frame.style.height = m.height + 'px';
  },

  focus: function(m) {
    W.focusWindow(m.hwnd);
  },

  // Whether a window takes input: its menu answers only then.
  enabled: function(m) {
    var win = W.windows[m.hwnd];
    if (win) win.enabled = m.enabled;
  },

  frame: function(m) {
    var win = W.windows[m.hwnd];
    if (win && win.canvas) W.put(win, m);
    W.send('buffer', {buffer: m.pixels}, [m.pixels]);
  },

  // Scripts that embed the page read the exit code from window.@WEB_EXIT_VARIABLE@.
  ended: function(m) {
    W.closeMenu();
    W.ended = true;
    window['@WEB_EXIT_VARIABLE@'] = m.code;
    W.status(W.TEXT.ended, document.title, m.code);
  },

  abort: function(m) {
    W.status(m.started ? W.TEXT.crashed : W.TEXT.noModule, m.what.replace(/ Build with.*/, ''));
  }
};

// ---- Start ----------------------------------------------------------------

// The worker's script and the module are fetched side by side; the module is
// compiled here as it arrives and handed over with the screen's size.
function start() {
  W.screen = document.getElementById('win32-screen');
  W.layout();
  var worker = W.worker = new Worker('@WEB_SCRIPT@');
  worker.onmessage = function(e) {
    W.heard = true;
    HOST[e.data.op](e.data);
  };
  worker.onerror = function(e) {
    e.preventDefault();
    W.status(W.heard ? W.TEXT.crashed : W.TEXT.noScript, e.message);
  };
  fetch('@WEB_MODULE@', {credentials: 'same-origin'}).then(function(response) {
    if (!response.ok) throw new Error('HTTP ' + response.status);
    var bytes = response.clone();
    // A server that does not send application/wasm: compile from the bytes.
    return WebAssembly.compileStreaming(response).catch(function() {
      return bytes.arrayBuffer().then(WebAssembly.compile);
    });
  }).then(function(module) {
    W.send('start', {module: module, screen: W.screenSize()});
  }, function(error) {
    W.status(W.TEXT.noModule, String(error));
  });
}

start();
