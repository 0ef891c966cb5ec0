#!/usr/bin/python3
"""An FTP server that does what real servers never should, for tests.

Serves one directory on 127.0.0.1 to any user and prints "PORT <n>" once it
listens. Each misbehaviour is a flag:

  --tls CERT KEY      offer AUTH TLS (and PROT P) with this certificate
  --refuse-auth-after N
                      a man in the middle: the first N control connections may
                      switch to TLS, every later one is refused ("500")
  --refuse-prot       answer "534" to PROT P: data would travel in clear
  --no-size           answer "502" to SIZE
  --short-retr N      RETR sends only the first N bytes, then says "226"
  --listing FILE      every LIST and MLSD sends FILE's bytes as they are
  --endless NAME      every directory lists one subfolder NAME, forever
  --checksum-reply TEXT
                      announce HASH (SHA-256, SHA-1, MD5, CRC32) and the X commands
                      in FEAT, and answer HASH and every X command with TEXT, in
                      which {size}, {half}, {sha256} and {md5} stand for the named
                      file's size, half its size and its digests
  --log FILE          one line per command: "tls" or "clear", a blank, the line

Files are read from and written to the root; paths are taken as they come,
below the root.
"""
import argparse
import hashlib
import os
import socket
import ssl
import threading
import time

FIXED_TIME = time.mktime((2024, 1, 2, 3, 4, 0, 0, 0, -1))


class Server:
    def __init__(self, args):
        self.args = args
        self.root = os.path.realpath(args.root)
        self.context = None
        if args.tls:
            self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.context.load_cert_chain(args.tls[0], args.tls[1])
        self.connections = 0
        self.lock = threading.Lock()

    def log(self, secure, line):
        if not self.args.log:
            return
        with self.lock, open(self.args.log, "ab") as out:
            out.write(b"tls " if secure else b"clear ")
            out.write(line + b"\n")

    def next_connection(self):
        with self.lock:
            self.connections += 1
            return self.connections


class Session:
    def __init__(self, server, sock):
        self.server = server
        self.args = server.args
        self.sock = sock
        self.secure = False
        self.protect_data = False
        self.passive = None
        self.number = server.next_connection()
        self.reader = sock.makefile("rb")
        self.rest = 0

    def reply(self, text):
        self.sock.sendall(text.encode("utf-8", "surrogateescape") + b"\r\n")

    def path(self, arg):
        arg = arg.decode("utf-8", "surrogateescape")
        return os.path.join(self.server.root, arg.lstrip("/"))

    def run(self):
        self.reply("220 hostile test server")
        while True:
            line = self.reader.readline()
            if not line:
                return
            line = line.rstrip(b"\r\n")
            self.server.log(self.secure, line)
            verb, _, arg = line.partition(b" ")
            handler = getattr(self, "cmd_" + verb.decode("latin-1").upper(), None)
            if handler is None:
                self.reply("502 not implemented")
            elif handler(arg) is False:
                return

    # --- login and protection -------------------------------------------

    def cmd_AUTH(self, arg):
        refuse_after = self.args.refuse_auth_after
        if not self.server.context or (refuse_after >= 0 and self.number > refuse_after):
            self.reply("500 AUTH not understood")
            return
        self.reply("234 proceed")
        self.sock = self.server.context.wrap_socket(self.sock, server_side=True)
        self.reader = self.sock.makefile("rb")
        self.secure = True

    def cmd_PBSZ(self, arg):
        self.reply("200 PBSZ=0")

    def cmd_PROT(self, arg):
        if arg.upper() == b"P" and self.args.refuse_prot:
            self.reply("534 protection level not supported")
        elif arg.upper() == b"P":
            self.protect_data = True
            self.reply("200 protected")
        else:
            self.protect_data = False
            self.reply("200 clear")

    def cmd_USER(self, arg):
        self.reply("331 password please")

    def cmd_PASS(self, arg):
        self.reply("230 logged in")

    def cmd_FEAT(self, arg):
        checksums = b""
        if self.args.checksum_reply is not None:
            checksums = (b" HASH SHA-256*;SHA-1;MD5;CRC32\r\n XSHA256\r\n XSHA1\r\n"
                         b" XMD5\r\n XCRC\r\n")
        self.sock.sendall(b"211-Features:\r\n UTF8\r\n" + checksums + b"211 End\r\n")

    # --- checksums, as --checksum-reply tells ---------------------------

    def checksum_reply(self, arg):
        if self.args.checksum_reply is None:
            self.reply("502 not implemented")
            return
        path = self.path(arg)
        if not os.path.isfile(path):
            self.reply("550 no such file")
            return
        with open(path, "rb") as source:
            content = source.read()
        self.reply(self.args.checksum_reply.format(
            size=len(content), half=len(content) // 2,
            sha256=hashlib.sha256(content).hexdigest(), md5=hashlib.md5(content).hexdigest()))

    cmd_HASH = checksum_reply
    cmd_XSHA256 = checksum_reply
    cmd_XSHA1 = checksum_reply
    cmd_XMD5 = checksum_reply
    cmd_XCRC = checksum_reply

    def cmd_OPTS(self, arg):
        self.reply("200 ok")

    def cmd_SYST(self, arg):
        self.reply("215 UNIX Type: L8")

    def cmd_PWD(self, arg):
        self.reply('257 "/"')

    def cmd_CWD(self, arg):
        if self.args.endless or os.path.isdir(self.path(arg)):
            self.reply("250 ok")
        else:
            self.reply("550 no such directory")

    def cmd_TYPE(self, arg):
        self.reply("200 type set")

    def cmd_NOOP(self, arg):
        self.reply("200 ok")

    def cmd_QUIT(self, arg):
        self.reply("221 bye")
        return False

    # --- data connections -------------------------------------------------

    def listen(self):
        if self.passive:
            self.passive.close()
        self.passive = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.passive.bind(("127.0.0.1", 0))
        self.passive.listen(1)
        return self.passive.getsockname()[1]

    def cmd_EPSV(self, arg):
        self.reply("229 passive (|||%d|)" % self.listen())

    def cmd_PASV(self, arg):
        port = self.listen()
        self.reply("227 passive (127,0,0,1,%d,%d)" % (port >> 8, port & 255))

    def open_data(self):
        data, _ = self.passive.accept()
        self.passive.close()
        self.passive = None
        if self.protect_data:
            data = self.server.context.wrap_socket(data, server_side=True)
        return data

    def close_data(self, data):
        try:
            if isinstance(data, ssl.SSLSocket):
                data = data.unwrap()
        except (ssl.SSLError, OSError):
            pass
        data.close()

    def send_data(self, payload, done="226 transfer complete"):
        if not self.passive:
            self.reply("425 use EPSV first")
            return
        self.reply("150 opening data connection")
        data = self.open_data()
        data.sendall(payload)
        self.close_data(data)
        self.reply(done)

    def listing(self, arg, facts):
        if self.args.listing:
            with open(self.args.listing, "rb") as source:
                return source.read()
        if self.args.endless:
            stamp = time.strftime("%b %d %Y", time.gmtime(FIXED_TIME)).encode()
            name = self.args.endless.encode()
            if facts:
                return b"type=dir;modify=20240102030400; " + name + b"\r\n"
            return b"drwxr-xr-x 2 ftp ftp 4096 " + stamp + b" " + name + b"\r\n"
        lines = []
        folder = self.path(arg)
        for name in sorted(os.listdir(folder)):
            full = os.path.join(folder, name)
            raw = os.fsencode(name)
            size = os.path.getsize(full)
            stamp = time.strftime("%b %d %Y", time.gmtime(os.path.getmtime(full))).encode()
            kind = b"d" if os.path.isdir(full) else b"-"
            if facts:
                lines.append(b"type=%s;size=%d; %s" % (b"dir" if kind == b"d" else b"file", size, raw))
            else:
                lines.append(b"%srw-r--r-- 1 ftp ftp %d %s %s" % (kind, size, stamp, raw))
        return b"".join(line + b"\r\n" for line in lines)

    def cmd_LIST(self, arg):
        self.send_data(self.listing(arg if not arg.startswith(b"-") else b"", False))

    def cmd_NLST(self, arg):
        self.send_data(b"")

    def cmd_MLSD(self, arg):
        self.send_data(self.listing(arg, True))

    # --- files ------------------------------------------------------------

    def cmd_SIZE(self, arg):
        path = self.path(arg)
        if self.args.no_size:
            self.reply("502 SIZE not implemented")
        elif os.path.isfile(path):
            self.reply("213 %d" % os.path.getsize(path))
        else:
            self.reply("550 no such file")

    def cmd_MDTM(self, arg):
        path = self.path(arg)
        if os.path.isfile(path):
            self.reply("213 " + time.strftime("%Y%m%d%H%M%S", time.gmtime(os.path.getmtime(path))))
        else:
            self.reply("550 no such file")

    def cmd_REST(self, arg):
        self.rest = int(arg)
        self.reply("350 restarting")

    def cmd_RETR(self, arg):
        path = self.path(arg)
        if not os.path.isfile(path):
            self.reply("550 no such file")
            return
        with open(path, "rb") as source:
            source.seek(self.rest)
            payload = source.read()
        self.rest = 0
        if self.args.short_retr >= 0:
            payload = payload[:self.args.short_retr]
        self.send_data(payload)

    def cmd_STOR(self, arg):
        if not self.passive:
            self.reply("425 use EPSV first")
            return
        self.reply("150 send it")
        data = self.open_data()
        with open(self.path(arg), "wb") as target:
            while True:
                try:
                    chunk = data.recv(65536)
                except (ssl.SSLError, OSError):
                    break
                if not chunk:
                    break
                target.write(chunk)
        self.close_data(data)
        self.reply("226 stored")

    def cmd_DELE(self, arg):
        try:
            os.remove(self.path(arg))
            self.reply("250 deleted")
        except OSError:
            self.reply("550 cannot delete")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--refuse-auth-after", type=int, default=-1, metavar="N")
    parser.add_argument("--refuse-prot", action="store_true")
    parser.add_argument("--no-size", action="store_true")
    parser.add_argument("--short-retr", type=int, default=-1, metavar="N")
    parser.add_argument("--listing", metavar="FILE")
    parser.add_argument("--endless", metavar="NAME")
    parser.add_argument("--checksum-reply", metavar="TEXT")
    parser.add_argument("--log", metavar="FILE")
    args = parser.parse_args()

    server = Server(args)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("PORT %d" % listener.getsockname()[1], flush=True)

    def serve(sock):
        try:
            Session(server, sock).run()
        except (OSError, ssl.SSLError, ValueError):
            pass
        finally:
            sock.close()

    while True:
        sock, _ = listener.accept()
        threading.Thread(target=serve, args=(sock,), daemon=True).start()


if __name__ == "__main__":
    main()
