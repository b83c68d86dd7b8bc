#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and runs every fuzz target in turn for
# SECONDS each (default 5), starting from a copy of its committed corpus in tests/fuzz/corpus;
# what a run adds stays in build/fuzz/corpus, and a crash, leak or time-out input is written
# to build/fuzz/artifacts. Prints the executions of each target and exits non-zero when any
# target fails. Long runs by hand: tools/run-fuzz.sh 600 (or FUZZ_TARGETS="to_time_fuzz" to
# pick targets; FUZZ_KEEP_CORPUS=1 resumes from the previous run's corpus).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-5}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "${FUZZ_JOBS:-2}" || exit 1

build=build/fuzz
targets=${FUZZ_TARGETS:-$(ls tests/fuzz/corpus)}
status=0
for target in $targets; do
  exe=$build/tests/fuzz/$target
  if [ ! -x "$exe" ]; then
    echo "!! $target: no such fuzz target" >&2
    status=1
    continue
  fi
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target/
  log=$build/logs/$target.log
  if [ -z "${FUZZ_KEEP_CORPUS:-}" ]; then rm -rf "$corpus"; fi
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  # Only the copy is handed over: libFuzzer adds the inputs it finds to its corpus directory,
  # and the committed one stays as it is.
  "$exe" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$rc" -eq 0 ]; then
    printf '%-20s %10s executions in %ss\n' "$target" "${runs:-?}" "$seconds"
  else
    printf '%-20s FAILED (exit %s) after %s executions; log %s\n' "$target" "$rc" "${runs:-?}" \
      "$log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$log" | head -n 5
    sed -n 's/.*Test unit written to /   input: /p' "$log"
    status=1
  fi
done
exit "$status"
