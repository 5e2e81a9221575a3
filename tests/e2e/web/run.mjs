// node run.mjs chromium|firefox|webkit WEB_DIR BIN_DIR: runs scenario.mjs on
// the page in WEB_DIR (scripts/web), which it serves itself, in one engine,
// against pofurin-render's frames from BIN_DIR. Prints PASS or FAIL per check,
// exits 0 only if all passed; ends all it starts within POFURIN_E2E_TIME_LIMIT
// seconds (default 150).
import {execFile, execFileSync, spawn} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import {promisify} from 'node:util';
import puppeteer from 'puppeteer-core';
import {cases, CLIENT_W, CLIENT_H, REFERENCE_FRAMES} from './scenario.mjs';

const [engine, webDir, binDir] = process.argv.slice(2);
const here = path.dirname(new URL(import.meta.url).pathname);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'pofurin-web-e2e.'));
const run = promisify(execFile);
let failures = 0, browser = null;

function fail(why) {
  console.error(`FAIL web-e2e ${engine}: ${why}`);
  finish(1);
}

async function finish(code) {
  await Promise.race([browser?.close(), new Promise(r => setTimeout(r, 5000))]).catch(() => {});
  browser?.kill();
  fs.rmSync(work, {recursive: true, force: true});
  process.exit(code);
}

const TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// WEB_DIR, with the current case's files (text, or null for a 404) over it.
function serve(t) {
  const server = http.createServer((req, res) => {
    const url = req.url === '/' ? '/index.html' : req.url;
    let body = t.files[req.url] ?? t.files[url], file = path.join(webDir, url), headers = {};
    // scripts/web's .br or .gz twin, when the browser takes that encoding.
    const encoding = body === undefined && ['br', 'gzip'].find(e => (req.headers['accept-encoding'] ?? '').includes(e)
      && fs.existsSync(file + (e === 'br' ? '.br' : '.gz')));
    if (encoding) [file, headers] = [file + (encoding === 'br' ? '.br' : '.gz'), {'Content-Encoding': encoding}];
    if (body === undefined) body = fs.existsSync(file) ? fs.readFileSync(file) : null;
    t.requests.push([req.url, body === null ? 404 : 200, encoding, body?.length]);
    res.writeHead(body === null ? 404 : 200, {'Content-Type': TYPES[path.extname(url)] ?? 'text/plain', ...headers});
    res.end(body ?? '');
  });
  return new Promise(r => server.listen(0, '127.0.0.1', () => r(server)));
}

const md5 = data => crypto.createHash('md5').update(data).digest('hex');

// pofurin-render's 竹 frames, cropped to the client area: md5 -> frame number.
async function referenceFrames() {
  const frames = path.join(work, 'frames'), crops = path.join(work, 'crops');
  fs.mkdirSync(crops);
  await run(path.join(binDir, 'pofurin-render'), ['--run', `take ${REFERENCE_FRAMES}`, '--out', frames]);
  await run('convert', [path.join(frames, 'frame-*.png') + `[${CLIENT_W}x${CLIENT_H}+0+0]`, '+repage', '-depth', '8',
                        path.join(crops, 'crop-%03d.rgb')]);
  const reference = new Map([[md5(Buffer.alloc(CLIENT_W * CLIENT_H * 3)), 0]]);
  fs.readdirSync(crops).sort().forEach((f, n) => reference.set(md5(fs.readFileSync(path.join(crops, f))), n + 1));
  if (reference.size !== REFERENCE_FRAMES + 1) throw new Error(`pofurin-render gave ${reference.size - 1} distinct frames`);
  return reference;
}

// Chromium over CDP and Firefox ESR over WebDriver BiDi, both at a device
// pixel ratio of 1.5 (so the page must scale by whole pixels).
async function puppet(firefox) {
  const b = await puppeteer.launch({
    browser: firefox ? 'firefox' : 'chrome', protocol: firefox ? 'webDriverBiDi' : 'cdp', headless: true,
    executablePath: firefox ? '/usr/bin/firefox-esr' : '/usr/bin/chromium', userDataDir: path.join(work, 'profile'),
    args: firefox ? [] : ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
                          '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
                          '--window-size=800,600', '--force-device-scale-factor=1.5'],
    defaultViewport: null});
  const page = (await b.pages())[0] ?? await b.newPage();
  // Chromium's own emulated ratio lays out in 1/64 CSS pixels, not whole device pixels.
  if (firefox) await page.setViewport({width: 800, height: 600, deviceScaleFactor: 1.5});
  const errors = [];
  page.on('console', m => ['error', 'warn'].includes(m.type()) && errors.push(m.text()));
  page.on('pageerror', e => errors.push(String(e)));
  return {
    ratio: 1.5, errors: () => errors.splice(0), load: url => page.goto(url), eval: expression => page.evaluate(expression),
    async keys(chord) {
      const held = chord.split('+'), key = held.pop();
      for (const m of held) await page.keyboard.down(m);
      await page.keyboard.press(key);
      for (const m of held.reverse()) await page.keyboard.up(m);
    },
    click: (x, y) => page.mouse.click(x, y), screenshot: () => page.screenshot(),
    close: () => b.close(), kill: () => b.process()?.kill('SIGKILL'),
  };
}

const X_KEYS = {ArrowDown: 'Down', ArrowUp: 'Up', ArrowLeft: 'Left', ArrowRight: 'Right', Enter: 'Return',
                Alt: 'alt', Shift: 'shift', Control: 'ctrl', '?': 'question'};

// WebKitGTK in webkit.py on a private Xvfb at GDK_SCALE 2, since GTK 3 has no
// fractional scales; keys and pointer are a person's, through xdotool.
async function webkit() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-noreset', '-nolisten', 'tcp', '-screen', '0', '1600x1200x24'],
                     {stdio: ['ignore', 'ignore', 'ignore', 'pipe'], detached: true});
  const display = await new Promise(r => xvfb.stdio[3].once('data', d => r(':' + String(d).trim())));
  const env = {...process.env, DISPLAY: display, GDK_SCALE: '2', GDK_BACKEND: 'x11', NO_AT_BRIDGE: '1'};
  const view = spawn('/usr/bin/python3', [path.join(here, 'webkit.py')], {env, detached: true,
                                                                      stdio: ['pipe', 'pipe', 'inherit']});
  const answers = readline.createInterface({input: view.stdout})[Symbol.asyncIterator]();
  const ask = async (...request) => {
    view.stdin.write(JSON.stringify(request) + '\n');
    const {value, done} = await answers.next();
    const answer = done ? {error: 'webkit.py has ended'} : JSON.parse(value);
    if ('error' in answer) throw new Error(answer.error);
    return answer.ok;
  };
  const xdo = (...args) => run('xdotool', args, {env});
  await xdo('mousemove', '1', '1');
  return {
    ratio: 2, load: url => ask('load', url), eval: expression => ask('eval', expression),
    keys: k => xdo('key', k.split('+').map(key => X_KEYS[key] ?? key).join('+')),
    click: (x, y) => xdo('mousemove', String(x * 2), String(y * 2), 'click', '1'),
    screenshot: async () => (await run('import', ['-window', 'root', 'png:-'], {env, encoding: 'buffer'})).stdout,
    errors: () => ask('console'), close: () => view.stdin.end(),
    kill() { for (const p of [view, xvfb]) try { process.kill(-p.pid, 'SIGKILL'); } catch {} },
  };
}

function check(name, ok, why = '') {
  failures += !ok;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${ok || !why ? '' : ': ' + why}`);
  return ok;
}

// probe() until it gives something true, at most `seconds`.
async function until(seconds, probe) {
  for (const end = Date.now() + seconds * 1000; ; await new Promise(r => setTimeout(r, 50))) {
    const value = await probe();
    if (value || Date.now() >= end) return value;
  }
}

// The page-side helpers every b.page(fn, ...args) may use.
const PAGE_HELPERS = String.raw`
  const $ = s => document.querySelector(s), $$ = s => [...document.querySelectorAll(s)];
  const text = id => document.getElementById(id)?.textContent ?? '';
  const nameOf = e => e.getAttribute('aria-labelledby')?.split(' ').map(text).join(' ')
    ?? e.getAttribute('aria-label') ?? e.getAttribute('alt') ?? e.textContent.trim();
  const names = s => $$(s).map(nameOf);
  const visible = s => $$(s).filter(e => e.checkVisibility());
  const center = e => { const r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; };
  const rectOf = e => { const r = e.getBoundingClientRect(), s = devicePixelRatio;
                        return [r.left * s, r.top * s, r.width * s, r.height * s]; };
  // The main window's canvas as RGB bytes in base64, or '' if not all opaque.
  const canvasRGB = () => { const c = $('.win32-window:not([role=dialog]) canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let s = '';
    for (let i = 0; i < d.length; i += 4) {
      if (d[i + 3] !== 255) return '';
      s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
    }
    return btoa(s); };`;

async function main() {
  if (!['chromium', 'firefox', 'webkit'].includes(engine) || !binDir) return fail('usage: run.mjs chromium|firefox|webkit WEB_DIR BIN_DIR');
  for (const f of ['index.html', 'pofurin.js', 'pofurin.wasm'])
    if (!fs.existsSync(path.join(webDir, f))) return fail(`${webDir}/${f} is missing (run scripts/web)`);
  const limit = Number(process.env.POFURIN_E2E_TIME_LIMIT ?? 150);
  setTimeout(() => fail('out of time'), limit * 1000).unref();
  const frames = referenceFrames();
  frames.catch(() => {});
  const b = browser = await (engine === 'webkit' ? webkit() : puppet(engine === 'firefox'));
  b.page = (fn, ...args) => b.eval(`(async () => { ${PAGE_HELPERS}
    return (${fn})(${args.map(a => JSON.stringify(a)).join(', ')}); })()`);
  const t = {engine, check, until, requests: [], files: {}, reference: await frames,
             frameOf: rgb => t.reference.get(md5(Buffer.from(rgb ?? '', 'base64')))};
  const server = await serve(t);
  for (const c of cases) {
    Object.assign(t, {requests: [], files: c.files ?? {}, state: {}});
    await b.errors();
    await b.load(`http://127.0.0.1:${server.address().port}/`);
    try {
      for (const step of c.steps) await step(b, t);
    } catch (e) {
      check(`${c.name} goes to its end`, false, e.message);
    }
  }
  server.close();
  if (failures) return fail(`${failures} check(s) failed`);
  console.log(`PASS web-e2e ${engine}`);
  finish(0);
}

main().catch(e => fail(e.stack ?? e));
