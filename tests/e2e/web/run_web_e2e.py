#!/usr/bin/python3
"""Drives the browser page (build/web) in headless Chromium like a user and
checks what it shows against the frames pofurin-render draws headless.

Usage: run_web_e2e.py WEB_DIR BIN_DIR
  WEB_DIR holds index.html, pofurin.js and pofurin.wasm (scripts/web);
  BIN_DIR holds pofurin-render (the Linux build's bin/).

Serves WEB_DIR on a local port it picks, runs Chromium at a device pixel
ratio of 1.5 (so the page must scale by whole pixels), and prints PASS or
FAIL per check; exit code 0 only if every check passed. Everything it starts
it also ends, within POFURIN_E2E_TIME_LIMIT seconds (default 150).
"""
import base64
import functools
import hashlib
import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

TITLE = "ポフリン発生ソフト"
ABOUT_TITLE = "ﾊﾞｰｼﾞｮﾝ情報"
BAR = ["メニュー", "ヘルプ"]
ITEMS = [
    "ポフリンを発生させる（発生パターン梅）",
    "ポフリンを発生させる（発生パターン竹）",
    "ポフリンを発生させる（発生パターン松）",
    "ＰＣにがんばってもらって発生速度を速める",
    "発生速度を通常に戻す",
    "ｱﾌﾟﾘｹｰｼｮﾝの終了(X)",
]
CLIENT_W, CLIENT_H = 194, 156
DEVICE_SCALE = 1.5
# 竹 frames to compare with: the checks below see a few at 100 ms and a
# second or so at 10 ms.
REFERENCE_FRAMES = 300
PAGE_FILES = {"/", "/pofurin.js", "/pofurin.wasm"}
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=800,600", "--force-device-scale-factor=%g" % DEVICE_SCALE,
]

failures = 0


def check(name, ok, why=""):
    global failures
    if ok:
        print("PASS " + name)
    else:
        failures += 1
        print("FAIL " + name + (": " + why if why else ""))
    sys.stdout.flush()
    return ok


def fail(why):
    print("FAIL web-e2e: " + why, file=sys.stderr)
    sys.exit(1)


def until(seconds, probe):
    """probe() until it returns something true, at most `seconds`."""
    end = time.monotonic() + seconds
    while True:
        value = probe()
        if value or time.monotonic() >= end:
            return value
        time.sleep(0.05)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def start_server(root, requests):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def log_request(self, code="-", size="-"):
            requests.append((self.path, int(code) if str(code).isdigit() else 0))

    server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=root))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


# ---- The page -----------------------------------------------------------

# The canvas's pixels as RGB bytes, base64, with a count of non-opaque ones.
CANVAS_RGB = """
const c = document.querySelector('.win32-window:not([role=dialog]) canvas');
if (!c) return null;
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
let s = '', opaque = true;
for (let i = 0; i < d.length; i += 4) {
  s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
  if (d[i + 3] !== 255) opaque = false;
}
return [c.width, c.height, opaque, btoa(s)];
"""


def canvas_rgb(driver):
    got = driver.execute_script(CANVAS_RGB)
    if not got:
        return None
    width, height, opaque, data = got
    if (width, height) != (CLIENT_W, CLIENT_H) or not opaque:
        return b""
    return base64.b64decode(data)


def md5(data):
    return hashlib.md5(data).hexdigest()


def key(driver, kind, name, code, vk, modifiers=0):
    driver.execute_cdp_cmd("Input.dispatchKeyEvent", {
        "type": kind, "key": name, "code": code, "windowsVirtualKeyCode": vk, "modifiers": modifiers})


def press(driver, name, code, vk, modifiers=0):
    key(driver, "rawKeyDown", name, code, vk, modifiers)
    key(driver, "keyUp", name, code, vk, modifiers)


def names(driver, css):
    return [e.accessible_name for e in driver.find_elements("css selector", css)]


def visible_dialog(driver):
    return [d for d in driver.find_elements("css selector", "[role=dialog]") if d.is_displayed()]


def main():
    if len(sys.argv) != 3:
        fail("usage: %s WEB_DIR BIN_DIR" % sys.argv[0])
    web_dir, bin_dir = sys.argv[1], sys.argv[2]
    for f in ("index.html", "pofurin.js", "pofurin.wasm"):
        if not os.path.isfile(os.path.join(web_dir, f)):
            fail("%s/%s is missing (run scripts/web)" % (web_dir, f))
    render = os.path.join(bin_dir, "pofurin-render")
    if not os.access(render, os.X_OK):
        fail(render + " is missing (build the linux preset)")
    for tool in ("chromium", "chromedriver", "convert"):
        if not shutil.which(tool):
            fail(tool + " not found (scripts/setup installs it)")
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        fail("python3-selenium is missing (scripts/setup installs it)")

    work = tempfile.mkdtemp(prefix="pofurin-web-e2e.")
    started = []
    driver = server = None

    def on_alarm(*_):
        raise TimeoutError("out of time")

    signal.signal(signal.SIGALRM, on_alarm)
    signal.alarm(int(os.environ.get("POFURIN_E2E_TIME_LIMIT", "150")))
    try:
        # Reference frames, drawn while the browser comes up.
        frames_dir = os.path.join(work, "frames")
        render_log = open(os.path.join(work, "render.log"), "w")
        renderer = subprocess.Popen([render, "--run", "take %d" % REFERENCE_FRAMES, "--out", frames_dir],
                                    stdout=render_log, stderr=subprocess.STDOUT)
        started.append(renderer)

        requests = []
        server = start_server(web_dir, requests)
        options = webdriver.ChromeOptions()
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + os.path.join(work, "profile"))
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        driver.set_script_timeout(10)
        driver.get("http://127.0.0.1:%d/" % server.server_address[1])

        # --- The window ----------------------------------------------------
        main_window = until(20, lambda: driver.find_elements("css selector", ".win32-window[role=region]"))
        if not check("the page shows a window", bool(main_window)):
            fail("cannot go on without the window")
        main_window = main_window[0]
        check("the document's title is the window's", driver.title == TITLE, repr(driver.title))
        caption = driver.find_element("css selector", ".win32-window[role=region] .win32-caption").text
        check("the title bar shows " + TITLE, caption == TITLE, repr(caption))
        size = driver.execute_script(
            "const r = arguments[0].getBoundingClientRect(), s = devicePixelRatio;"
            "return [r.width * s, r.height * s];", main_window)
        check("the window is 200 x 200 whole device pixels of 2 x 2",
              [round(v, 3) for v in size] == [400, 400], repr(size))
        icon = driver.execute_async_script("""
            const done = arguments[arguments.length - 1], link = document.querySelector('link[rel~=icon]');
            const img = new Image();
            img.onload = () => done([link.href.slice(0, 22), img.naturalWidth, img.naturalHeight]);
            img.onerror = () => done(null);
            img.src = link.href;""")
        check("the page's icon is a square image of its own",
              bool(icon) and icon[0] == "data:image/png;base64," and icon[1] == icon[2] >= 16, repr(icon))
        bar = names(driver, "[role=menubar] > [role=menuitem]")
        check("the menu bar's items", bar == BAR, repr(bar))
        label = driver.find_element("css selector", ".win32-window[role=region] canvas").accessible_name
        check("the canvas has a label", label == TITLE, repr(label))

        black = canvas_rgb(driver)
        check("before any command the canvas is all black", black == bytes(CLIENT_W * CLIENT_H * 3),
              "%s bytes" % (len(black) if black is not None else "no"))

        driver.find_elements("css selector", "[role=menubar] > [role=menuitem]")[0].click()
        items = names(driver, "[role=menu] > [role=menuitem]")
        check("メニュー opens with its items, in order", items == ITEMS, repr(items))
        menu_name = driver.find_element("css selector", "[role=menu]").accessible_name
        check("the open menu is named メニュー", menu_name == BAR[0], repr(menu_name))
        press(driver, "Escape", "Escape", 27)
        press(driver, "Escape", "Escape", 27)
        check("Escape closes it", until(2, lambda: not driver.find_elements("css selector", "[role=menu]")))

        # --- 竹, then fast --------------------------------------------------
        renderer.wait()
        crops = os.path.join(work, "crops")
        os.mkdir(crops)
        reference = {}
        if renderer.returncode == 0 and subprocess.run(
                ["convert", os.path.join(frames_dir, "frame-*.png") + "[%dx%d+0+0]" % (CLIENT_W, CLIENT_H),
                 "+repage", "-depth", "8", os.path.join(crops, "crop-%03d.rgb")]).returncode == 0:
            for n, name in enumerate(sorted(os.listdir(crops)), 1):
                with open(os.path.join(crops, name), "rb") as f:
                    reference[md5(f.read())] = n
        if len(reference) != REFERENCE_FRAMES:
            fail("pofurin-render gave %d distinct frames (status %s)" % (len(reference), renderer.returncode))

        # 竹 from the keyboard: F10, Down opens メニュー on its first item.
        press(driver, "F10", "F10", 121)
        press(driver, "ArrowDown", "ArrowDown", 40)
        press(driver, "ArrowDown", "ArrowDown", 40)
        highlighted = names(driver, "[role=menu] > .win32-highlight")
        check("F10 and the arrows reach the 竹 item", highlighted == [ITEMS[1]], repr(highlighted))
        press(driver, "Enter", "Enter", 13)
        check("Return chooses it and closes the menu",
              until(2, lambda: not driver.find_elements("css selector", "[role=menu]")))
        # The fast speed with the mouse.
        driver.find_elements("css selector", "[role=menubar] > [role=menuitem]")[0].click()
        driver.find_elements("css selector", "[role=menu] > [role=menuitem]")[3].click()

        # Until the first tick the canvas is still the untouched one: frame 0.
        reference[md5(bytes(CLIENT_W * CLIENT_H * 3))] = 0
        seen, strangers = [], 0
        end = time.monotonic() + 3
        while time.monotonic() < end and len(seen) < 8:
            frame = reference.get(md5(canvas_rgb(driver) or b""))
            if frame is None:
                strangers += 1
            elif not seen or seen[-1] != frame:
                seen.append(frame)
        print("INFO 竹 frames seen: %s" % seen)
        check("after 竹 and the fast speed the canvas animates", len(seen) >= 8, repr(seen))
        check("every canvas read is a pofurin-render 竹 frame, byte for byte", strangers == 0,
              "%d read(s) matched none of frames 0..%d" % (strangers, REFERENCE_FRAMES))
        check("the frames come in order", seen == sorted(seen), repr(seen))

        # What reaches the screen: each canvas pixel as a 2 x 2 block of device pixels.
        rect = driver.execute_script(
            "const r = arguments[0].getBoundingClientRect(), s = devicePixelRatio;"
            "return [r.left * s, r.top * s, r.width * s, r.height * s];",
            driver.find_element("css selector", ".win32-window[role=region] canvas"))
        shot = os.path.join(os.environ.get("KEEP_SHOT", work), "shot.png")
        driver.save_screenshot(shot)
        x, y, w, h = [round(v) for v in rect]
        raw = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", "-depth", "8",
                              "rgb:-"], capture_output=True).stdout
        why = "canvas at %s device pixels, %d bytes" % (rect, len(raw))
        crisp = [round(v, 3) == round(v) for v in rect] == [True] * 4 and (w, h) == (2 * CLIENT_W, 2 * CLIENT_H)
        if crisp and len(raw) == w * h * 3:
            rows = [raw[r * w * 3:(r + 1) * w * 3] for r in range(h)]
            small = bytearray()
            for r in range(0, h, 2):
                a, b = rows[r], rows[r + 1]
                for c in range(0, w * 3, 6):
                    px = a[c:c + 3]
                    if a[c + 3:c + 6] != px or b[c:c + 3] != px or b[c + 3:c + 6] != px:
                        crisp = False
                    small += px
            why = "%s; %s" % (why, "blocks uniform" if crisp else "smoothed")
            crisp = crisp and md5(bytes(small)) in reference
        check("on the screen at ratio %g, whole 2 x 2 pixels of a 竹 frame" % DEVICE_SCALE, crisp, why)

        # --- About box -----------------------------------------------------
        before = canvas_rgb(driver)
        key(driver, "rawKeyDown", "Alt", "AltLeft", 18, 1)
        key(driver, "rawKeyDown", "Shift", "ShiftLeft", 16, 9)
        press(driver, "?", "Slash", 191, 9)
        key(driver, "keyUp", "Shift", "ShiftLeft", 16, 1)
        key(driver, "keyUp", "Alt", "AltLeft", 18, 0)
        dialog = until(5, lambda: visible_dialog(driver))
        if check('Alt+"?" opens a dialog named ' + ABOUT_TITLE,
                 bool(dialog) and dialog[0].accessible_name == ABOUT_TITLE,
                 repr(dialog[0].accessible_name) if dialog else "no dialog"):
            dialog = dialog[0]
            texts = [e.text for e in dialog.find_elements("css selector", "span.win32-control")]
            check("it shows the name and version, and the notice",
                  len(texts) == 2 and texts[0] == "ポフリン発生 Version 1.0" and texts[1], repr(texts))
            icon = dialog.find_element("css selector", "img.win32-control")
            check("and the 32 x 32 icon", driver.execute_script(
                "return [arguments[0].naturalWidth, arguments[0].naturalHeight]", icon) == [32, 32])
            # Placed from dialog units: OK at (195, 6), 30 x 11, with the
            # template font's 6 x 12 base units.
            ok = dialog.find_element("css selector", "button.win32-control")
            place = driver.execute_script("""
                const b = arguments[0].getBoundingClientRect(), c = arguments[1].getBoundingClientRect();
                const k = c.width / arguments[1].width;
                return [(b.left - c.left) / k, (b.top - c.top) / k, b.width / k, b.height / k]
                    .map(v => Math.round(v * 1000) / 1000);""", ok, dialog.find_element("css selector", "canvas"))
            check("its default OK button sits where the dialog units put it",
                  ok.text == "OK" and "win32-default" in ok.get_attribute("class") and place == [293, 9, 45, 17],
                  "%r at %r" % (ok.text, place))
            time.sleep(0.3)
            during = canvas_rgb(driver)
            check("the animation goes on behind it", during != before and md5(during) in reference)
            press(driver, "Escape", "Escape", 27)
            check("Escape closes it", until(5, lambda: not visible_dialog(driver)))
            time.sleep(0.1)
            after = canvas_rgb(driver)
            check("the canvas changed meanwhile", after not in (before, during) and md5(after) in reference)

        # --- Exit ----------------------------------------------------------
        press(driver, "F10", "F10", 121)
        press(driver, "ArrowDown", "ArrowDown", 40)
        press(driver, "x", "KeyX", 88)
        code = until(5, lambda: driver.execute_script("return window.pofurinExitCode"))
        code = driver.execute_script("return window.pofurinExitCode")
        check("X in メニュー ends the program with exit code 0", code == 0, repr(code))
        status = driver.find_element("id", "win32-status").text
        check("the page says so", "終了しました" in status and "0" in status, repr(status))
        check("the window is gone", not driver.find_elements("css selector", ".win32-window"))

        errors = [e["message"] for e in driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        check("no errors or warnings on the console", not errors, " | ".join(errors)[:500])
        others = [r for r in requests if r[0] not in PAGE_FILES or r[1] != 200]
        check("the page asks for its three files and nothing else", not others and len(requests) == 3,
              repr(requests))
    except TimeoutError:
        check("the test finishes in its time", False)
    finally:
        signal.alarm(0)
        if driver:
            driver.quit()
        if server:
            server.shutdown()
        for p in started:
            if p.poll() is None:
                p.kill()
            p.wait()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        fail("%d check(s) failed" % failures)
    print("PASS web-e2e")


main()
