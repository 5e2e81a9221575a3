// The browser page's end-to-end scenario: the same steps in every engine
// (run.mjs drives Chromium, Firefox and WebKitGTK).
// To add a case, append {name, files, steps} to `cases`: each case loads '/'
// afresh, with `files` ({'/url': text, or null for a 404}) served over the
// built page; its steps are async (b, t) functions run in order, sharing
// t.state, and a step that throws ends its case. b is the engine: b.page(fn,
// ...args) runs fn in the page (with run.mjs's PAGE_HELPERS), b.keys('Alt+
// Shift+?') and b.click(x, y) are a person's, b.screenshot() is a PNG of the
// viewport in device pixels, b.errors() the console's errors and warnings
// since last asked. t has check, until, frameOf, requests and reference.
import {execFileSync} from 'node:child_process';

export const CLIENT_W = 194, CLIENT_H = 156;
// 竹 frames to compare with: the steps see a few at 100 ms and a second or
// so at 10 ms.
export const REFERENCE_FRAMES = 300;
const TITLE = 'ポフリン発生ソフト', ABOUT_TITLE = 'ﾊﾞｰｼﾞｮﾝ情報', BAR = ['メニュー', 'ヘルプ'];
const ITEMS = ['ポフリンを発生させる（発生パターン梅）', 'ポフリンを発生させる（発生パターン竹）',
  'ポフリンを発生させる（発生パターン松）', 'ＰＣにがんばってもらって発生速度を速める', '発生速度を通常に戻す',
  'ｱﾌﾟﾘｹｰｼｮﾝの終了(X)'];
const MENUBAR = '[role=menubar] > [role=menuitem]', MENU = '[role=menu] > [role=menuitem]';
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const sleep = ms => new Promise(r => setTimeout(r, ms));

async function clickOn(b, css, n = 0) {
  await b.click(...await b.page((css, n) => center($$(css)[n]), css, n));
}

async function openMenu(b, t) {
  await clickOn(b, MENUBAR);
  return t.until(2, () => b.page(() => !!$('[role=menu]')));
}

async function theWindow(b, t) {
  if (!t.check('the page shows a window', await t.until(20, () => b.page(() => !!$('.win32-window[role=region]')))))
    throw new Error('no window to go on with');
  const w = await b.page(() => {
    const w = $('.win32-window[role=region]');
    return {title: document.title, caption: w.querySelector('.win32-caption').innerText.trim(), size: rectOf(w).slice(2),
            bar: names('[role=menubar] > [role=menuitem]'), label: nameOf(w.querySelector('canvas')), black: canvasRGB()};
  });
  t.check("the document's title is the window's", w.title === TITLE, w.title);
  t.check('the title bar shows ' + TITLE, w.caption === TITLE, w.caption);
  t.check('the window is 200 x 200 whole device pixels of 2 x 2', same(w.size.map(v => +v.toFixed(3)), [400, 400]),
          w.size);
  const icon = await b.page(() => new Promise(done => {
    const link = $('link[rel~=icon]'), img = new Image();
    img.onload = () => done([link.href.slice(0, 22), img.naturalWidth, img.naturalHeight]);
    img.onerror = () => done(null);
    img.src = link.href;
  }));
  t.check("the page's icon is a square image of its own",
          icon?.[0] === 'data:image/png;base64,' && icon[1] === icon[2] && icon[1] >= 16, icon);
  t.check("the menu bar's items", same(w.bar, BAR), w.bar);
  t.check('the canvas has a label', w.label === TITLE, w.label);
  t.check('before any command the canvas is all black', t.frameOf(w.black) === 0);
}

async function theMenu(b, t) {
  await openMenu(b, t);
  const menu = await b.page(() => [names('[role=menu] > [role=menuitem]'), names('[role=menu]')]);
  t.check('メニュー opens with its items, in order', same(menu[0], ITEMS), menu[0]);
  t.check('the open menu is named メニュー', same(menu[1], [BAR[0]]), menu[1]);
  for (const k of ['Escape', 'Escape']) await b.keys(k);
  t.check('Escape closes it', await t.until(2, () => b.page(() => !$('[role=menu]'))));
}

async function bamboo(b, t) {
  // 竹 from the keyboard: F10, Down opens メニュー on its first item.
  for (const k of ['F10', 'ArrowDown', 'ArrowDown']) await b.keys(k);
  const lit = await t.until(2, () => b.page(() => names('[role=menu] > .win32-highlight')).then(n => n.length && n));
  t.check('F10 and the arrows reach the 竹 item', same(lit, [ITEMS[1]]), lit);
  await b.keys('Enter');
  t.check('Return chooses it and closes the menu', await t.until(2, () => b.page(() => !$('[role=menu]'))));
  // The fast speed with the mouse.
  await openMenu(b, t);
  await clickOn(b, MENU, 3);
  const seen = [];
  let strangers = 0;
  for (const end = Date.now() + 3000; Date.now() < end && seen.length < 8;) {
    const frame = t.frameOf(await b.page(() => canvasRGB()));
    if (frame === undefined) strangers++;
    else if (seen.at(-1) !== frame) seen.push(frame);
  }
  console.log(`INFO 竹 frames seen: ${seen}`);
  t.check('after 竹 and the fast speed the canvas animates', seen.length >= 8, seen);
  t.check('every canvas read is a pofurin-render 竹 frame, byte for byte', strangers === 0,
          `${strangers} read(s) matched none of frames 0..${REFERENCE_FRAMES}`);
  t.check('the frames come in order', same(seen, [...seen].sort((x, y) => x - y)), seen);
}

// What reaches the screen: each canvas pixel as a 2 x 2 block of device
// pixels. An X screen may show a frame a moment late, so look again a while.
async function theScreen(b, t) {
  const rect = await b.page(() => rectOf($('.win32-window[role=region] canvas')));
  const [x, y, w, h] = rect.map(Math.round);
  const crisp = await t.until(2, async () => {
    const raw = execFileSync('convert', ['png:-', '-crop', `${w}x${h}+${x}+${y}`, '+repage', '-depth', '8', 'rgb:-'],
                             {input: await b.screenshot()});
    if (raw.length !== w * h * 3 || w !== 2 * CLIENT_W || h !== 2 * CLIENT_H) return false;
    const small = Buffer.alloc(CLIENT_W * CLIENT_H * 3);
    for (let r = 0; r < h; r++)
      for (let c = 0; c < w; c++) {
        const at = (r * w + c) * 3, to = ((r >> 1) * CLIENT_W + (c >> 1)) * 3;
        if (r % 2 === 0 && c % 2 === 0) raw.copy(small, to, at, at + 3);
        else if (raw.compare(small, to, to + 3, at, at + 3)) return false;
      }
    return t.frameOf(small.toString('base64')) !== undefined;
  });
  t.check(`on the screen at ratio ${b.ratio}, whole 2 x 2 pixels of a 竹 frame`,
          crisp && rect.every(v => +v.toFixed(3) === Math.round(v)), `canvas at ${rect} device pixels`);
}

async function aboutBox(b, t) {
  const before = await b.page(() => canvasRGB());
  await b.keys('Alt+Shift+?');
  const name = await t.until(5, () => b.page(() => visible('[role=dialog]').map(nameOf)[0]));
  if (!t.check('Alt+"?" opens a dialog named ' + ABOUT_TITLE, name === ABOUT_TITLE, name)) return;
  // Placed from dialog units: OK at (195, 6), 30 x 11, with the template
  // font's 6 x 12 base units.
  const d = await b.page(() => {
    const d = visible('[role=dialog]')[0], ok = d.querySelector('button.win32-control'), c = d.querySelector('canvas');
    const o = ok.getBoundingClientRect(), r = c.getBoundingClientRect(), k = r.width / c.width;
    return {texts: [...d.querySelectorAll('span.win32-control')].map(e => e.innerText), ok: ok.innerText,
            icon: [...d.querySelectorAll('img.win32-control')].map(i => [i.naturalWidth, i.naturalHeight]),
            place: [o.left - r.left, o.top - r.top, o.width, o.height].map(v => +(v / k).toFixed(3)),
            isDefault: ok.classList.contains('win32-default')};
  });
  t.check('it shows the name and version, and the notice',
          d.texts.length === 2 && d.texts[0] === 'ポフリン発生 Version 1.0' && d.texts[1], d.texts);
  t.check('and the 32 x 32 icon', same(d.icon, [[32, 32]]), d.icon);
  t.check('its default OK button sits where the dialog units put it',
          d.ok === 'OK' && d.isDefault && same(d.place, [293, 9, 45, 17]), `${d.ok} at ${d.place}`);
  await sleep(300);
  const during = await b.page(() => canvasRGB());
  t.check('the animation goes on behind it', during !== before && t.frameOf(during) !== undefined);
  await b.keys('Escape');
  t.check('Escape closes it', await t.until(5, () => b.page(() => !visible('[role=dialog]').length)));
  await sleep(100);
  const after = await b.page(() => canvasRGB());
  t.check('the canvas changed meanwhile', ![before, during].includes(after) && t.frameOf(after) !== undefined);
}

async function theExit(b, t) {
  for (const k of ['F10', 'ArrowDown', 'x']) await b.keys(k);
  const [code] = await t.until(5, () => b.page(() => 'pofurinExitCode' in window && [window.pofurinExitCode])) || [];
  t.check('X in メニュー ends the program with exit code 0', code === 0, code);
  const end = await b.page(() => [$('#win32-status').innerText, $$('.win32-window').length]);
  t.check('the page says so, in Japanese', end[0].includes('終了しました') && end[0].includes('0'), end[0]);
  t.check('the window is gone', end[1] === 0, end[1]);
}

async function quiet(b, t) {
  const errors = await b.errors();
  t.check('no errors or warnings on the console', !errors.length, errors.join(' | ').slice(0, 500));
  const page = ['/', '/pofurin.js', '/pofurin.wasm'];
  t.check('the page asks for its three files and nothing else',
          same(t.requests.map(([url, status]) => page.includes(url) && status === 200), [true, true, true]), t.requests);
  const wasm = t.requests.find(([url]) => url === '/pofurin.wasm');
  t.check('the module travels compressed, under 100 KB', !!wasm?.[2] && wasm[3] < 100000, wasm);
}

// A pointer resting where a menu opens does not take the keys' selection;
// element.click() opens a menu bar entry; the focus is never left on BODY.
async function keysAndPointer(b, t) {
  const focus = () => b.page(() => document.activeElement.className);
  t.check('the window has the focus from the start', await t.until(5, focus) === 'win32-window', await focus());
  await openMenu(b, t);
  await clickOn(b, MENU, 4);  // 発生速度を通常に戻す; the pointer stays there
  for (const k of ['F10', 'ArrowDown', 'ArrowDown']) await b.keys(k);
  const lit = await t.until(2, () => b.page(() => names('[role=menu] > .win32-highlight')).then(n => n.length && n));
  t.check('with the pointer resting there, F10 and the arrows still reach the 竹 item', same(lit, [ITEMS[1]]), lit);
  for (const k of ['Escape', 'Escape']) await b.keys(k);
  const help = await b.page((bar, menu) => { document.querySelectorAll(bar)[1].click();
    return [names('[role=menu]'), $$(menu).map(e => e.getAttribute('aria-keyshortcuts'))]; }, MENUBAR, MENU);
  t.check('click() opens ヘルプ, whose item names Alt+? as its shortcut',
          same(help[0], [BAR[1]]) && help[1][0]?.split(' ').includes('Alt+?'), help);
  for (const k of ['Escape', 'Escape']) await b.keys(k);
  t.check('closing the menu gives the focus back to the window', await t.until(2, async () => await focus() === 'win32-window'));
  // The About box's one tab stop is OK: the program's dialog manager keeps it there.
  await b.keys('Alt+Shift+?');
  const focused = () => b.page(() => [document.activeElement.tagName, document.activeElement.innerText]);
  const at = [await t.until(5, async () => { const f = await focused(); return f[0] === 'BUTTON' && f; })];
  for (const k of ['Tab', 'Shift+Tab']) {
    await b.keys(k);
    await sleep(200);
    at.push(await focused());
  }
  t.check('in the About box OK has the focus, and keeps it through Tab and Shift+Tab',
          at.every(f => same(f, ['BUTTON', 'OK'])), JSON.stringify(at));
  await b.keys('Enter');
  t.check('Return closes it and the focus is back on the window', await t.until(5, () => b.page(
    () => !visible('[role=dialog]').length && document.activeElement.className === 'win32-window')));
}

// With JavaScript off (a sandboxed frame runs no script) the page keeps its
// title and says, in Japanese, what to do.
async function noScript(b, t) {
  const seen = await b.page(() => new Promise(done => {
    const f = document.createElement('iframe');
    f.sandbox = 'allow-same-origin';
    f.onload = () => done([f.contentDocument.title,
                           [...f.contentDocument.querySelectorAll('p')].filter(p => p.checkVisibility()).map(p => p.innerText)]);
    f.src = '/';
    document.body.append(f);
  }));
  t.check('without JavaScript: the title, and a message to turn it on',
          seen[0] === TITLE && seen[1].length === 1 && seen[1][0].includes('JavaScript を有効に'), JSON.stringify(seen));
}

// A hidden page is sent no frames, and its program waits a second at a time,
// as a browser holds back a hidden page's timers; shown, it goes on.
async function hiddenPage(b, t) {
  // Shown again, the page answers with the first frame that then lands.
  const hide = hidden => b.page(hidden => new Promise(done => {
    const proto = CanvasRenderingContext2D.prototype, put = proto.putImageData;
    if (hidden) done();
    else proto.putImageData = function(...args) { proto.putImageData = put; put.apply(this, args); done(canvasRGB()); };
    Object.defineProperty(document, 'hidden', {configurable: true, value: hidden});
    document.dispatchEvent(new Event('visibilitychange'));
  }), hidden);
  await t.until(20, () => b.page(css => !!$(css), MENUBAR));
  for (const item of [1, 3]) {  // 竹, fast
    await openMenu(b, t);
    await clickOn(b, MENU, item);
  }
  await sleep(300);
  await hide(true);
  await sleep(100);
  const first = t.frameOf(await b.page(() => canvasRGB()));
  await sleep(2000);
  const last = t.frameOf(await b.page(() => canvasRGB()));
  const next = t.frameOf(await hide(false));
  t.check('hidden, the page is sent no frames', first > 0 && first === last, [first, last]);
  t.check('its program ticks a few times in 2 s, and goes on when shown', next > last && next - last <= 10, [last, next]);
}

// A file that does not load: the page names it.
async function failedFile(b, t) {
  const file = Object.keys(t.files)[0].slice(1);
  const said = await t.until(10, () => b.page(() => $('#win32-status').checkVisibility() && [document.title, $('#win32-status').innerText])
    .then(s => s && s[1].includes('読み込め') && s));
  t.check(`when ${file} does not load, the page says so`, said && said[0] === TITLE && said[1].includes(file), said);
}

export const cases = [
  {name: 'the program, from its window to its exit', steps: [theWindow, theMenu, bamboo, theScreen, aboutBox, theExit,
                                                             quiet]},
  {name: 'the keyboard and the pointer', steps: [keysAndPointer]},
  {name: 'the page hidden and shown again', steps: [hiddenPage]},
  {name: 'the page without JavaScript', steps: [noScript]},
  {name: 'the page without its module', files: {'/pofurin.wasm': null}, steps: [failedFile]},
  {name: 'the page without its script', files: {'/pofurin.js': null}, steps: [failedFile]},
];
