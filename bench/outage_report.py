#!/usr/bin/env python3
"""Summarises an outage run, step by step, from outage_server.py's steps and
outage_watch.exe's samples (see bench/outage_bench.sh).

    outage_report.py --offset-ms 3500 STEPS SAMPLES

A reading counts as fresh when the server row leads the local clock by the server's offset
within a second. Exits non-zero when a sample breaks a bound: more poll workers than the limit,
a reply slower than 100 ms, or no fresh reading by the end of an answering step.
"""
import argparse
import statistics
import sys

POLL_WORKER_LIMIT = 16
LOCAL_CLOCK_WORKER_LIMIT = 4
REPLY_LIMIT_MS = 100
RESIDENT_AFTER_MS = 150 * 1000


def read_steps(path):
    steps = []
    for line in open(path):
        parts = line.split()
        if len(parts) == 2 and parts[0].isdigit():
            steps.append((int(parts[0]), parts[1]))
    return steps


def read_samples(path):
    samples = []
    for line in open(path):
        parts = line.split()
        if len(parts) != 5:
            continue
        ms, reply, threads, working, row = parts
        samples.append({
            "ms": int(ms), "reply": float(reply),
            "threads": [] if threads == "-" else threads.split(","),
            "working": int(working),
            "row": None if row == "empty" else int(row)})
    return samples


def percentile(values, fraction):
    values = sorted(values)
    return values[int(fraction * (len(values) - 1))] if values else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--offset-ms", type=int, required=True)
    parser.add_argument("steps")
    parser.add_argument("samples")
    args = parser.parse_args()
    steps, samples = read_steps(args.steps), read_samples(args.samples)
    if not steps or not samples:
        print("no steps or no samples to report", file=sys.stderr)
        return 1

    # Workers live for one request, which its time-outs end well within two minutes; the window
    # thread and the platform's own threads, some started only with the first request, live on.
    # A thread is its number and its creation time: numbers are given out again.
    first_seen, last_seen = {}, {}
    for s in samples:
        for t in s["threads"]:
            first_seen.setdefault(t, s["ms"])
            last_seen[t] = s["ms"]
    resident = {t for t in first_seen if last_seen[t] - first_seen[t] > RESIDENT_AFTER_MS}
    for s in samples:
        s["workers"] = sum(1 for t in s["threads"] if t not in resident)
        s["fresh"] = s["row"] is not None and abs(s["row"] - args.offset_ms) < 1000

    ok = True
    print("%d samples, every 100 ms; %d resident threads" % (len(samples), len(resident)))
    print("%-7s %6s  %-15s %-24s %-22s %s" % (
        "step", "secs", "workers med/max", "reply ms med/p99/max", "working set MiB",
        "row fresh/stale/empty, recovery"))
    for index, (start, name) in enumerate(steps):
        if name == "end":
            break
        end = steps[index + 1][0] if index + 1 < len(steps) else samples[-1]["ms"]
        part = [s for s in samples if start <= s["ms"] < end]
        if not part:
            continue
        workers = [s["workers"] for s in part]
        replies = [s["reply"] for s in part]
        unanswered = sum(1 for r in replies if r < 0)
        working = [s["working"] / 1024 for s in part]
        fresh = sum(s["fresh"] for s in part)
        empty = sum(s["row"] is None for s in part)
        note = ""
        if name == "answer":
            first = next((s for s in part if s["fresh"]), None)
            note = ("fresh after %.1f s" % ((first["ms"] - start) / 1000)) if first else \
                "NO FRESH READING"
            ok = ok and first is not None
        else:
            first = next((s for s in part if s["row"] is None), None)
            note = ("empty after %.1f s" % ((first["ms"] - start) / 1000)) if first else \
                "never empty"
        print("%-7s %6.0f  %3d / %-9d %6.1f / %6.1f / %-7.1f %5.1f..%-5.1f (%+5.1f) %d/%d/%d, %s" % (
            name, (end - start) / 1000, statistics.median(workers), max(workers),
            statistics.median(replies), percentile(replies, 0.99), max(replies),
            min(working), max(working), working[-1] - working[0], fresh,
            len(part) - fresh - empty, empty, note))
        if max(workers) > POLL_WORKER_LIMIT + LOCAL_CLOCK_WORKER_LIMIT:
            print("  more workers than the limits allow", file=sys.stderr)
            ok = False
        slow = sum(1 for r in replies if r > REPLY_LIMIT_MS) + unanswered
        if slow:
            print("  %d replies slower than %d ms" % (slow, REPLY_LIMIT_MS), file=sys.stderr)
            ok = False
    whole = [s["working"] / 1024 for s in samples]
    print("working set over the run: first %.1f MiB, last %.1f MiB, peak %.1f MiB" % (
        whole[0], whole[-1], max(whole)))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
