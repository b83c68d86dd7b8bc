#!/usr/bin/env bash
# run_hostile_long.sh [BUILD_DIR [GTEST_ARGS...]]: the hostile-server test in its long mode,
# which ./test.sh leaves out: thousands of random answers, a megabyte of header lines, a head
# trickled a byte a second and a full row of trickled polls (a few minutes under Wine). The
# build directory (default build/windows) must hold hostile_server_e2e_test.exe.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
shift || true
exe="$build/tests/app/hostile_server_e2e_test.exe"
if [ ! -f "$exe" ]; then
  echo "no $exe: cmake --build $build --target hostile_server_e2e_test" >&2
  exit 2
fi
export CHRONALT_HOSTILE_LONG=1
exec "$root/tools/with-wine-display.sh" "$build" \
  python3 "$here/with_hostile_server.py" "$build/wine-run" "$exe" "$@"
