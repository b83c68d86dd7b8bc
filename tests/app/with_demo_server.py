#!/usr/bin/env python3
"""Runs a test program with the demo time server up on a free local port.

    with_demo_server.py COMMAND...

The server's endpoint URL is passed in CHRONALT_DEMO_URL, and a URL on a port where nothing
listens in CHRONALT_CLOSED_URL; the server answers with the local clock (no offset). The
program's exit status is this script's.
"""
import os
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "..", "tools", "demo_time_server.py")
PATH = "//ajax/queryServerData.html"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(port, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.1)
    return False


def main():
    port, closed = free_port(), free_port()
    with tempfile.TemporaryDirectory() as certs:
        server = subprocess.Popen(
            [sys.executable, SERVER, "--port", str(port), "--offset-ms", "0",
             "--cert-dir", certs], stdout=subprocess.DEVNULL)
        try:
            if not wait_for(port):
                print("the demo time server did not start", file=sys.stderr)
                return 1
            env = dict(os.environ,
                       CHRONALT_DEMO_URL="https://127.0.0.1:%d%s" % (port, PATH),
                       CHRONALT_CLOSED_URL="https://127.0.0.1:%d%s" % (closed, PATH))
            return subprocess.call(sys.argv[1:], env=env)
        finally:
            server.terminate()
            server.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
