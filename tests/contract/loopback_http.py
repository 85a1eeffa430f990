#!/usr/bin/env python3
"""The network contract suite's server: 127.0.0.1 only, a few fixed answers, and it stops
by itself after LIFETIME seconds (default 300).

  loopback_http.py [LIFETIME [TLS_FOLDER]]

Prints the plain HTTP port on its first line. Given TLS_FOLDER and an `openssl` on the
PATH, it also makes a throw-away certificate authority there (its key deleted as soon as it
has signed), a certificate for "localhost" only, serves the same answers over TLS, and
prints that port on a second line; the authority's certificate is TLS_FOLDER/ca.der.

  /hello    200, Content-Length 5, "hello"
  /chunked  200, chunked, "abc" then "defgh"
  /missing  404
  /moved    302 to /hello
  /early    200, Content-Length 100, then 10 bytes and the connection closes
  /gzip     200, "hello hello hello hello": gzip-compressed with Content-Encoding gzip
            and the compressed bytes' Content-Length when the request accepts gzip,
            else as it is
  /count    POST only: 201 when the body is exactly COUNT_BODY, 400 otherwise
"""
import gzip
import http.server
import os
import shutil
import ssl
import subprocess
import sys
import threading

# The authority signs certificates and nothing else; the server's certificate names
# localhost alone, so a request to 127.0.0.1 over TLS must fail its name check.
OPENSSL_CONFIG = """\
[req]
distinguished_name = subject
[subject]
[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost
authorityKeyIdentifier = keyid
"""

# What a download counter is sent; the server checks that the body arrived whole.
COUNT_BODY = b'{"source":"app","version":"2.10.2"}'


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, send_body):
        path = self.path.split("?")[0]
        if path == "/hello":
            self.send_response(200)
            self.send_header("Content-Length", "5")
            self.end_headers()
            if send_body:
                self.wfile.write(b"hello")
        elif path == "/chunked":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            if send_body:
                self.wfile.write(b"3\r\nabc\r\n5\r\ndefgh\r\n0\r\n\r\n")
        elif path == "/moved":
            self.send_response(302)
            self.send_header("Location", "/hello")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/gzip":
            packed = b"hello hello hello hello"
            # As a web server does: encoded only for a client that asked for it.
            encoded = "gzip" in self.headers.get("Accept-Encoding", "")
            if encoded:
                packed = gzip.compress(packed, mtime=0)
            self.send_response(200)
            if encoded:
                self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(packed)))
            self.end_headers()
            if send_body:
                self.wfile.write(packed)
        elif path == "/early":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.send_header("Connection", "close")
            self.end_headers()
            if send_body:
                self.wfile.write(b"0123456789")
                self.wfile.flush()
            self.close_connection = True
        else:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()

    def do_GET(self):
        self.answer(True)

    def do_HEAD(self):
        self.answer(False)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        ok = self.path == "/count" and body == COUNT_BODY
        self.send_response(201 if ok else 400)
        self.send_header("Content-Length", "0")
        self.end_headers()


def make_certificates(folder):
    """The server's certificate and key paths, or None without openssl."""
    if shutil.which("openssl") is None:
        return None
    os.makedirs(folder, exist_ok=True)
    path = lambda name: os.path.join(folder, name)
    with open(path("openssl.cnf"), "w") as config:
        config.write(OPENSSL_CONFIG)

    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)

    key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *key, "-keyout", path("ca.key"), "-out", path("ca.pem"),
            "-days", "2", "-subj", "/CN=Veltrane contract test authority",
            "-config", path("openssl.cnf"), "-extensions", "authority")
    openssl("req", *key, "-keyout", path("server.key"), "-out", path("server.csr"),
            "-subj", "/CN=localhost", "-config", path("openssl.cnf"))
    openssl("x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"),
            "-CAkey", path("ca.key"), "-set_serial", "1", "-days", "2",
            "-out", path("server.pem"), "-extfile", path("openssl.cnf"),
            "-extensions", "server")
    os.remove(path("ca.key"))
    openssl("x509", "-in", path("ca.pem"), "-outform", "DER", "-out", path("ca.der"))
    return path("server.pem"), path("server.key")


def serve(server):
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    lifetime = float(sys.argv[1]) if len(sys.argv) > 1 else 300.0
    servers = [http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)]
    certificates = make_certificates(sys.argv[2]) if len(sys.argv) > 2 else None
    if certificates is not None:
        secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*certificates)
        secure.socket = context.wrap_socket(secure.socket, server_side=True)
        servers.append(secure)
    # Every port in one write, so a reader never sees half the list.
    print("\n".join(str(server.server_address[1]) for server in servers), flush=True)
    for server in servers:
        serve(server)
    threading.Event().wait(lifetime)


if __name__ == "__main__":
    main()
