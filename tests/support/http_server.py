#!/usr/bin/python3
"""An HTTP server on 127.0.0.1 for the tests: serves the files of one folder.

    http_server.py ROOT

Writes the port it listens on to ROOT/port, logs every requested path with its User-Agent to
ROOT/requests.log (a tab between them) and ends when ROOT/alive disappears (or after ten
minutes, should a test die without saying so).
ROOT/rules, read again for every request, changes how a path is served, one rule a line:
    /path nolength      no Content-Length header: the end of the body is the end of the connection
    /path slow N        N bytes per second
    /path hang          the request is read and never answered
    /path stall N       the headers and the first N bytes, then nothing more
A missing file gets the standard 404 page, with its body.
"""
import http.server
import os
import sys
import threading
import time

root = os.path.abspath(sys.argv[1])
stopping = threading.Event()


def rules():
    found = {}
    try:
        with open(os.path.join(root, "rules")) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 2:
                    found[parts[0]] = parts[1:]
    except OSError:
        pass
    return found


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write("%s\t%s\n" % (path, self.headers.get("User-Agent", "")))
        rule = rules().get(path, [])
        if rule[:1] == ["hang"]:
            stopping.wait(600)
            return
        local = os.path.normpath(os.path.join(root, path.lstrip("/")))
        if not local.startswith(root + os.sep) or not os.path.isfile(local):
            self.send_error(404)
            return
        with open(local, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if rule[:1] != ["nolength"]:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if rule[:1] == ["slow"]:
            rate = max(1, int(rule[1]))
            piece = max(1, rate // 20)
            for at in range(0, len(body), piece):
                if stopping.is_set():
                    return
                self.wfile.write(body[at:at + piece])
                self.wfile.flush()
                time.sleep(piece / rate)
        elif rule[:1] == ["stall"]:
            self.wfile.write(body[:int(rule[1])])
            self.wfile.flush()
            stopping.wait(600)
        else:
            self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that hung up mid-answer is what several tests do on purpose


def watch(server):
    deadline = time.monotonic() + 600
    while os.path.exists(os.path.join(root, "alive")) and time.monotonic() < deadline:
        time.sleep(0.05)
    stopping.set()
    server.shutdown()


server = Server(("127.0.0.1", 0), Handler)
with open(os.path.join(root, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.replace(os.path.join(root, "port.tmp"), os.path.join(root, "port"))
threading.Thread(target=watch, args=(server,), daemon=True).start()
server.serve_forever()
server.server_close()
with open(os.path.join(root, "stopped"), "w") as f:
    f.write("stopped")
