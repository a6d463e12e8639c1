#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the tests.

Serves files below --root, and a few paths that misbehave on purpose:
  /status/<code>/...   answers <code> with a short error page
  /cut/...             promises 1000 bytes, sends 10, closes the connection
  /slow/<ms>/<path>    waits <ms> milliseconds, then serves <path>
While a file named "__config_unreachable" lies in --root, a request for
/games/pgame.ini gets its connection closed without an answer, as from a
server that is down.
A file "<name>.__answer" beside a served file changes how it is served:
holding a status code (say 404), the file's bytes come with that status;
holding "cut", the answer promises the whole file, sends its first half and
closes the connection; "stall" answers nothing at all, "silence" sends the
headers and then nothing, "trickle" sends the headers and then one byte every
2 s, each for at most STALL_LIMIT seconds before it closes the connection;
"slow:<ms>" waits that long, then serves the file whole.
Every request is appended to --log as "<unix time> <method> <path>", so a
test can see what was asked and when.
"""
import argparse
import http.server
import os
import sys
import threading
import time
import urllib.parse

# The longest a stalled answer keeps its connection, so that nothing a test
# starts outlives it by much.
STALL_LIMIT = 30.0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1.0"

    def log_message(self, fmt, *args):
        pass

    def record(self):
        with self.server.log_lock:
            with open(self.server.log_path, "a", encoding="utf-8") as log:
                log.write("%.3f %s %s\n" % (time.time(), self.command, self.path))

    def answer(self, code, body, content_type="text/plain"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        self.record()
        path = urllib.parse.urlsplit(self.path).path
        parts = [p for p in path.split("/") if p]
        if path == "/games/pgame.ini" and os.path.exists(os.path.join(self.server.root, "__config_unreachable")):
            self.close_connection = True
            self.connection.shutdown(2)
            return
        if len(parts) >= 2 and parts[0] == "status" and parts[1].isdigit():
            code = int(parts[1])
            return self.answer(code, ("status %d\r\n" % code).encode())
        if parts and parts[0] == "cut":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"[Init]\r\nTi")
            self.wfile.flush()
            self.close_connection = True
            return
        if len(parts) >= 2 and parts[0] == "slow" and parts[1].isdigit():
            time.sleep(int(parts[1]) / 1000.0)
            parts = parts[2:]
        local = os.path.join(self.server.root, *parts)
        if not os.path.realpath(local).startswith(os.path.realpath(self.server.root)):
            return self.answer(403, b"forbidden\r\n")
        if os.path.isfile(local):
            with open(local, "rb") as f:
                body = f.read()
            kind = "text/html" if local.endswith(".html") else "text/plain"
            how = ""
            if os.path.isfile(local + ".__answer"):
                with open(local + ".__answer", encoding="utf-8") as f:
                    how = f.read().strip()
            if how.startswith("slow:") and how[5:].isdigit():
                time.sleep(int(how[5:]) / 1000.0)
                how = ""
            if how in ("stall", "silence", "trickle"):
                return self.stall(how, body)
            if how == "cut":
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                self.close_connection = True
                return
            return self.answer(int(how) if how.isdigit() else 200, body, kind)
        return self.answer(404, b"<html><body>not found</body></html>\r\n", "text/html")

    def stall(self, how, body):
        end = time.time() + STALL_LIMIT
        if how != "stall":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            self.wfile.flush()
        sent = 0
        while time.time() < end:
            time.sleep(min(2.0, max(0.0, end - time.time())))
            if how == "trickle" and sent < len(body):
                try:
                    self.wfile.write(body[sent:sent + 1])
                    self.wfile.flush()
                except OSError:
                    break
                sent += 1
        self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.root = os.path.abspath(args.root)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    print("serving %s on 127.0.0.1:%d" % (server.root, args.port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
