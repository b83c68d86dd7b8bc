#!/usr/bin/env python3
"""The demo time server with outages on a schedule, for the outage benchmark.

    outage_server.py --port 8443 --schedule answer:20,refuse:180,hang:180,answer:90

Each step lasts the given seconds: `answer` serves the endpoint as tools/demo_time_server.py
does; `refuse` closes the listening socket, so connections are refused; `hang` accepts
connections and never says a word. Connections accepted while hanging stay open and silent
after the server answers again, as those of a server that hung and came back would. Every
change of step is printed as "<Unix ms> <step>"; the script ends after the last step.
"""
import argparse
import importlib.util
import os
import socket
import ssl
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def load_demo_server():
    path = os.path.join(HERE, "..", "tools", "demo_time_server.py")
    found = importlib.util.spec_from_file_location("demo_time_server", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


class Switchboard:
    def __init__(self, port, context, handler):
        self.port, self.context, self.handler = port, context, handler
        self.step = "refuse"
        self.listener = None
        self.hung = []  # sockets of hung connections, kept open to the end
        self.lock = threading.Lock()

    def change(self, step):
        with self.lock:
            self.step = step
            if step == "refuse" and self.listener is not None:
                self.listener.close()
                self.listener = None
            elif step != "refuse" and self.listener is None:
                listener = socket.socket()
                listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                listener.bind(("127.0.0.1", self.port))
                listener.listen(64)
                listener.settimeout(0.1)
                self.listener = listener
        print("%d %s" % (int(time.time() * 1000), step), flush=True)

    def serve_until(self, deadline):
        while time.time() < deadline:
            with self.lock:
                listener, step = self.listener, self.step
            if listener is None:
                time.sleep(0.05)
                continue
            try:
                connection, address = listener.accept()
            except (socket.timeout, OSError):
                continue
            if step == "hang":
                self.hung.append(connection)
            else:
                threading.Thread(target=self.answer, args=(connection, address),
                                 daemon=True).start()

    def answer(self, connection, address):
        try:
            connection.settimeout(30)
            secure = self.context.wrap_socket(connection, server_side=True)
            self.handler(secure, address, self)
            secure.close()
        except (OSError, ssl.SSLError):
            connection.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8443)
    parser.add_argument("--offset-ms", type=int, default=3500)
    parser.add_argument("--schedule", required=True)
    parser.add_argument("--cert-dir", default=os.path.join(HERE, "..", "build", "demo-cert"))
    args = parser.parse_args()
    steps = []
    for item in args.schedule.split(","):
        step, seconds = item.split(":")
        if step not in ("answer", "refuse", "hang"):
            parser.error("unknown step " + step)
        steps.append((step, float(seconds)))

    demo = load_demo_server()
    cert, key = demo.ensure_certificate(args.cert_dir)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    answer_once = demo.make_handler(args.offset_ms, 0, False)

    class AnswerOnce(answer_once):
        # One answer per connection: a kept-alive connection would be pooled by the client and
        # carry on answering through a step that is meant to refuse or hang.
        def end_headers(self):
            self.send_header("Connection", "close")
            super().end_headers()

    board = Switchboard(args.port, context, AnswerOnce)
    for step, seconds in steps:
        board.change(step)
        board.serve_until(time.time() + seconds)
    print("%d end" % int(time.time() * 1000), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
