#!/usr/bin/env python3
"""Serves the web build for the page's end-to-end test: the files of a folder on 127.0.0.1 at a free
port (written to PORT_FILE), and POST /report, whose body is written to REPORT_FILE.

usage: server.py FOLDER PORT_FILE REPORT_FILE"""
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

    def do_POST(self):
        if self.path != "/report":
            self.send_error(404)
            return
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        partial = self.server.report_file + ".part"
        with open(partial, "wb") as f:
            f.write(body)
        os.replace(partial, self.server.report_file)  # the test never sees half a report
        self.send_response(204)
        self.end_headers()

    def log_message(self, *args):
        pass


def main():
    folder, port_file, report_file = sys.argv[1:4]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    server.report_file = report_file
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
