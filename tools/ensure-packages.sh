# Sourced by test.sh and run.sh: the Debian packages the builds need, and an installer that
# fetches only the missing ones (apt-get as root; otherwise it says what to install).
CHRONALT_BUILD_PACKAGES=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-posix googletest)
# clang and its runtime libraries (libFuzzer, the sanitizers) build the fuzz targets.
CHRONALT_TEST_PACKAGES=(wine wine64 xvfb xauth python3 tzdata openssl clang libclang-rt-14-dev)

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (install them with apt-get as root)" >&2
    return 1
  fi
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
