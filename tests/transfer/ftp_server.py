"""An FTP server on the loopback address for the transfer tests.

Usage: ftp_server.py ROOT
Serves ROOT to the user "qel" with the password "secret" (no anonymous
log-in) on a free port, which it prints on the first line of its output.
Runs until killed.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    logging.disable(logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_user("qel", "secret", sys.argv[1], perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    # A refused log-in is answered at once, not after the usual pause.
    handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
