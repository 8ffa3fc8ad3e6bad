#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine, in a Wine prefix and home of the build tree, so that
# tests never touch the user's own Wine set-up. The home's ALSA default device writes everything
# played to a file, which lets tests compare what reached the device with what was decoded.
#   ZAV_WINE_DIR       folder of the prefix and home (default: wine/ in the build tree); sessions that
#                      must not meet the other tests' programs (the player driver) use their own
#   ZAV_CAPTURE_FILE   where the played audio goes (default: captured.raw in ZAV_WINE_DIR); ALSA's file
#                      device writes raw 16-bit PCM and replaces %r and %c by the rate and channel count
#   ZAV_CAPTURE_TRUNCATE=false  each opening of the device writes a new file (FILE, FILE.0001, ...)
#                      instead of starting the one file afresh
#   ZAV_AUDIO=system   plays through the machine's own sound set-up instead (the user's home is kept)
set -euo pipefail
exe=$1
shift
build=$(cd "$(dirname "$exe")" && pwd)
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ]; do build=$(dirname "$build"); done
dir=${ZAV_WINE_DIR:-$build/wine}
mkdir -p "$dir"
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
# Wine maps file names through the Unix locale: in the C locale a name outside ASCII cannot even be
# opened. C.UTF-8 keeps the ANSI code page Wine gives programs (1252) and lets every name through.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "${ZAV_AUDIO:-capture}" != system ]; then
  export HOME="$dir/home"
  export ZAV_CAPTURE_FILE="${ZAV_CAPTURE_FILE:-$dir/captured.raw}"
  mkdir -p "$HOME"
  cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default { type file; slave.pcm "null"; file "$ZAV_CAPTURE_FILE"; format "raw"; truncate ${ZAV_CAPTURE_TRUNCATE:-true} }
ASOUND
fi
# A new prefix, once. Its dialog and message-box fonts are linked to the CJK font the set-up installs,
# so that names in Chinese show instead of boxes (the fonts Wine links them to by default are Windows'
# own, which are not there).
if [ ! -f "$WINEPREFIX/.zav-fonts" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.zav-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$WINEPREFIX/.zav-ready"
    fi
    if [ ! -f "$WINEPREFIX/.zav-fonts" ]; then
      for font in "MS Sans Serif" Tahoma; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$font" \
          /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
      done
      wineserver -w || true
      touch "$WINEPREFIX/.zav-fonts"
    fi
  ) 9>"$dir/prefix.lock"
fi
exec wine "$exe" "$@"
