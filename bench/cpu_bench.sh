#!/usr/bin/env bash
# cpu_bench.sh [SECONDS]: the CPU use of the program itself under Wine, seen from outside. Starts
# build/windows/src/app/chronalt.exe on a private Xvfb screen in a Wine prefix of its own, lets
# it run (30 seconds unless given) and prints the CPU seconds its process and the Wine server
# used, as a share of one core. Build the program first (cmake --build --preset windows
# --target chronalt).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
exe="$PWD/build/windows/src/app/chronalt.exe"
[ -f "$exe" ] || { echo "build $exe first" >&2; exit 1; }

export WINEPREFIX="$PWD/build/wineprefix-bench" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

pids=()
cleanup() {
  local i
  wineserver -k 2>/dev/null  # first, so the server takes its system processes with it
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

display=""
for n in $(seq 130 160); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  display=":$n"
  break
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

wineserver -f -p >/dev/null 2>&1 &  # in the foreground, so its process is ours to measure
server_pid=$!
pids+=("$server_pid")
sleep 1

# utime + stime of a process, dead threads included, in seconds.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}

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
