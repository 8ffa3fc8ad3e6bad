# Sourced by the screenshot scripts: an X server of its own and the win64 build's Wine prefix, with Wine
# drawing window frames itself (no window manager runs under Xvfb). The prefix's setting and its
# "zav.ini" are put back when the script ends. Sets root, build and ini.
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
export WINEPREFIX=$build/wine/prefix HOME=$build/wine/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=:$((70 + RANDOM % 20))

start_screenshot_session() {
  Xvfb "$DISPLAY" -screen 0 800x600x24 >/dev/null 2>&1 &
  xvfb=$!
  ini=$WINEPREFIX/drive_c/windows/zav.ini
  saved=$(mktemp)
  [ -f "$ini" ] && cp "$ini" "$saved"
  trap finish_screenshot_session EXIT
  sleep 1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

# A first start of the player: default settings, the window at (100, 100), its About box answered.
start_player_first_time() {
  rm -f "$ini"
  wine "$build/zav.exe" >/dev/null 2>&1 &
  sleep 6
  xdotool key Return  # closes the About box
  sleep 2
}

finish_screenshot_session() {
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  if [ -s "$saved" ]; then cp "$saved" "$ini"; else rm -f "$ini"; fi
  rm -f "$saved"
}
