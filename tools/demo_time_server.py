#!/usr/bin/env python3
"""A stand-in for the shopping site's server-data endpoint, for running and testing Chronalt
without the real site.

It serves HTTPS on 127.0.0.1 and answers GET //ajax/queryServerData.html with
{"serverTime":<Unix time in milliseconds>}, taken from the local clock plus an offset (a few
seconds ahead by default, so the window's two rows visibly differ) after an optional delay.
The self-signed certificate is made with openssl on first start and kept in --cert-dir;
Chronalt ignores certificate errors, as it does for the real site.
"""
import argparse
import http.server
import os
import ssl
import subprocess
import sys
import threading
import time

ENDPOINT = "//ajax/queryServerData.html"


def ensure_certificate(cert_dir):
    cert = os.path.join(cert_dir, "demo-cert.pem")
    key = os.path.join(cert_dir, "demo-key.pem")
    if not (os.path.exists(cert) and os.path.exists(key)):
        os.makedirs(cert_dir, exist_ok=True)
        subprocess.run(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
             "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
            check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def make_handler(offset_ms, delay_ms, log_requests):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        # Headers and body go out as separate writes; with Nagle's algorithm the body then
        # waits for the client's delayed acknowledgement (about 40 ms on Linux), which would
        # be the fixture's cost, not the program's.
        disable_nagle_algorithm = True

        def do_GET(self):  # noqa: N802 (the name the base class calls)
            # The request line as sent: the server library folds a leading "//" in self.path,
            # and the endpoint's own path begins with one.
            target = self.requestline.split(" ")[1] if " " in self.requestline else self.path
            if log_requests:
                # For the benchmark: when each request came, to count them per second.
                print("%d %s" % (int(time.time() * 1000), target), flush=True)
            if target.split("?", 1)[0] != ENDPOINT:
                self.send_error(404)
                return
            if delay_ms > 0:
                time.sleep(delay_ms / 1000.0)
            now_ms = int(time.time() * 1000) + offset_ms
            body = ('{"serverTime":%d}' % now_ms).encode("ascii")
            self.send_response(200)
            self.send_header("Content-Type", "application/json;charset=UTF-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):  # quiet: the program it serves keeps no log either
            pass

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8443)
    parser.add_argument("--offset-ms", type=int, default=3500,
                        help="how far the served clock runs ahead of the local one")
    parser.add_argument("--delay-ms", type=int, default=0, help="wait before each answer")
    parser.add_argument("--log-requests", action="store_true",
                        help="print the arrival time and target of every request")
    parser.add_argument("--cert-dir", default=os.path.join(os.path.dirname(__file__), "..",
                                                           "build", "demo-cert"))
    args = parser.parse_args()

    cert, key = ensure_certificate(args.cert_dir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port),
                                             make_handler(args.offset_ms, args.delay_ms,
                                                          args.log_requests))
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("demo time server on https://127.0.0.1:%d%s" % (server.server_address[1], ENDPOINT),
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
