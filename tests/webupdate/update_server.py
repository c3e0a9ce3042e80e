#!/usr/bin/env python3
"""Loopback HTTP(S) server for the update tests: serves a folder; /status/NNN/... answers NNN;
/endless/... answers with bytes that never end; /redirect/URL sends the client on to URL.
Misbehaving, for the file at the rest of the path, always announcing its whole length:
/silent/... reads the request and sends nothing; /stall/N/... sends the headers and the first N
bytes, then nothing; /short/N/... sends N bytes and closes; /reset/N/... sends N bytes and
resets the connection; /slow/N/... sends N bytes a second. A silent connection is held until the
client closes it (at most 90 s).

Usage: update_server.py [--at ADDRESS:PORT] [--offline-flag FILE] ROOT PORT_FILE [CERT KEY]; with a
certificate it speaks HTTPS. Without --at it takes a free port of 127.0.0.1. While the offline flag
file exists the listening socket is closed (connections are refused); FILE.state then reads
"down", otherwise "up"."""
import http.server
import os
import socket
import ssl
import struct
import sys
import threading
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        parts = self.path.split("/")
        if len(parts) > 2 and parts[1] == "status" and parts[2].isdigit():
            self.send_response(int(parts[2]))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if len(parts) > 1 and parts[1] == "redirect":
            self.send_response(302)
            self.send_header("Location", self.path[len("/redirect/"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if len(parts) > 1 and parts[1] == "silent":
            self.hold()
            return
        if len(parts) > 3 and parts[1] in ("stall", "short", "reset", "slow") and parts[2].isdigit():
            self.misbehave(parts[1], int(parts[2]), "/" + "/".join(parts[3:]))
            return
        if len(parts) > 1 and parts[1] == "endless":
            self.send_response(200)
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"x" * 65536)
            except OSError:
                return
        super().do_GET()

    def hold(self):
        """Sends nothing more until the client gives up."""
        self.close_connection = True
        self.connection.settimeout(90)
        try:
            while self.connection.recv(4096):
                pass
        except OSError:
            pass

    def misbehave(self, kind, n, path):
        try:
            with open(self.translate_path(path), "rb") as f:
                body = f.read()
        except OSError:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.close_connection = True
        try:
            if kind == "slow":
                step = max(1, n // 10)
                for at in range(0, len(body), step):
                    self.wfile.write(body[at:at + step])
                    self.wfile.flush()
                    time.sleep(step / n)
                return
            self.wfile.write(body[:n])
            self.wfile.flush()
            if kind == "stall":
                self.hold()
            elif kind == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.connection.close()
        except OSError:
            pass

    def finish(self):
        # A connection reset on purpose is already closed.
        try:
            super().finish()
        except OSError:
            pass

    def log_message(self, *args):
        pass


def make_server(address, port, root, cert):
    handler = lambda *a, **k: Handler(*a, directory=root, **k)
    # Another test of the machine may hold a fixed port for a moment: wait for it, up to a minute.
    for attempt in range(600 if port else 1):
        try:
            server = http.server.ThreadingHTTPServer((address, port), handler)
            break
        except OSError:
            if attempt == 599 or not port:
                raise
            time.sleep(0.1)
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*cert)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    return server


def write_atomically(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def main():
    args = sys.argv[1:]
    address, port, flag = "127.0.0.1", 0, None
    while args and args[0].startswith("--"):
        if args[0] == "--at":
            address, _, number = args[1].rpartition(":")
            port = int(number)
        elif args[0] == "--offline-flag":
            flag = args[1]
        else:
            sys.exit("unknown option " + args[0])
        args = args[2:]
    root, port_file = args[0], args[1]
    cert = (args[2], args[3]) if len(args) > 3 else None
    os.makedirs(root, exist_ok=True)
    server = make_server(address, port, root, cert)
    port = server.server_address[1]
    write_atomically(port_file, str(port))
    if flag is None:
        server.serve_forever()
        return
    while True:
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()
        write_atomically(flag + ".state", "up")
        while not os.path.exists(flag):
            time.sleep(0.05)
        server.shutdown()
        server.server_close()
        write_atomically(flag + ".state", "down")
        while os.path.exists(flag):
            time.sleep(0.05)
        server = make_server(address, port, root, cert)


if __name__ == "__main__":
    main()
