#!/usr/bin/env python3
"""Loopback HTTP server for the update tests: serves a folder; /status/NNN/... answers NNN."""
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        parts = self.path.split("/")
        if len(parts) > 2 and parts[1] == "status" and parts[2].isdigit():
            self.send_response(int(parts[2]))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        super().do_GET()

    def log_message(self, *args):
        pass


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    os.makedirs(root, exist_ok=True)
    handler = lambda *a, **k: Handler(*a, directory=root, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
