#!/usr/bin/python3
"""A small FTP server for trying tarlen and for its tests.

Serves one directory on 127.0.0.1 to one user (and, on request, to anonymous
users) and prints "PORT <n>" once it listens. Needs Debian's python3-pyftpdlib,
which only the system's /usr/bin/python3 can import.
"""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer

READ_PERMS = "elr"
WRITE_PERMS = "elradfmwMT"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--root", required=True, help="directory to serve")
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--anonymous", action="store_true",
                        help="also allow anonymous login, read-only")
    parser.add_argument("--rate", type=int, default=0,
                        help="limit data connections to this many bytes per second")
    parser.add_argument("--quiet", action="store_true", help="log warnings only")
    args = parser.parse_args()

    config_logging(level=logging.WARNING if args.quiet else logging.INFO)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=WRITE_PERMS)
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm=READ_PERMS)

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.banner = "tarlen sample server ready."
    Handler.auth_failed_timeout = 0.2
    if args.rate > 0:
        class Throttled(ThrottledDTPHandler):
            pass

        Throttled.read_limit = args.rate
        Throttled.write_limit = args.rate
        Handler.dtp_handler = Throttled

    server = FTPServer(("127.0.0.1", args.port), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
