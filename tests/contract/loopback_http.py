#!/usr/bin/env python3
"""The network contract suite's server: plain HTTP on 127.0.0.1 only, a few fixed
answers, and it stops by itself. Prints the port it bound on its first line.

  /hello    200, Content-Length 5, "hello"
  /chunked  200, chunked, "abc" then "defgh"
  /missing  404
  /moved    302 to /hello
  /early    200, Content-Length 100, then 10 bytes and the connection closes
"""
import http.server
import sys
import threading


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


def main():
    lifetime = float(sys.argv[1]) if len(sys.argv) > 1 else 300.0
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    threading.Timer(lifetime, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
