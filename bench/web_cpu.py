#!/usr/bin/python3
"""Tick rates and CPU of the browser page (build/web) in headless Chromium:
the page idle (the baseline: no timer yet), then 竹 at the normal speed, then
the fast speed, each over the same stretch of wall-clock time
(POFURIN_BENCH_SECONDS, default 10), one after the other in one run.

Ticks are the main window's surface updates (one per WM_PAINT, which follows
every WM_TIMER), counted by the backend and read in the page with
performance.now(). CPU is counted two ways:
  main thread: the page's busy time (DevTools' Performance.TaskDuration);
  renderer:    utime + stime of the page's renderer process (/proc/PID/stat).

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
TICK = os.sysconf("SC_CLK_TCK")


def serve(root):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

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


def renderer_cpu(driver_pid):
    total = 0.0
    for pid in descendants(driver_pid):
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                if b"--type=renderer" not in f.read():
                    continue
            with open("/proc/%d/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / TICK
        except OSError:
            pass
    return total


def main():
    web_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "web")
    work = tempfile.mkdtemp(prefix="pofurin-web-cpu.")
    server = serve(web_dir)
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=800,600", "--user-data-dir=" + os.path.join(work, "profile")):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    try:
        driver.get("http://127.0.0.1:%d/" % server.server_address[1])
        end = time.monotonic() + 20
        while not driver.find_elements("css selector", ".win32-window[data-hwnd]") and time.monotonic() < end:
            time.sleep(0.1)
        hwnd = int(driver.find_element("css selector", ".win32-window[data-hwnd]").get_attribute("data-hwnd"))
        driver.execute_cdp_cmd("Performance.enable", {})

        def sample():
            updates, now = driver.execute_script(
                "return [Module._web_updates(arguments[0]), performance.now()]", hwnd)
            metrics = {m["name"]: m["value"] for m in driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]}
            return updates, now / 1000, metrics["TaskDuration"], renderer_cpu(driver.service.process.pid)

        def menu_item(n):
            driver.find_elements("css selector", "[role=menubar] > [role=menuitem]")[0].click()
            driver.find_elements("css selector", "[role=menu] > [role=menuitem]")[n].click()

        def measure(name):
            time.sleep(1)  # settle after the command
            a = sample()
            time.sleep(SECONDS)
            b = sample()
            wall = b[1] - a[1]
            print("%-22s ticks/s %7.2f   main thread %5.1f %%   renderer %5.1f %%   (%.2f s)" % (
                name, (b[0] - a[0]) / wall, 100 * (b[2] - a[2]) / wall, 100 * (b[3] - a[3]) / wall, wall))

        measure("idle (baseline)")
        menu_item(1)  # 竹
        measure("竹, normal speed")
        menu_item(3)  # the fast speed
        measure("竹, fast speed")
    finally:
        driver.quit()
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


main()
