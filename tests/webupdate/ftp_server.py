#!/usr/bin/env python3
"""Loopback FTP server for the update tests: anonymous, read-only, over one folder.

Usage: ftp_server.py ROOT PORT_FILE"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    authorizer.add_user("slovo", "secret", root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = range(40000, 40100)
    server = FTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.address[1]))
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging
    logging.disable(logging.CRITICAL)
    main()
