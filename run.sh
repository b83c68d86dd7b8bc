#!/usr/bin/env bash
# Builds Chronalt and runs it under Wine: on the user's display when DISPLAY is set, otherwise on
# a private Xvfb screen. A few seconds after the start a screenshot is saved to
# build/screenshot.png; the program then runs until it is closed or this script is interrupted
# (Ctrl+C). On a fresh Debian 12 machine, run as root, it first installs what is missing.
#
# The program runs in its own Wine prefix (build/wineprefix-run) and in the machine's own time
# zone, so the local clock row shows the local time; the tests use another prefix.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
source tools/ensure-packages.sh

# Wine's own fonts draw the frame and caption buttons, a CJK font the captions, and
# ImageMagick's import takes the screenshot.
CHRONALT_RUN_PACKAGES=(wine wine64 xvfb xauth fonts-wine fonts-wqy-microhei imagemagick python3
  openssl)
screenshot="$root/build/screenshot.png"
screenshot_delay=${CHRONALT_SCREENSHOT_DELAY:-5}

export WINEPREFIX="$root/build/wineprefix-run" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko installer dialogs: nothing here needs .NET or the HTML engine.
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)

pids=()  # everything started here, ended in reverse order on the way out
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  wineserver -k 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

build() {
  echo "== building"
  cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target chronalt -j "$(nproc 2>/dev/null || echo 2)"
}

# Uses the user's display, or starts Xvfb on a free one. virtual_desktop is set for Xvfb: with
# no window manager there, Wine's own desktop window draws the caption bar and frame.
virtual_desktop=""
start_display() {
  if [ -n "${DISPLAY:-}" ]; then
    echo "== using display $DISPLAY"
    return 0
  fi
  local n display=""
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    display=":$n"
    break
  done
  [ -n "$display" ] || { echo "no free X display number" >&2; return 1; }
  Xvfb "$display" -screen 0 640x360x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  export DISPLAY=$display
  virtual_desktop="Chronalt,640x360"
  echo "== no display: running on Xvfb $DISPLAY"
}

prepare_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "== making the Wine prefix (first run only)"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
}

# Wine's default dialog font links its missing characters to SimSun; without that font the
# Chinese captions would show as boxes, so the name is pointed at the installed CJK font.
# Debian's Wine does not find its own fonts (Tahoma, and Marlett for the caption buttons) where
# the package puts them, so they are copied into the prefix's font folder.
configure_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -u /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun \
    /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
}

# The demo time server that a build without a configured host asks (127.0.0.1:8443), a few
# seconds ahead of the local clock so the two rows differ. CHRONALT_DEMO_SERVER=0 skips it,
# for a build made for the real site.
start_services() {
  [ "${CHRONALT_DEMO_SERVER:-1}" = 0 ] && return 0
  echo "== starting the demo time server"
  python3 "$root/tools/demo_time_server.py" --port 8443 --cert-dir "$root/build/demo-cert" &
  pids+=($!)
  for _ in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/8443) 2>/dev/null && return 0
    sleep 0.1
  done
  echo "!! the demo time server did not start" >&2
}

start_chronalt() {
  local exe="$root/build/windows/src/app/chronalt.exe"
  echo "== starting $exe"
  if [ -n "$virtual_desktop" ]; then
    "$wine" explorer "/desktop=$virtual_desktop" "$exe" >/dev/null 2>&1 &
  else
    "$wine" "$exe" >/dev/null 2>&1 &
  fi
  chronalt_pid=$!
  pids+=("$chronalt_pid")
}

take_screenshot() {
  sleep "$screenshot_delay"
  # On the user's display only the window is taken; on Xvfb the whole (small) screen.
  if [ -z "$virtual_desktop" ] && import -window Chronalt "$screenshot" 2>/dev/null; then
    :
  elif ! import -window root "$screenshot" 2>/dev/null; then
    echo "!! no screenshot could be taken" >&2
    return 1
  fi
  echo "== screenshot saved to $screenshot"
}

ensure_packages "${CHRONALT_BUILD_PACKAGES[@]}" "${CHRONALT_RUN_PACKAGES[@]}" || exit 1
build || exit 1
start_display || exit 1
prepare_prefix
configure_fonts
start_services
start_chronalt
take_screenshot
echo "== Chronalt is running; close its window or press Ctrl+C to end"
wait "$chronalt_pid"
