#!/usr/bin/python3
"""Tick rates and CPU of the browser page (build/web) in headless Chromium:
the page idle (no timer yet), then 竹 at the normal speed, then rounds
(POFURIN_BENCH_ROUNDS, default 3) of 竹 at the fast speed with the floor page
beside it in a second browser at the same time, each over the same stretch of
wall-clock time (POFURIN_BENCH_SECONDS, default 10), all in one run.

The floor is the least a page can do for the same picture: it puts one
194 x 156 image into a canvas 100 times a second (setInterval, one ImageData).
Each round prints the page's main-thread CPU over the floor's.

Ticks are the main window's surface updates (one per WM_PAINT, which follows
every WM_TIMER), counted by the backend in the program's worker and sent with
each frame; puts are putImageData calls into a canvas, counted by a wrapper
the bench adds; both read in the page with performance.now(). CPU is counted
three ways:
  main thread: utime + stime of the renderer's main thread (CrRendererMain,
               /proc/PID/task/PID/stat), which the ratio compares;
  its tasks:   the page's busy time (DevTools' Performance.TaskDuration),
               wall-clock time, so it grows when the machine is busy;
  worker:      utime + stime of the page's worker threads (DedicatedWorker),
               where the program runs;
  renderer:    utime + stime of the page's renderer process (/proc/PID/stat),
               every thread, the worker among them.

Usage: bench/web_cpu.py [WEB_DIR]   (default: build/web of this checkout)
"""
import functools
import http.server
import os
import shutil
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SECONDS = float(os.environ.get("POFURIN_BENCH_SECONDS", "10"))
ROUNDS = int(os.environ.get("POFURIN_BENCH_ROUNDS", "3"))
FLOOR_PAGE = b"""<!doctype html><canvas width="194" height="156"></canvas><script>
const context = document.querySelector('canvas').getContext('2d', {alpha: false});
const image = new ImageData(194, 156);
let ticks = 0;
window.benchTicks = () => ticks;
setInterval(() => { image.data[0] = ++ticks; context.putImageData(image, 0, 0); }, 10);
</script>"""
# Counts the page's puts; added to every page before its own scripts.
COUNT_PUTS = """window.benchPuts = 0;
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function() { ++window.benchPuts; return put.apply(this, arguments); };"""
TICK = os.sysconf("SC_CLK_TCK")


def serve(root):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            if self.path != "/floor.html":
                return super().do_GET()
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(FLOOR_PAGE)))
            self.end_headers()
            self.wfile.write(FLOOR_PAGE)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except OSError:
                pass
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        for c in children.get(p, []):
            found.append(c)
            todo.append(c)
    return found


def cpu_seconds(stat_path):
    with open(stat_path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def renderer_cpu(driver_pid):
    """CPU seconds of the browser's renderers: all threads, the main thread and the workers."""
    total = main = workers = 0.0
    for pid in descendants(driver_pid):
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                if b"--type=renderer" not in f.read():
                    continue
            total += cpu_seconds("/proc/%d/stat" % pid)
            # The main thread (CrRendererMain) is the one whose id is the process's.
            main += cpu_seconds("/proc/%d/task/%d/stat" % (pid, pid))
            for tid in os.listdir("/proc/%d/task" % pid):
                with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                    if f.read().startswith("DedicatedWorker"):
                        workers += cpu_seconds("/proc/%d/task/%s/stat" % (pid, tid))
        except OSError:
            pass
    return total, main, workers


class Bench:
    """One browser, showing the page or the floor."""

    def __init__(self, url, work, name):
        options = webdriver.ChromeOptions()
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=800,600", "--user-data-dir=" + os.path.join(work, name)):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        self.url = url
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": COUNT_PUTS})
        self.driver.execute_cdp_cmd("Performance.enable", {})

    def open_page(self):
        self.driver.get(self.url + "/")
        end = time.monotonic() + 20
        while not self.driver.find_elements("css selector", ".win32-window[data-hwnd]") and time.monotonic() < end:
            time.sleep(0.1)
        hwnd = self.driver.find_element("css selector", ".win32-window[data-hwnd]").get_attribute("data-hwnd")
        self.ticks = "W.windows[%d].updates" % int(hwnd)

    def open_floor(self):
        self.driver.get(self.url + "/floor.html")
        self.ticks = "window.benchTicks()"

    def menu_item(self, n):
        self.driver.find_elements("css selector", "[role=menubar] > [role=menuitem]")[0].click()
        self.driver.find_elements("css selector", "[role=menu] > [role=menuitem]")[n].click()

    def sample(self):
        ticks, puts, now = self.driver.execute_script(
            "return [%s, window.benchPuts, performance.now()]" % self.ticks)
        metrics = self.driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
        task = {m["name"]: m["value"] for m in metrics}["TaskDuration"]
        return (ticks, puts, now / 1000, task) + renderer_cpu(self.driver.service.process.pid)


def report(name, a, b):
    """Prints one measurement; returns the main thread's CPU share."""
    wall = b[2] - a[2]
    share = [100 * (b[i] - a[i]) / wall for i in (3, 4, 5, 6)]
    print("%-20s ticks/s %6.2f  puts/s %6.2f  main thread %5.1f %%  its tasks %5.1f %%  worker %5.1f %%  "
          "renderer %5.1f %%  (%.2f s)"
          % (name, (b[0] - a[0]) / wall, (b[1] - a[1]) / wall, share[2], share[0], share[3], share[1], wall))
    sys.stdout.flush()
    return share[2]


def measure(benches):
    """The same stretch of time for every browser given: [(name, bench)]."""
    time.sleep(1)  # settle after the commands
    before = [bench.sample() for _, bench in benches]
    time.sleep(SECONDS)
    after = [bench.sample() for _, bench in benches]
    return [report(name, a, b) for (name, _), a, b in zip(benches, before, after)]


def main():
    web_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "web")
    work = tempfile.mkdtemp(prefix="pofurin-web-cpu.")
    server = serve(web_dir)
    url = "http://127.0.0.1:%d" % server.server_address[1]
    browsers = []
    try:
        page = Bench(url, work, "page")
        browsers.append(page)
        page.open_page()
        measure([("idle", page)])
        page.menu_item(1)  # 竹
        measure([("竹, normal speed", page)])
        # The floor runs in a second browser at the same time, so that both
        # see the same machine.
        floor = Bench(url, work, "floor")
        browsers.append(floor)
        ratios = []
        for n in range(1, ROUNDS + 1):
            floor.open_floor()
            page.open_page()
            page.menu_item(1)  # 竹
            page.menu_item(3)  # the fast speed
            ours, least = measure([("竹 fast, round %d" % n, page), ("floor page, round %d" % n, floor)])
            ratios.append(ours / least)
            print("round %d: main thread, page / floor = %.2f" % (n, ratios[-1]))
        print("main thread, page / floor: %s (max %.2f)" % (" ".join("%.2f" % r for r in ratios), max(ratios)))
    finally:
        for bench in browsers:
            bench.driver.quit()
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


main()
