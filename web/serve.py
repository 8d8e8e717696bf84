#!/usr/bin/env python3
"""Serves a folder on localhost with the headers WebAssembly threads need: usage DIR PORT."""
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    # The page shares memory between threads only when it is cross-origin isolated.
    def end_headers(self):
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):  # quiet: the browser test reads its own output
        pass


Handler.extensions_map[".wasm"] = "application/wasm"
Handler.extensions_map[".js"] = "text/javascript"


def main():
    if len(sys.argv) != 3:
        print("usage: serve.py DIR PORT", file=sys.stderr)
        sys.exit(2)
    handler = functools.partial(Handler, directory=sys.argv[1])
    with http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[2])), handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()
