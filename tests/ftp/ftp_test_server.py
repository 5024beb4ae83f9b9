#!/usr/bin/python3
# FTP servers on 127.0.0.1 for the FTP tests, run by Debian's python3 (pyftpdlib).
"""Usage:
  ftp_test_server.py CONTROL_PORT
      Connects to 127.0.0.1:CONTROL_PORT, where the test listens, and answers its commands,
      one line each way:
        start USER PASSWORD LIMIT [older|one-mover]
                                    a server in a process of its own, with a fresh root folder;
                                    LIMIT bytes per second each way (0: no limit); older: no
                                    machine listings (MLSD) and one connection per address
                                    (it holds any other without a word); one-mover: only the
                                    oldest connection may open data connections

                                    -> "ok PORT ROOT"
        stall PORT                  the server stops answering anything (SIGSTOP)
        stop PORT                   ends the server and removes its root folder -> "ok"
        touch PORT NAME             a small file NAME (the rest of the line) in the server's root,
                                    and the folders it needs
        link PORT NAME TARGET       a symbolic link NAME to TARGET in the server's root (no blanks)
        unused                      a port on which nothing listens -> "ok PORT"
        mirror PORT USER PASSWORD up|down LOCAL REMOTE
                                    lftp copies the tree (the benchmarks' reference) -> "ok MS"
      When the test closes the connection (or dies), every server is stopped and this ends.
  ftp_test_server.py --serve ROOT USER PASSWORD LIMIT [older|one-mover]
      One server; prints its port on the first line of standard output.
"""

import os
import shutil
import time
import signal
import socket
import subprocess
import sys
import tempfile


def serve(root, user, password, limit, kind):
    older = kind == "older"
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import BufferedIteratorProducer, FTPHandler, ThrottledDTPHandler
    from pyftpdlib.servers import FTPServer

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")

    def machine_listing(self, path):
        # What no real folder lists: more entries than any holds, a name longer than any file's,
        # entries that cannot be read.
        name = os.path.basename(path.rstrip("/"))
        if name == "endless":
            lines = (f"type=dir; d{n}\r\n".encode() for n in range(1_100_000))
        elif name == "long-name":
            lines = iter([b"type=file;size=1; " + b"n" * 100_000 + b"\r\n"])
        elif name == "odd":
            lines = iter([b"type=file;size=1x; odd.txt\r\n", b"type=cdir; .\r\n", b"type=dir; a/b\r\n"])
        else:
            return FTPHandler.ftp_MLSD(self, path)
        self.push_dtp_data(BufferedIteratorProducer(lines), isproducer=True, cmd="MLSD")
        return path

    handler = type("Handler", (FTPHandler,), {"ftp_MLSD": machine_listing})
    handler.authorizer = authorizer
    if kind == "one-mover":
        # Logged in, the other connections are refused every file, as a server that allows a
        # user one transfer at a time refuses them: a second later, when the first may have
        # run out of files.
        connected = []

        def passive(command):
            def answer(self, line):
                if connected and connected[0] is not self:
                    return self.ioloop.call_later(1, self.respond, "425 One transfer at a time.")
                return getattr(FTPHandler, command)(self, line)
            return answer
        handler.on_connect = lambda self: connected.append(self)
        handler.on_disconnect = lambda self: connected.remove(self)
        handler.ftp_PASV = passive("ftp_PASV")
        handler.ftp_EPSV = passive("ftp_EPSV")
    if older:
        handler.proto_cmds = {name: value for name, value in FTPHandler.proto_cmds.items()
                              if name not in ("MLSD", "MLST")}
        # As a firewall that limits connections does: no refusal, no greeting.
        handler.handle_max_cons_per_ip = lambda self: None
    if limit > 0:
        handler.dtp_handler = type("Throttled", (ThrottledDTPHandler,),
                                   {"read_limit": limit, "write_limit": limit})
    # A connection that a test keeps waiting is never ended by a timeout of the server's own.
    handler.timeout = None
    server = FTPServer(("127.0.0.1", 0), handler)
    if older:
        server.max_cons_per_ip = 1
    print(server.address[1], flush=True)
    server.serve_forever()


def control(port):
    # Started from Wine, python cannot tell its own path.
    python = sys.executable or "/usr/bin/python3"
    servers = {}  # port -> (process, root)

    def stop(server_port):
        process, root = servers.pop(server_port)
        try:
            process.send_signal(signal.SIGCONT)
            process.kill()
            process.wait()
        except OSError:
            pass
        shutil.rmtree(root, ignore_errors=True)

    def answer(words, line):
        if words[:1] == ["start"] and len(words) in (4, 5):
            root = tempfile.mkdtemp(prefix="qmftp-")
            process = subprocess.Popen(
                [python, os.path.abspath(__file__), "--serve", root] + words[1:],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
            server_port = int(process.stdout.readline())
            servers[server_port] = (process, root)
            return f"ok {server_port} {root}"
        if words[:1] == ["stall"] and len(words) == 2:
            servers[int(words[1])][0].send_signal(signal.SIGSTOP)
            return "ok"
        if words[:1] == ["stop"] and len(words) == 2:
            stop(int(words[1]))
            return "ok"
        if words[:1] == ["touch"] and len(words) >= 3:
            path = os.path.join(servers[int(words[1])][1], line.rstrip("\n").split(" ", 2)[2])
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write("x")
            return "ok"
        if words[:1] == ["link"] and len(words) == 4:
            os.symlink(words[3], os.path.join(servers[int(words[1])][1], words[2]))
            return "ok"
        if words[:1] == ["mirror"] and len(words) == 7:
            server_port, user, password, direction, local, remote = words[1:]
            mirror = f"mirror --no-perms {'-R ' + local + ' ' + remote if direction == 'up' else remote + ' ' + local}"
            started = time.monotonic()
            subprocess.run(["lftp", "-u", f"{user},{password}", "-e",
                            f"set ftp:passive-mode on; set cmd:fail-exit yes; {mirror}; quit",
                            f"ftp://127.0.0.1:{server_port}"],
                           check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
            return f"ok {int((time.monotonic() - started) * 1000)}"
        if words == ["unused"]:
            probe = socket.socket()
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
            probe.close()
            return f"ok {port}"
        return "error unknown request"

    connection = socket.create_connection(("127.0.0.1", port))
    lines = connection.makefile("rw", encoding="utf-8", newline="\n")
    try:
        for line in lines:
            try:
                reply = answer(line.split(), line)
            except Exception as error:  # a bad request must not end the other servers
                reply = f"error {error!r}"
            lines.write(reply + "\n")
            lines.flush()
    except OSError:
        pass  # the test went away
    finally:
        for server_port in list(servers):
            stop(server_port)


def main(argv):
    if len(argv) in (6, 7) and argv[1] == "--serve":
        serve(argv[2], argv[3], argv[4], int(argv[5]), argv[6] if len(argv) == 7 else "")
    elif len(argv) == 2:
        control(int(argv[1]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
