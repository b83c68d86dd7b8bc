#!/usr/bin/env python3
"""Local HTTP and HTTPS servers for the end-to-end tests and the benchmark of the request routine.

Usage: https_test_server.py COMMAND [ARGS...]

Makes a throw-away self-signed certificate with openssl, serves HTTPS and plain HTTP on
127.0.0.1 (ports chosen by the system), runs COMMAND with their ports in the environment
(CHRONALT_TEST_HTTPS_PORT, CHRONALT_TEST_HTTP_PORT, and CHRONALT_TEST_CLOSED_PORT, where nothing
listens), then stops the servers and exits with COMMAND's status. Only the standard library.

The answers are fixed per path, so a test can check exactly what arrives and what comes back:
the echo paths send the raw request back as the body, so the request line and the header block
the client sent can be compared byte for byte.
"""

import os
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

SERVER_TIME = b'{"serverTime":1700000000123}'

# "中文" in each of the charsets the pages declare.
CHINESE_UTF8 = "中文".encode("utf-8")
CHINESE_BIG5 = "中文".encode("big5")
CHINESE_GBK = "中文".encode("gbk")

REASONS = {200: "OK", 302: "Found", 401: "Unauthorized", 404: "Not Found",
           500: "Internal Server Error"}


def page(charset_declaration, body):
    return (b"<html><head>" + charset_declaration + b"<title>t</title></head><body>" + body +
            b"</body></html>")


def fixed_answers():
    """path -> (status, extra header lines, body)"""
    late_meta = b"<!--" + b"x" * 1100 + b"-->"
    return {
        "/ajax/queryServerData.html": (200, [], SERVER_TIME),
        "/status/404": (404, [], b"missing page"),
        "/status/500": (500, [], b"broken page"),
        "/cookies": (200, [b"Set-Cookie: a=1; path=/; HttpOnly", b"Set-Cookie: b=2",
                           b"set-cookie: lower=1"], b"cookies set"),
        "/deleting-cookies": (200, [b"Set-Cookie: sid=deleted; expires=Thu, 01 Jan 1970 "
                                    b"00:00:00 GMT", b"Set-Cookie: token=t1"], b"ok"),
        "/redirect": (302, [b"Location: /echo?from=redirect"], b"moved"),
        "/zero": (200, [], b"ab\x00cd"),
        "/charset/utf8": (200, [], page(b'<META CharSet="utf-8">', CHINESE_UTF8)),
        "/charset/big5": (200, [], page(
            b'<meta http-equiv="Content-Type" content="text/html; charset=big5">', CHINESE_BIG5)),
        # \x81\x7f is no character of code page 936; it survives only when nothing converts.
        "/charset/gbk": (200, [], page(b'<meta charset="gbk">', CHINESE_GBK + b"\x81\x7f")),
        "/charset/GBK": (200, [], page(b'<meta charset="GBK">', CHINESE_GBK + b"\x81\x7f")),
        "/charset/late": (200, [], late_meta + page(b'<meta charset="utf-8">', CHINESE_UTF8)),
        "/charset/none": (200, [], CHINESE_GBK),
    }


class Handler(socketserver.BaseRequestHandler):
    answers = fixed_answers()

    def setup(self):
        self.request.settimeout(30)
        if self.server.tls_context is not None:
            # The handshake runs here, on the connection's own thread.
            self.request = self.server.tls_context.wrap_socket(self.request, server_side=True)
        self.reader = self.request.makefile("rb")

    def handle(self):
        try:
            while self.handle_one():
                pass
        except (OSError, ssl.SSLError, ValueError):
            pass

    def finish(self):
        try:
            self.reader.close()
            self.request.close()
        except OSError:
            pass

    def handle_one(self):
        head = b""
        while True:
            line = self.reader.readline(65537)
            if not line:
                return False
            head += line
            if line in (b"\r\n", b"\n"):
                break
        lines = head.split(b"\r\n")
        request_line = lines[0].decode("latin-1")
        method, target, _ = request_line.split(" ", 2)
        headers = {}
        for line in lines[1:]:
            if b":" in line:
                name, value = line.split(b":", 1)
                headers[name.strip().lower()] = value.strip()
        length = int(headers.get(b"content-length", b"0") or 0)
        body = self.reader.read(length) if length else b""
        keep_alive = headers.get(b"connection", b"").lower() != b"close"
        path = target.split("?", 1)[0]
        # The endpoint's URL starts its path with two slashes; every page answers either way.
        if path.startswith("//"):
            path = path[1:]

        if path.startswith("/echo"):
            self.answer(200, [b"Content-Type: text/plain"], head + body, method)
        elif path == "/silent":
            time.sleep(5)
            return False
        elif path == "/truncated":
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" +
                                 b"y" * 50000)
            return False
        elif path == "/big":
            size = int(target.split("size=", 1)[1]) if "size=" in target else 0
            self.send_big(size)
        elif path == "/auth":
            if headers.get(b"authorization") == b"Basic dXNlcjpwYXNz":  # user:pass
                self.answer(200, [], b"authorised", method)
            else:
                self.answer(401, [b'WWW-Authenticate: Basic realm="test"'], b"who?", method)
        elif path in self.answers:
            status, extra, content = self.answers[path]
            self.answer(status, extra, content, method)
        else:
            self.answer(404, [], b"no such page", method)
        return keep_alive

    def answer(self, status, extra_headers, body, method="GET"):
        head = [b"HTTP/1.1 %d %s" % (status, REASONS[status].encode()),
                b"Content-Length: %d" % len(body)] + extra_headers
        out = b"\r\n".join(head) + b"\r\n\r\n"
        if method != "HEAD":
            out += body
        self.request.sendall(out)

    def send_big(self, size):
        self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                             b"Content-Length: %d\r\n\r\n" % size)
        block = b"x" * (1 << 20)
        left = size
        while left > 0:
            n = min(left, len(block))
            self.request.sendall(block[:n])
            left -= n


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64

    def __init__(self, tls_context):
        self.tls_context = tls_context
        super().__init__(("127.0.0.1", 0), Handler)


def make_certificate(directory):
    key = os.path.join(directory, "key.pem")
    cert = os.path.join(directory, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=chronalt-test"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def unused_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="chronalt-https-") as directory:
        cert, key = make_certificate(directory)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        servers = [Server(context), Server(None)]
        for server in servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        env = dict(os.environ,
                   CHRONALT_TEST_HTTPS_PORT=str(servers[0].server_address[1]),
                   CHRONALT_TEST_HTTP_PORT=str(servers[1].server_address[1]),
                   CHRONALT_TEST_CLOSED_PORT=str(unused_port()))
        try:
            status = subprocess.call(argv[1:], env=env)
        finally:
            for server in servers:
                server.shutdown()
                server.server_close()
        return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
