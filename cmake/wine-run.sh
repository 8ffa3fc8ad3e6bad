#!/usr/bin/env bash
# Runs a 64-bit Windows test program under Wine, in a Wine prefix and home of the build tree, so that
# tests never touch the user's own Wine set-up. The home's ALSA default device writes everything
# played to a file, which lets tests compare what reached the device with what was decoded.
set -euo pipefail
exe=$1
shift
build=$(cd "$(dirname "$exe")" && pwd)
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ]; do build=$(dirname "$build"); done
export WINEPREFIX="$build/wine/prefix"
export HOME="$build/wine/home"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export ZAV_CAPTURE_FILE="${ZAV_CAPTURE_FILE:-$build/wine/captured.raw}"
mkdir -p "$HOME"
cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$ZAV_CAPTURE_FILE"; format "raw" }
ASOUND
if [ ! -f "$WINEPREFIX/.zav-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.zav-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.zav-ready"
    fi
  ) 9>"$build/wine/prefix.lock"
fi
exec wine "$exe" "$@"
