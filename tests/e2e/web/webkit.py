#!/usr/bin/python3
"""WebKitGTK for run.mjs: one undecorated window at the screen's origin, all
web view. Reads JSON lines ["load", url] or ["eval", expression] on stdin and
answers each with one line {"ok": value} or {"error": text}, once the load has
finished or the expression's promise has settled. The page's console goes to
the file named by the only argument."""
import json
import os
import sys

import gi
gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

answers = os.fdopen(os.dup(1), "w")
# WebKit's own processes inherit our stdout for console messages.
os.dup2(os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_TRUNC), 1)


def answer(**what):
    answers.write(json.dumps(what) + "\n")
    answers.flush()


def evaluated(view, result):
    try:
        answer(ok=json.loads(view.call_async_javascript_function_finish(result).to_json(0) or "null"))
    except GLib.Error as e:
        answer(error=e.message)


def on_input(*_):
    line = sys.stdin.readline()
    if not line:
        Gtk.main_quit()
        return False
    op, arg = json.loads(line)
    if op == "load":
        view.load_uri(arg)
    else:
        view.call_async_javascript_function("return await (%s);" % arg, -1, None, None, None, None, evaluated)
    return True


view = WebKit2.WebView()
view.get_settings().set_enable_write_console_messages_to_stdout(True)
view.connect("load-changed", lambda _, event: event == WebKit2.LoadEvent.FINISHED and answer(ok=None))
window = Gtk.Window(decorated=False)
window.set_default_size(800, 600)
window.move(0, 0)
window.add(view)
window.show_all()
view.grab_focus()
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, on_input)
Gtk.main()
