# Sourced by the benchmarks that run the program under Wine: a private Xvfb screen, a Wine
# prefix of their own (build/wineprefix-bench) and the Wine server in the foreground, so its
# process is ours to measure. Everything started here, and whatever the caller adds to `pids`,
# is stopped when the script exits.
export WINEPREFIX="$PWD/build/wineprefix-bench" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export TZ=${CHRONALT_TZ:-Asia/Shanghai}
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

pids=()
bench_cleanup() {
  local i
  wineserver -k 2>/dev/null  # first, so the server takes its system processes with it
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
}
trap bench_cleanup EXIT

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

wineserver -f -p >/dev/null 2>&1 &
server_pid=$!
pids+=("$server_pid")
sleep 1

# utime + stime of a process, dead threads included, in seconds.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}
