#!/usr/bin/env bash
# program_bench.sh [SECONDS]: chronalt.exe running against the demo time server under Wine, for
# 60 seconds unless given. Starts the demo server on 127.0.0.1:8443 (where a default build
# looks) with its offset and a log of requests, then the program, then program_bench.exe, which
# watches the window from outside (staleness of the server row, tick period, threads, round
# trip). Adds the program's requests per second and the CPU use of its process and of the Wine
# server. Build first: cmake --build --preset windows --target chronalt program_bench
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
offset_ms=3500
exe="$PWD/build/windows/src/app/chronalt.exe"
watcher="$PWD/build/windows/bench/program_bench.exe"
for f in "$exe" "$watcher"; do [ -f "$f" ] || { echo "build $f first" >&2; exit 1; }; done
log=$(mktemp)

source bench/wine_bench_env.sh

python3 tools/demo_time_server.py --port 8443 --offset-ms "$offset_ms" --log-requests \
  --cert-dir build/demo-cert >"$log" &
demo_pid=$!
pids+=("$demo_pid")
sleep 2
grep -q "demo time server on" "$log" || { echo "the demo time server did not start" >&2; exit 1; }

"$wine" "$exe" >/dev/null 2>&1 &
program_pid=$!
pids+=("$program_pid")
sleep 3  # start-up is not part of the steady state

program_before=$(cpu_seconds "$program_pid")
server_before=$(cpu_seconds "$server_pid")
demo_before=$(cpu_seconds "$demo_pid")
x_before=$(cpu_seconds "${pids[0]}")
start_ms=$(date +%s%3N)
"$wine" "$watcher" "$seconds" "$offset_ms" \
  "https://127.0.0.1:8443//ajax/queryServerData.html?probe"
status=$?
end_ms=$(date +%s%3N)
program_after=$(cpu_seconds "$program_pid")
server_after=$(cpu_seconds "$server_pid")
demo_after=$(cpu_seconds "$demo_pid")
x_after=$(cpu_seconds "${pids[0]}")

# The program's own requests in the watched window; the watcher's carry "?probe".
requests=$(awk -v a="$start_ms" -v b="$end_ms" '$1 >= a && $1 <= b && $2 !~ /probe/' "$log" | wc -l)
awk -v s="$seconds" -v n="$requests" -v ms=$((end_ms - start_ms)) -v p0="$program_before" \
  -v p1="$program_after" -v w0="$server_before" -v w1="$server_after" -v d0="$demo_before" -v d1="$demo_after" \
  -v x0="$x_before" -v x1="$x_after" 'BEGIN {
    t = ms / 1000
    printf "requests from chronalt.exe: %d in %.1f s, %.1f per second\n", n, t, n / t
    printf "CPU over %.1f s: chronalt.exe %.1f%% of one core, wineserver %.1f%%\n",
           t, 100 * (p1 - p0) / t, 100 * (w1 - w0) / t
    printf "  beside it: demo server %.1f%%, Xvfb %.1f%% (the watcher and its polling are not counted)\n",
           100 * (d1 - d0) / t, 100 * (x1 - x0) / t
  }'
rm -f "$log"
exit "$status"
