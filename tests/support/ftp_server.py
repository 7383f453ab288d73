#!/usr/bin/python3
"""A small FTP server for the upload tests and benchmarks.

Serves one folder to one user on 127.0.0.1 and prints "READY <port>" on
standard output once it accepts connections. Options model the servers that
uploads meet in practice: a per-address connection limit, a reply delay (a
distant host), and injected faults on every k-th stored file.
"""
import argparse
import itertools
import logging
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="user")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--max-cons-per-ip", type=int, default=0)
    parser.add_argument("--delay-ms", type=int, default=0,
                        help="delay every reply; implies a threaded server")
    parser.add_argument("--threaded", action="store_true")
    parser.add_argument("--refuse-every", type=int, default=0,
                        help="answer every k-th STOR with 451 and store nothing")
    parser.add_argument("--drop-every", type=int, default=0,
                        help="drop the connections of every k-th STOR mid-transfer, "
                             "without a final reply")
    parser.add_argument("--slow-every", type=int, default=0,
                        help="delay the final reply of every k-th STOR by --slow-ms")
    parser.add_argument("--slow-ms", type=int, default=300)
    parser.add_argument("--mute-every", type=int, default=0,
                        help="never send the final reply of every k-th STOR")
    parser.add_argument("--garbage-listing", action="store_true",
                        help="answer LIST with lines that are no listing")
    parser.add_argument("--log", action="store_true")
    parser.add_argument("--exit-on-stdin-eof", action="store_true",
                        help="stop when standard input closes (the parent has gone)")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.log else logging.CRITICAL,
                        format="%(relativeCreated)d %(message)s")

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    counter = itertools.count(1)
    counter_lock = threading.Lock()

    def next_store():
        with counter_lock:
            return next(counter)

    class FaultyDTP(DTPHandler):
        def _drop_now(self):
            handler = self.cmd_channel
            handler.fault_drop = False
            # Close both connections abruptly: no 226 and no 426.
            self._resp = None
            try:
                self.socket.setsockopt(__import__("socket").SOL_SOCKET,
                                       __import__("socket").SO_LINGER,
                                       b"\x01\x00\x00\x00\x00\x00\x00\x00")
            except Exception:
                pass
            DTPHandler.close(self)
            handler.close()

        def handle_read(self):
            DTPHandler.handle_read(self)
            if getattr(self.cmd_channel, "fault_drop", False) and self.tot_bytes_received > 0:
                self._drop_now()

        def handle_close(self):
            if getattr(self.cmd_channel, "fault_drop", False):
                self._drop_now()
                return
            DTPHandler.handle_close(self)

    class Handler(FTPHandler):
        fault_drop = False
        fault_slow = False
        fault_mute = False

        def respond(self, resp, logfun=logging.debug):
            if args.delay_ms:
                time.sleep(args.delay_ms / 1000.0)
            if self.fault_mute and resp.startswith("226"):
                self.fault_mute = False
                return
            if self.fault_slow and resp.startswith("226"):
                self.fault_slow = False
                time.sleep(args.slow_ms / 1000.0)
            FTPHandler.respond(self, resp, logfun)

        def ftp_LIST(self, path):
            if args.garbage_listing:
                self.push_dtp_data(b"<html>This is not a folder listing</html>\r\n", isproducer=False,
                                   cmd="LIST")
                return path
            return FTPHandler.ftp_LIST(self, path)

        def ftp_STOR(self, file, mode="w"):
            if args.refuse_every or args.drop_every or args.slow_every or args.mute_every:
                n = next_store()
                if args.refuse_every and n % args.refuse_every == 0:
                    self.respond("451 Injected failure.")
                    return None
                if args.drop_every and n % args.drop_every == 0:
                    self.fault_drop = True
                if args.slow_every and n % args.slow_every == 0:
                    self.fault_slow = True
                if args.mute_every and n % args.mute_every == 0:
                    self.fault_mute = True
            return FTPHandler.ftp_STOR(self, file, mode)

    Handler.authorizer = authorizer
    Handler.dtp_handler = FaultyDTP
    Handler.banner = "Test server ready."
    Handler.permit_foreign_addresses = False
    Handler.passive_ports = None

    server_class = ThreadedFTPServer if (args.threaded or args.delay_ms) else FTPServer
    server = server_class(("127.0.0.1", args.port), Handler)
    server.max_cons = 512
    server.max_cons_per_ip = args.max_cons_per_ip
    port = server.socket.getsockname()[1]
    sys.stdout.write("READY %d\n" % port)
    sys.stdout.flush()
    if args.exit_on_stdin_eof:
        def watch_parent():
            sys.stdin.buffer.read()
            os._exit(0)
        threading.Thread(target=watch_parent, daemon=True).start()
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
