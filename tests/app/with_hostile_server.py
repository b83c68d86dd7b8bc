#!/usr/bin/env python3
"""Runs a test program with the hostile time server's listeners up on free local ports.

    with_hostile_server.py COMMAND...

The program learns where they are from the environment:
  CHRONALT_HOSTILE_HTTPS       https://127.0.0.1:PORT, the endpoint over TLS
  CHRONALT_HOSTILE_OTHER_NAME  the same with a certificate for CN=other.example
  CHRONALT_HOSTILE_PLAIN       https://127.0.0.1:PORT of a listener that speaks no TLS
  CHRONALT_HOSTILE_RESET       https://... of one that resets every connection at once
  CHRONALT_HOSTILE_GARBAGE     https://... of one that answers the TLS hello with junk
  CHRONALT_HOSTILE_CLOSED      https://... of a port where nothing listens
  CHRONALT_HOSTILE_RECORD_DIR  where the server records each body it sent (NAME-N.body), as
                               the program under test spells the path
Afterwards it prints how many answers of each case the server sent. The program's exit status
is this script's.
"""
import collections
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hostile_time_server  # noqa: E402 (found through the line above)


def program_path(path):
    """The path as the Windows program sees it: under Wine the Unix root is drive Z:."""
    return path if os.name == "nt" else "Z:" + path


def tally(record_dir):
    counts = collections.Counter()
    try:
        with open(os.path.join(record_dir, "served.log")) as log:
            for line in log:
                counts[line.split(" ", 1)[0]] += 1
    except OSError:
        pass
    return counts


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="chronalt-hostile-record-") as record_dir:
        servers = hostile_time_server.HostileServers(record_dir)
        try:
            ports = servers.ports
            env = dict(os.environ, CHRONALT_HOSTILE_RECORD_DIR=program_path(record_dir))
            for name in ("https", "other_name", "plain", "reset", "garbage", "closed"):
                env["CHRONALT_HOSTILE_" + name.upper()] = "https://127.0.0.1:%d" % ports[name]
            status = subprocess.call(sys.argv[1:], env=env)
        finally:
            servers.close()
        counts = tally(record_dir)
        random_count = sum(n for case, n in counts.items() if case.startswith("random-"))
        print("hostile server: %d answers sent (%d random, %d of the fixed cases, redirect "
              "hops included)" % (sum(counts.values()), random_count,
                                  sum(counts.values()) - random_count))
        for case in sorted(c for c in counts if c.startswith("random-")):
            print("  %s: %d" % (case, counts[case]))
        return status


if __name__ == "__main__":
    sys.exit(main())
