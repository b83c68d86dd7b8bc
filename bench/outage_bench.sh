#!/usr/bin/env bash
# outage_bench.sh [OUTAGE_SECONDS]: chronalt.exe under Wine with 自动校准 ticked, through two
# outages of its server: 40 s answering, OUTAGE_SECONDS (180 unless given) refusing connections,
# 30 s answering, as long again accepting connections and never answering, then 90 s answering
# again (the hung connections stay open and silent). bench/outage_watch.exe samples the window every
# 100 ms; bench/outage_report.py prints, step by step, the workers in flight, the window's reply
# time, the memory of the process and what the server row showed, and how long readings took
# to return. Build first: cmake --build --preset windows --target chronalt outage_watch
set -uo pipefail
cd "$(dirname "$0")/.."
outage=${1:-180}
offset_ms=3500
exe="$PWD/build/windows/src/app/chronalt.exe"
watcher="$PWD/build/windows/bench/outage_watch.exe"
for f in "$exe" "$watcher"; do [ -f "$f" ] || { echo "build $f first" >&2; exit 1; }; done
steps=$(mktemp)
samples=$(mktemp)

source bench/wine_bench_env.sh

python3 bench/outage_server.py --port 8443 --offset-ms "$offset_ms" \
  --schedule "answer:40,refuse:$outage,answer:30,hang:$outage,answer:90" >"$steps" &
pids+=($!)
sleep 1
"$wine" "$exe" >/dev/null 2>&1 &
pids+=($!)
"$wine" "$watcher" $((40 + 2 * outage + 30 + 90 - 5)) >"$samples"
status=$?
python3 bench/outage_report.py --offset-ms "$offset_ms" "$steps" "$samples" || status=1
rm -f "$steps" "$samples"
exit "$status"
