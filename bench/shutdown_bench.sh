#!/usr/bin/env bash
# shutdown_bench.sh [RUNS]: closes chronalt.exe under Wine a hundred times in a row (unless
# told otherwise), each time with its bound of server polls stuck in flight against a server
# that accepts connections and never answers, and reports how each run ended.
# Build first: cmake --build --preset windows --target chronalt shutdown_bench
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-100}
exe="$PWD/build/windows/src/app/chronalt.exe"
runner="$PWD/build/windows/bench/shutdown_bench.exe"
for f in "$exe" "$runner"; do [ -f "$f" ] || { echo "build $f first" >&2; exit 1; }; done

source bench/wine_bench_env.sh

python3 bench/outage_server.py --port 8443 --schedule "hang:86400" >/dev/null &
pids+=($!)
sleep 1
"$wine" "$runner" "$runs" "$exe"
