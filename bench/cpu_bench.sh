#!/usr/bin/env bash
# cpu_bench.sh [SECONDS]: the CPU use of the program itself under Wine, seen from outside. Starts
# build/windows/src/app/chronalt.exe on a private Xvfb screen in a Wine prefix of its own
# (bench/wine_bench_env.sh), lets it run (30 seconds unless given) and prints the CPU seconds
# its process and the Wine server used, as a share of one core. Build the program first
# (cmake --build --preset windows --target chronalt).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
exe="$PWD/build/windows/src/app/chronalt.exe"
[ -f "$exe" ] || { echo "build $exe first" >&2; exit 1; }

source bench/wine_bench_env.sh

"$wine" "$exe" >/dev/null 2>&1 &
program_pid=$!
pids+=("$program_pid")
sleep 3  # start-up is not part of the steady state
program_before=$(cpu_seconds "$program_pid")
server_before=$(cpu_seconds "$server_pid")
sleep "$seconds"
program_after=$(cpu_seconds "$program_pid")
server_after=$(cpu_seconds "$server_pid")

awk -v s="$seconds" -v p0="$program_before" -v p1="$program_after" \
  -v w0="$server_before" -v w1="$server_after" 'BEGIN {
    printf "over %d s: chronalt.exe %.2f s CPU (%.1f%% of one core), wineserver %.2f s (%.1f%%)\n",
           s, p1 - p0, 100 * (p1 - p0) / s, w1 - w0, 100 * (w1 - w0) / s
  }'
