#!/usr/bin/env python3
"""Loopback HTTP(S) server for the update tests: serves a folder; /status/NNN/... answers NNN.

Usage: update_server.py ROOT PORT_FILE [CERT KEY]; with a certificate it speaks HTTPS."""
import http.server
import os
import ssl
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
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
