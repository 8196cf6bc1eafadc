#!/usr/bin/python3
"""Read-only FTP server on 127.0.0.1 for the download tests.

Usage: ftp_peer.py PORT FOLDER [ignore-rest]

With "ignore-rest" the server accepts a restart offset (REST) but sends
every file from its first byte all the same, as some servers do.

pyftpdlib treats only the exact lower-case name "anonymous" as an anonymous
login; the downloader's default "Anonymous" is therefore an ordinary user
here, and its password "GuestQ@" is really checked.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class RestIgnoringHandler(FTPHandler):
    def ftp_REST(self, line):
        self.respond("350 Restarting at position %s." % line)


def main():
    port, folder = int(sys.argv[1]), sys.argv[2]
    ignore_rest = sys.argv[3:] == ["ignore-rest"]
    authorizer = DummyAuthorizer()
    authorizer.add_user("Anonymous", "GuestQ@", folder, perm="elr")
    authorizer.add_user("tester", "secret", folder, perm="elr")
    handler = RestIgnoringHandler if ignore_rest else FTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # refuse a wrong password at once
    FTPServer(("127.0.0.1", port), handler).serve_forever()


if __name__ == "__main__":
    main()
