#!/usr/bin/python3
"""A small FTP server for trying tarlen and for its tests.

Serves one directory on 127.0.0.1 to one user (and, on request, to anonymous
users) and prints "PORT <n>" once it listens. Needs Debian's python3-pyftpdlib,
which only the system's /usr/bin/python3 can import.

For tests of interrupted and resumed downloads it can also cut the first
download of each file short, and count the bytes that downloads send. For
tests of comparing contents it can answer the checksum commands XSHA256,
XSHA1, XMD5 and XCRC (and announce them), computed from the file itself.
"""
import argparse
import hashlib
import logging
import os
import zlib

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.log import config_logging, logger
from pyftpdlib.servers import FTPServer

READ_PERMS = "elr"
WRITE_PERMS = "elradfmwMT"


def data_channel_class(base, count_file):
    """A data channel that stops sending at its control channel's cut_limit
    (closing the connection and answering 426) and adds the bytes each
    download sent to the total in count_file."""
    downloaded = [0]

    class DataChannel(base):
        def send(self, data):
            limit = self.cmd_channel.cut_limit
            if limit is not None:
                left = limit - self.tot_bytes_sent
                if left <= 0:
                    self._resp = ("426 Connection closed; transfer aborted.",
                                  logger.debug)
                    self.close()
                    return 0
                data = data[:left]
            return super().send(data)

        def close(self):
            if not self._closed:
                self.cmd_channel.cut_limit = None
                if count_file and not self.receive and self.file_obj is not None:
                    downloaded[0] += self.tot_bytes_sent
                    with open(count_file + ".new", "w") as out:
                        out.write("%d\n" % downloaded[0])
                    os.replace(count_file + ".new", count_file)
            super().close()

    return DataChannel


# The checksum commands: each hashes the whole file it names.
X_CHECKSUMS = {
    "XSHA256": lambda data: hashlib.sha256(data).hexdigest(),
    "XSHA1": lambda data: hashlib.sha1(data).hexdigest(),
    "XMD5": lambda data: hashlib.md5(data).hexdigest(),
    "XCRC": lambda data: "%08x" % (zlib.crc32(data) & 0xFFFFFFFF),
}


def add_x_checksums(handler):
    """Lets `handler` answer the checksum commands with "250 <hex>"."""
    def answer(digest):
        # pyftpdlib hands a command with permissions its path on disk,
        # already checked to lie below the root.
        def command(self, path):
            if not self.fs.isfile(path):
                self.respond("550 No such file.")
                return
            with open(path, "rb") as source:
                self.respond("250 " + digest(source.read()).upper())
        return command

    handler.proto_cmds = dict(handler.proto_cmds)
    for verb, digest in X_CHECKSUMS.items():
        handler.proto_cmds[verb] = {"perm": "r", "auth": True, "arg": True,
                                    "help": "Syntax: %s <SP> file-name (checksum)." % verb}
        setattr(handler, "ftp_" + verb, answer(digest))
    base_init = handler.__init__

    def init(self, *args, **kwargs):
        base_init(self, *args, **kwargs)
        self._extra_feats = list(self._extra_feats) + list(X_CHECKSUMS)

    handler.__init__ = init


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
    parser.add_argument("--cut-downloads-after", type=int, default=0, metavar="N",
                        help="drop the data connection of the first download "
                             "of each file after N bytes")
    parser.add_argument("--count-file", default="",
                        help="keep the number of bytes downloads sent in this file")
    parser.add_argument("--greeting-lines", type=int, default=0, metavar="N",
                        help="greet with a reply of N lines")
    parser.add_argument("--x-checksums", action="store_true",
                        help="answer (and announce) XSHA256, XSHA1, XMD5 and XCRC")
    parser.add_argument("--quiet", action="store_true", help="log warnings only")
    args = parser.parse_args()

    config_logging(level=logging.WARNING if args.quiet else logging.INFO)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=WRITE_PERMS)
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm=READ_PERMS)

    cut_files = set()

    class Handler(FTPHandler):
        cut_limit = None

        def ftp_RETR(self, file):
            first = file not in cut_files
            if args.cut_downloads_after > 0 and first:
                self.cut_limit = args.cut_downloads_after
                cut_files.add(file)
            sent = super().ftp_RETR(file)
            if sent is None and first:
                self.cut_limit = None
                cut_files.discard(file)
            return sent

    Handler.authorizer = authorizer
    if args.x_checksums:
        add_x_checksums(Handler)
    Handler.banner = "tarlen sample server ready."
    if args.greeting_lines > 1:
        Handler.banner = "\r\n".join(
            ["tarlen sample server ready."] +
            ["line %d of the greeting" % n for n in range(2, args.greeting_lines + 1)])
    Handler.auth_failed_timeout = 0.2
    base = DTPHandler
    if args.rate > 0:
        class Throttled(ThrottledDTPHandler):
            pass

        Throttled.read_limit = args.rate
        Throttled.write_limit = args.rate
        base = Throttled
    Handler.dtp_handler = data_channel_class(base, args.count_file)
    if args.cut_downloads_after > 0:
        # sendfile() would bypass the count of bytes a cut one stops at.
        Handler.use_sendfile = False

    server = FTPServer(("127.0.0.1", args.port), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
