#!/usr/bin/env bash
# Installs what the builds and tests need from Debian's packages, only what is missing.
# Idempotent: a machine that has everything is left untouched (no apt-get update).
set -euo pipefail

packages=(
  cmake make ninja-build git python3
  g++ clang googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth xdotool imagemagick
  lame twolame sox ffmpeg hyperfine valgrind
  fonts-wqy-microhei
  icecast2 openssl libgnutls30
)
# icecast2: the stream tests start their own server on a free loopback port with a configuration of
# their own; the system service the package may start (port 8000) is never used. openssl: the stream
# tests make their own certificate authority and server certificates for TLS. libgnutls30: Wine's
# SChannel, which https:// streams go through (only recommended by Wine's package).

updated=0
install_missing() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "setup: installing ${missing[*]}"
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  if [ "$updated" -eq 0 ]; then
    "${sudo_cmd[@]}" apt-get update -qq
    updated=1
  fi
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"

# The sanitizer and libFuzzer runtimes must match the clang that was installed, whatever its version.
clang_major=$(clang --version | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)
if [ -z "$clang_major" ]; then
  echo "setup: cannot tell the version of clang" >&2
  exit 1
fi
install_missing "libclang-rt-${clang_major}-dev"
