#!/usr/bin/env bash
# Builds Chronalt and runs every test: the native sanitizer build, the Windows build under Wine
# (windows on a private Xvfb display) and a compile of the 32-bit Windows build. On a fresh
# Debian 12 machine, run as root, it first installs what is missing. A second run reuses the
# build trees and only rebuilds what changed.
set -uo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
ensure_packages "${CHRONALT_BUILD_PACKAGES[@]}" "${CHRONALT_TEST_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
status=0
step() {  # step NAME COMMAND...: runs one stage, remembers a failure and goes on
  local name=$1
  shift
  echo "== $name"
  if ! "$@"; then
    echo "!! $name failed"
    status=1
    return 1
  fi
}

run_native() {
  step "native: configure" cmake --preset native >/dev/null &&
    step "native: build" cmake --build --preset native -j "$jobs" &&
    step "native: test (ASan + UBSan)" ctest --preset native -j "$jobs"
}

run_fuzz() {  # every libFuzzer target for a few seconds from its committed corpus
  step "fuzz: build and run (libFuzzer, ASan + UBSan)" tools/run-fuzz.sh 5
}

run_windows() {
  step "windows: configure" cmake --preset windows >/dev/null &&
    step "windows: build" cmake --build --preset windows -j "$jobs" &&
    step "windows: imports" tools/check-imports.sh build/windows/src/app/chronalt.exe &&
    step "windows: test (Wine)" tools/with-wine-display.sh build/windows \
      ctest --preset windows
}

run_i686() {
  step "windows-i686: configure" cmake --preset windows-i686 >/dev/null &&
    step "windows-i686: build" cmake --build --preset windows-i686 -j "$jobs" &&
    step "windows-i686: imports" tools/check-imports.sh build/windows-i686/src/app/chronalt.exe
}

run_native
run_fuzz
run_windows
run_i686

if [ "$status" -eq 0 ]; then echo "All builds and tests passed."; else echo "Some steps failed."; fi
exit "$status"
