#!/usr/bin/python3
"""A small FTP server for the upload tests and benchmarks.

Serves one folder to one user on 127.0.0.1 and prints "READY <port>" on
standard output once it accepts connections. Options model the servers that
uploads meet in practice: a per-address connection limit (answered with 421,
or with 530 the way proftpd does), a reply delay (a distant host), servers
that demand TLS (vsftpd's 530, pure-ftpd's 421), a full disk, servers that
refuse renames or report wrong sizes, a listing that trickles in, and
injected faults on every k-th stored file. --login-log counts the logins.
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
    # From the environment, so that it is not on any command line.
    parser.add_argument("--password",
                        default=os.environ.get("MORVANE_TEST_PASSWORD", "secret"))
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
    parser.add_argument("--abort-names", default="",
                        help="comma-separated parts of file names whose STOR is answered "
                             "426 after the data arrived (as vsftpd does now and then)")
    parser.add_argument("--drop-names", default="",
                        help="comma-separated parts of file names whose STOR has its "
                             "connections dropped mid-transfer")
    parser.add_argument("--fault-times", type=int, default=1,
                        help="how many STORs of each named file meet its fault")
    parser.add_argument("--cut-retr-names", default="",
                        help="comma-separated parts of names whose RETR sends half the file, "
                             "then drops the connection without its final reply")
    parser.add_argument("--garbage-listing", action="store_true",
                        help="answer LIST with lines that are no listing")
    parser.add_argument("--proftpd-limit", type=int, default=0,
                        help="refuse a login with proftpd's 530 while more than N "
                             "connections from the same address are open")
    parser.add_argument("--login-log", default="",
                        help="append 'ok' or 'failed' to this file for each login")
    parser.add_argument("--auth-failed-delay-ms", type=int, default=1000,
                        help="delay before a refused login's 530")
    parser.add_argument("--require-tls", choices=["vsftpd", "pureftpd"], default="",
                        help="refuse cleartext logins the way this server does")
    parser.add_argument("--full-after", type=int, default=-1,
                        help="stop every STOR after this many bytes with --full-code")
    parser.add_argument("--full-code", type=int, default=452)
    parser.add_argument("--refuse-rename", action="store_true",
                        help="refuse every RNFR")
    parser.add_argument("--refuse-delete-names", default="",
                        help="comma-separated name parts whose DELE is refused with 550")
    parser.add_argument("--no-rename-over", action="store_true",
                        help="refuse RNTO onto an existing file")
    parser.add_argument("--wrong-size", action="store_true",
                        help="answer SIZE with one byte more than the file has")
    parser.add_argument("--trickle-listing-ms", type=int, default=0,
                        help="send a LIST line every N ms, forever; implies threaded")
    parser.add_argument("--tls-cert", default="",
                        help="FTPS: demand TLS (AUTH TLS) on control and data connections, "
                             "with this certificate chain (PEM)")
    parser.add_argument("--tls-key", default="", help="the certificate's key (PEM)")
    parser.add_argument("--implicit-tls", action="store_true",
                        help="with --tls-cert: TLS from the first byte (implicit FTPS), "
                             "the greeting only after the handshake")
    parser.add_argument("--refuse-prot", action="store_true",
                        help="FTPS: answer PROT P with 534, after the login")
    parser.add_argument("--data-tls-cert", default="",
                        help="FTPS: present this certificate on data connections instead")
    parser.add_argument("--data-tls-key", default="")
    parser.add_argument("--command-log", default="",
                        help="append each command's name to this file as it arrives")
    parser.add_argument("--log", action="store_true")
    parser.add_argument("--exit-on-stdin-eof", action="store_true",
                        help="stop when standard input closes (the parent has gone)")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.log else logging.CRITICAL,
                        format="%(relativeCreated)d %(message)s")

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    HandlerBase, DTPBase = FTPHandler, DTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        HandlerBase, DTPBase = TLS_FTPHandler, TLS_DTPHandler

    counter = itertools.count(1)
    counter_lock = threading.Lock()
    log_lock = threading.Lock()

    def log_login(outcome):
        if args.login_log:
            with log_lock, open(args.login_log, "a") as f:
                f.write(outcome + "\n")

    class TrickleProducer(object):
        """A listing that never ends: one line every --trickle-listing-ms."""

        def __init__(self):
            self.n = 0

        def more(self):
            time.sleep(args.trickle_listing_ms / 1000.0)
            self.n += 1
            return ("-rw-r--r--   1 owner group %9d Dec 08 04:40 slow%d.txt\r\n"
                    % (self.n, self.n)).encode()

    def next_store():
        with counter_lock:
            return next(counter)

    # What each named file has left of its fault, by the part of its name
    # that chose it (a temporary name holds the file's own name).
    faults_left = {}
    for option, kind in ((args.abort_names, "abort"), (args.drop_names, "drop")):
        for part in filter(None, option.split(",")):
            faults_left[part] = [kind, args.fault_times]

    def named_fault(path):
        with counter_lock:
            for part, fault in faults_left.items():
                if part in os.path.basename(path) and fault[1] > 0:
                    fault[1] -= 1
                    return fault[0]
        return None

    class FaultyDTP(DTPBase):
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
            DTPBase.close(self)
            handler.close()

        def handle_read(self):
            DTPBase.handle_read(self)
            self._check_faults()

        def _check_faults(self):
            if getattr(self.cmd_channel, "fault_drop", False) and self.tot_bytes_received > 0:
                self._drop_now()
                return
            if (args.full_after >= 0 and self.receive and not self._closed
                    and self.tot_bytes_received > args.full_after):
                # The disk is full: keep what was written, refuse the rest.
                self.file_obj.truncate(args.full_after)
                if args.full_code == 552:
                    self._resp = ("552 Requested file action aborted. Exceeded storage "
                                  "allocation.", logging.info)
                else:
                    self._resp = ("%d Insufficient storage space." % args.full_code,
                                  logging.info)
                self.close()

        # DTPHandler binds its own handle_read to this name; the TLS one
        # runs its handshake there first and then reads.
        if args.tls_cert:
            def handle_read_event(self):
                DTPBase.handle_read_event(self)
                self._check_faults()
        else:
            handle_read_event = handle_read

        def secure_connection(self, ssl_context):
            if args.data_tls_cert:
                from OpenSSL import SSL
                ssl_context = SSL.Context(SSL.TLS_SERVER_METHOD)
                ssl_context.use_certificate_chain_file(args.data_tls_cert)
                ssl_context.use_privatekey_file(args.data_tls_key)
            return DTPBase.secure_connection(self, ssl_context)

        def readable(self):
            # pyftpdlib's own check closes a data connection that is polled
            # before its command has come; over TLS the handshake makes it
            # polled early, so the client's connection would be dropped.
            if args.tls_cert and not self.receive and not self._initialized:
                return self._ssl_want_read or self._ssl_accepting
            return DTPBase.readable(self)

        def handle_close(self):
            if getattr(self.cmd_channel, "fault_drop", False):
                self._drop_now()
                return
            DTPBase.handle_close(self)

    class Handler(HandlerBase):
        fault_drop = False
        fault_slow = False
        fault_mute = False

        fault_abort = False

        def respond(self, resp, logfun=logging.debug):
            if args.delay_ms:
                time.sleep(args.delay_ms / 1000.0)
            if getattr(self, "fault_cut", False) and resp.startswith("226"):
                self.fault_cut = False
                self.close()
                return
            if self.fault_abort and resp.startswith("226"):
                self.fault_abort = False
                resp = "426 Failure reading network stream."
            if self.fault_mute and resp.startswith("226"):
                self.fault_mute = False
                return
            if self.fault_slow and resp.startswith("226"):
                self.fault_slow = False
                time.sleep(args.slow_ms / 1000.0)
            HandlerBase.respond(self, resp, logfun)

        def handle(self):
            if args.implicit_tls:
                # The greeting waits for the handshake (handle_ssl_established).
                self.secure_connection(self.ssl_context)
                return
            HandlerBase.handle(self)

        def handle_ssl_established(self):
            if args.implicit_tls and not getattr(self, "greeted", False):
                self.greeted = True
                HandlerBase.handle(self)

        def pre_process_command(self, line, cmd, arg):
            if args.command_log:
                with log_lock, open(args.command_log, "a") as f:
                    f.write(cmd.upper() + "\n")
            return HandlerBase.pre_process_command(self, line, cmd, arg)

        def ftp_USER(self, line):
            if args.require_tls:
                log_login("refused")
            if args.require_tls == "vsftpd":
                self.respond("530 Non-anonymous sessions must use encryption.")
                self.close_when_done()
                return
            if args.require_tls == "pureftpd":
                self.push("421-Sorry, cleartext sessions and weak ciphers are not accepted "
                          "on this server.\r\n")
                self.respond("421 Please reconnect using TLS security mechanisms.")
                self.close_when_done()
                return
            return HandlerBase.ftp_USER(self, line)

        def ftp_PASS(self, line):
            if (args.proftpd_limit and not self.authenticated
                    and self.server.ip_map.count(self.remote_ip) > args.proftpd_limit):
                log_login("refused")
                self.respond("530 Sorry, the maximum number of clients (%d) from your "
                             "host are already connected." % args.proftpd_limit)
                self.close_when_done()
                return
            return HandlerBase.ftp_PASS(self, line)

        def on_login(self, username):
            log_login("ok")

        def on_login_failed(self, username, password):
            log_login("failed")

        def ftp_PROT(self, line):
            if args.refuse_prot:
                self.respond("534 PROT P refused by the test server's policy.")
                return
            return HandlerBase.ftp_PROT(self, line)

        def ftp_SIZE(self, path):
            if args.wrong_size and os.path.isfile(path):
                self.respond("213 %d" % (os.path.getsize(path) + 1))
                return
            return HandlerBase.ftp_SIZE(self, path)

        def ftp_DELE(self, path):
            names = [n for n in args.refuse_delete_names.split(",") if n]
            if any(n in path for n in names):
                self.respond("550 Deleting this file is not allowed here.")
                return
            return HandlerBase.ftp_DELE(self, path)

        def ftp_RNFR(self, path):
            if args.refuse_rename:
                self.respond("550 Renaming is not allowed here.")
                return
            return HandlerBase.ftp_RNFR(self, path)

        def ftp_RNTO(self, path):
            if args.no_rename_over and self._rnfr and os.path.exists(path):
                self._rnfr = None
                self.respond("550 Cannot create a file when that file already exists.")
                return
            return HandlerBase.ftp_RNTO(self, path)

        def ftp_LIST(self, path):
            if args.trickle_listing_ms:
                self.push_dtp_data(TrickleProducer(), isproducer=True, cmd="LIST")
                return path
            if args.garbage_listing:
                self.push_dtp_data(b"<html>This is not a folder listing</html>\r\n", isproducer=False,
                                   cmd="LIST")
                return path
            return HandlerBase.ftp_LIST(self, path)

        def ftp_RETR(self, file):
            names = [n for n in args.cut_retr_names.split(",") if n]
            if any(n in os.path.basename(file) for n in names):
                with open(file, "rb") as f:
                    data = f.read()
                self.fault_cut = True
                self.push_dtp_data(data[:len(data) // 2], isproducer=False, cmd="RETR")
                return file
            return HandlerBase.ftp_RETR(self, file)

        def ftp_STOR(self, file, mode="w"):
            fault = named_fault(file) if faults_left else None
            if fault == "abort":
                self.fault_abort = True
            elif fault == "drop":
                self.fault_drop = True
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
            return HandlerBase.ftp_STOR(self, file, mode)

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = args.auth_failed_delay_ms / 1000.0
    Handler.dtp_handler = FaultyDTP
    Handler.banner = "Test server ready."
    Handler.permit_foreign_addresses = False
    Handler.passive_ports = None
    if args.tls_cert:
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key or None
        Handler.tls_control_required = True
        Handler.tls_data_required = True

    threaded = args.threaded or args.delay_ms or args.trickle_listing_ms
    server_class = ThreadedFTPServer if threaded else FTPServer
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
