#!/usr/bin/env python3
"""Runs a test program with the demo time server up on a free local port.

    with_demo_server.py [--port N] [--offset-ms MS] COMMAND...

The server's endpoint URL is passed in CHRONALT_DEMO_URL, its offset in CHRONALT_DEMO_OFFSET_MS,
and a URL on a port where nothing listens in CHRONALT_CLOSED_URL. Without --port the server
takes a free port; without --offset-ms it answers with the local clock. The program's exit
status is this script's.
"""
import argparse
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


def port_is_free(port):
    with socket.socket() as s:
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def main():
    parser = argparse.ArgumentParser(usage=__doc__.strip().splitlines()[2].strip())
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--offset-ms", type=int, default=0)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if not args.command:
        parser.error("no command to run")
    if args.port and not port_is_free(args.port):
        # The program under test asks this very port; another server there would answer it.
        print("port %d is in use (is ./run.sh running?)" % args.port, file=sys.stderr)
        return 1
    port, closed = args.port or free_port(), free_port()
    with tempfile.TemporaryDirectory() as certs:
        server = subprocess.Popen(
            [sys.executable, SERVER, "--port", str(port), "--offset-ms", str(args.offset_ms),
             "--cert-dir", certs], stdout=subprocess.DEVNULL)
        try:
            if not wait_for(port) or server.poll() is not None:
                print("the demo time server did not start", file=sys.stderr)
                return 1
            env = dict(os.environ,
                       CHRONALT_DEMO_URL="https://127.0.0.1:%d%s" % (port, PATH),
                       CHRONALT_DEMO_OFFSET_MS=str(args.offset_ms),
                       CHRONALT_CLOSED_URL="https://127.0.0.1:%d%s" % (closed, PATH))
            return subprocess.call(args.command, env=env)
        finally:
            server.terminate()
            server.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
