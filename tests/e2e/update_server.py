#!/usr/bin/env python3
"""The self-update test's stand-in for the maker's hosts: TLS on 127.0.0.1 port 443 for
"localhost" only, with the contract suite's throw-away certificate authority, and gone by
itself after LIFETIME seconds.

  update_server.py FOLDER TLS_FOLDER REQUEST_LOG [LIFETIME]

Prints "ready" once it listens. Every request is appended to REQUEST_LOG as
"METHOD HOST PATH" (HOST as the Host header gives it), so a test can tell which names
were asked for.

  GET  /veltrane/latest.json   FOLDER/latest.json, read afresh on every request
  POST /api/veltrane/downloads 201 (the download counter)
  GET  /Veltrane-moved.exe     302 to https://127.0.0.1/Veltrane.exe (another host)
  GET  /Veltrane-oversize.exe  chunked, 64 MiB and one more chunk, no length announced
  GET  /NAME.exe               FOLDER/NAME.exe with its length
  anything else                404
"""
import http.server
import importlib.util
import os
import ssl
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location(
    "loopback_http", os.path.join(HERE, "..", "contract", "loopback_http.py"))
loopback_http = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(loopback_http)

CHUNK = 64 * 1024
# One chunk past the program's cap on a release file.
OVERSIZE_CHUNKS = 64 * 1024 * 1024 // CHUNK + 1


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = ""
    request_log = ""
    log_lock = threading.Lock()

    def log_message(self, *args):
        pass

    def record(self):
        line = "%s %s %s\n" % (self.command, self.headers.get("Host", "-"), self.path)
        with self.log_lock, open(self.request_log, "a") as log:
            log.write(line)

    def empty(self, status, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def file(self, name, kind):
        path = os.path.join(self.folder, name)
        if "/" in name or not os.path.isfile(path):
            self.empty(404)
            return
        with open(path, "rb") as source:
            body = source.read()
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def oversize(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        chunk = b"%x\r\n" % CHUNK + b"\0" * CHUNK + b"\r\n"
        try:
            for _ in range(OVERSIZE_CHUNKS):
                self.wfile.write(chunk)
            self.wfile.write(b"0\r\n\r\n")
        except OSError:
            pass  # the client gave up at its cap, as it should
        self.close_connection = True

    def do_GET(self):
        self.record()
        path = self.path.split("?")[0]
        if path == "/veltrane/latest.json":
            self.file("latest.json", "application/json")
        elif path == "/Veltrane-moved.exe":
            self.empty(302, [("Location", "https://127.0.0.1/Veltrane.exe")])
        elif path == "/Veltrane-oversize.exe":
            self.oversize()
        elif path.endswith(".exe"):
            self.file(path[1:], "application/octet-stream")
        else:
            self.empty(404)

    def do_POST(self):
        self.record()
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.empty(201 if self.path == "/api/veltrane/downloads" else 404)


def main():
    folder, tls_folder, request_log = sys.argv[1:4]
    lifetime = float(sys.argv[4]) if len(sys.argv) > 4 else 600.0
    certificate = loopback_http.make_certificates(tls_folder)
    if certificate is None:
        sys.exit("openssl is needed for the throw-away certificate authority")
    Handler.folder = folder
    Handler.request_log = request_log
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 443), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(*certificate)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("ready", flush=True)
    threading.Event().wait(lifetime)


if __name__ == "__main__":
    main()
