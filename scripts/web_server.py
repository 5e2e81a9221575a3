#!/usr/bin/python3
"""Serves a folder as a static host should serve the browser page: each file
as it is, or its precompressed twin (FILE.br, FILE.gz, which scripts/web
writes) when the request's Accept-Encoding takes that encoding, with
Content-Encoding, the original's Content-Type and Vary: Accept-Encoding.

Usage: web_server.py DIR PORT   (serves on 127.0.0.1 until interrupted)
Tests and the bench import it: serve(DIR) starts it on a free port.
"""
import functools
import http.server
import os
import sys
import threading

ENCODINGS = (("br", ".br"), ("gzip", ".gz"))


def accepted(header):
    """The encodings an Accept-Encoding header takes (q=0 refuses one)."""
    taken = set()
    for part in (header or "").split(","):
        name, _, params = part.strip().partition(";")
        if name and params.replace(" ", "") not in ("q=0", "q=0.0", "q=0.00", "q=0.000"):
            taken.add(name.strip().lower())
    return taken


class Handler(http.server.SimpleHTTPRequestHandler):
    # Set per server: called with (path, status, encoding, bytes) for each answer.
    on_request = None

    def log_message(self, *args):
        pass

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        self.encoding = None
        if os.path.isfile(path):
            taken = accepted(self.headers.get("Accept-Encoding"))
            for name, suffix in ENCODINGS:
                if name in taken and os.path.isfile(path + suffix):
                    self.encoding = name
                    return self.send_file(path, path + suffix)
            if any(os.path.isfile(path + suffix) for _, suffix in ENCODINGS):
                return self.send_file(path, path)
        return super().send_head()

    def send_file(self, original, served):
        f = open(served, "rb")
        self.sent = size = os.fstat(f.fileno()).st_size
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(original))
        if self.encoding:
            self.send_header("Content-Encoding", self.encoding)
        self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        return f

    def log_request(self, code="-", size="-"):
        if self.on_request:
            status = int(code) if str(code).isdigit() else 0
            self.on_request(self.path, status, getattr(self, "encoding", None), getattr(self, "sent", None))


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def serve(root, port=0, on_request=None):
    """Starts serving `root` on 127.0.0.1 in a thread; returns the server."""
    handler = type("PageHandler", (Handler,), {"on_request": staticmethod(on_request) if on_request else None})
    server = Server(("127.0.0.1", port), functools.partial(handler, directory=root))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


if __name__ == "__main__":
    if len(sys.argv) != 3 or not os.path.isdir(sys.argv[1]) or not sys.argv[2].isdigit():
        sys.exit("usage: web_server.py DIR PORT")
    try:
        Server(("127.0.0.1", int(sys.argv[2])), functools.partial(Handler, directory=sys.argv[1])).serve_forever()
    except KeyboardInterrupt:
        pass
    except OSError as e:
        sys.exit("web_server.py: %s" % e)
