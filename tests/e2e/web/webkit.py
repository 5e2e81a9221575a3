#!/usr/bin/python3
"""WebKitGTK for run.mjs: a web view filling an undecorated window at the
screen's origin. Answers each JSON line ["load", url], ["eval", expression] or
["console"] on stdin with one line {"ok": value} or {"error": text}: when the
load has finished, when the expression's promise has settled, or with the
errors and warnings the page has reported since last asked."""
import json
import sys
import gi
gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

# What the page reports: its console's errors and warnings, and errors nothing
# caught. WebKit's own console messages (a failed load, say) stay unseen.
CONSOLE = """const tell = text => webkit.messageHandlers.console.postMessage(String(text));
for (const level of ['error', 'warn'])
  console[level] = (was => (...args) => { tell(args.join(' ')); was.apply(console, args); })(console[level]);
addEventListener('error', e => tell(e.message));
addEventListener('unhandledrejection', e => tell(e.reason));"""
console = []


def answer(**what):
    print(json.dumps(what), flush=True)


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
    op, arg = (json.loads(line) + [None])[:2]
    if op == "console":
        answer(ok=console[:])
        console.clear()
    elif op == "load":
        view.load_uri(arg)
    else:
        view.call_async_javascript_function("return await (%s);" % arg, -1, None, None, None, None, evaluated)
    return True


page = WebKit2.UserContentManager()
page.connect("script-message-received::console", lambda _, m: console.append(m.get_js_value().to_string()))
page.register_script_message_handler("console")
page.add_script(WebKit2.UserScript.new(CONSOLE, WebKit2.UserContentInjectedFrames.ALL_FRAMES,
                                       WebKit2.UserScriptInjectionTime.START, None, None))
view = WebKit2.WebView(user_content_manager=page)
view.connect("load-changed", lambda _, event: event == WebKit2.LoadEvent.FINISHED and answer(ok=None))
window = Gtk.Window(decorated=False, default_width=800, default_height=600)
window.move(0, 0)
window.add(view)
window.show_all()
view.grab_focus()
GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, on_input)
Gtk.main()
