#!/usr/bin/env bash
# with-wine-display.sh BUILD_DIR COMMAND...: runs COMMAND with a private Xvfb display (a screen
# for the windows of the tests) and the build's Wine prefix, whose wineserver stays up between
# the many short Wine processes of a test run.
set -uo pipefail
build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all

display=""
if [ -z "${CHRONALT_USE_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    display=":$n"
    break
  done
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$display
fi

# Only now that DISPLAY is set: the Wine server started here keeps the desktop it first made,
# so a warm-up without the display would leave every later window without a driver.
"$build_dir/wine-run" cmd /c exit >/dev/null 2>&1  # makes the prefix on first use

# A short persistence keeps the server up between tests; it is left to end by itself, since
# other runs may be using the same prefix at the same time.
wineserver -p5 2>/dev/null
"$@"
rc=$?
[ -n "$display" ] && kill "$xvfb_pid" 2>/dev/null
exit $rc
