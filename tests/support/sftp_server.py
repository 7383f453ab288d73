#!/usr/bin/python3
"""A small SFTP server for the upload tests (asyncssh).

Serves one folder, as the root of the file system, to one user on
127.0.0.1, and prints "READY <port>" on standard output once it accepts
connections. The password is read from a file (never from the command
line); public-key logins are accepted for the keys in --authorized-keys.
--auth-log records what each connection did, in order: "connect",
"auth <user>", "password ok/failed", "key ok", "sftp" — so a test can tell
that nothing was sent before the host key was accepted.
"""
import argparse
import asyncio
import os
import sys
import threading
import warnings

warnings.filterwarnings("ignore")
import asyncssh  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="user")
    parser.add_argument("--password-file", default="",
                        help="a file holding the password; no password logins without it")
    parser.add_argument("--authorized-keys", default="",
                        help="an authorized_keys file for public-key logins")
    parser.add_argument("--host-key", required=True, help="the server's private host key")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--auth-log", default="")
    parser.add_argument("--delay-ms", type=int, default=0,
                        help="delay every file-system request (a distant host)")
    parser.add_argument("--plant", default="",
                        help="a file name put into every folder made by mkdir, as if another "
                             "client had uploaded it at once")
    parser.add_argument("--request-log", default="",
                        help="append the name of each file-system request to this file")
    parser.add_argument("--exit-on-stdin-eof", action="store_true")
    args = parser.parse_args()

    password = None
    if args.password_file:
        with open(args.password_file) as f:
            password = f.read().rstrip("\n")
    log_lock = threading.Lock()

    def log(line):
        if args.auth_log:
            with log_lock, open(args.auth_log, "a") as f:
                f.write(line + "\n")

    class Server(asyncssh.SSHServer):
        def connection_made(self, conn):
            log("connect")

        def begin_auth(self, username):
            log("auth " + username)
            return True

        def password_auth_supported(self):
            return password is not None

        def validate_password(self, username, given):
            ok = username == args.user and given == password
            log("password ok" if ok else "password failed")
            return ok

        def public_key_auth_supported(self):
            return bool(args.authorized_keys)

        def validate_public_key(self, username, key):
            if username != args.user or not args.authorized_keys:
                return False
            keys = asyncssh.read_authorized_keys(args.authorized_keys)
            ok = keys.validate(key, "127.0.0.1", "127.0.0.1") is not None
            if ok:
                log("key ok")
            return ok

    class Files(asyncssh.SFTPServer):
        def __init__(self, chan):
            log("sftp")
            super().__init__(chan, chroot=args.root.encode())

        def mkdir(self, path, attrs):
            super().mkdir(path, attrs)
            if args.plant:
                with open(os.path.join(self.map_path(path), args.plant.encode()), "wb") as f:
                    f.write(b"planted by another client")

    def delayed(name):
        plain = getattr(Files, name)

        async def method(self, *a, **k):
            if args.request_log:
                with log_lock, open(args.request_log, "a") as f:
                    f.write(name + "\n")
            if args.delay_ms:
                await asyncio.sleep(args.delay_ms / 1000.0)
            result = plain(self, *a, **k)
            if asyncio.iscoroutine(result):
                result = await result
            return result
        return method

    if args.delay_ms or args.request_log:
        for name in ("open", "close", "read", "write", "stat", "lstat", "fstat", "setstat",
                     "fsetstat", "realpath", "mkdir", "remove", "rename", "posix_rename",
                     "scandir"):
            if hasattr(Files, name) and name != "scandir":
                setattr(Files, name, delayed(name))

    async def start():
        server = await asyncssh.create_server(
            Server, "127.0.0.1", args.port, server_host_keys=[args.host_key],
            sftp_factory=Files, allow_scp=False)
        port = server.sockets[0].getsockname()[1]
        sys.stdout.write("READY %d\n" % port)
        sys.stdout.flush()

    if args.exit_on_stdin_eof:
        def watch_parent():
            sys.stdin.buffer.read()
            os._exit(0)
        threading.Thread(target=watch_parent, daemon=True).start()

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    loop.run_until_complete(start())
    loop.run_forever()


if __name__ == "__main__":
    main()
