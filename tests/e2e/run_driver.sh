#!/usr/bin/env bash
# Runs the player driver (a win64 test program) in an X server of its own, with a Wine prefix and an
# audio capture of its own under e2e/ in the build tree, then turns the driver's screenshots into PNG
# files beside them (the colour of the driver's backdrop becomes transparent, so the cut-out outline
# shows). Arguments after the driver go to it (e.g. --gtest_filter=...).
set -uo pipefail
driver=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
build=$(dirname "$driver")
runner=$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run.sh
export ZAV_WINE_DIR="$build/e2e"
export ZAV_CAPTURE_FILE="$build/e2e/captured.raw"
mkdir -p "$build/e2e/screenshots"
rm -f "$build"/e2e/screenshots/*

# Inside the X server: the driver, then the end of everything left in the private prefix, so that
# nothing outlives the server it drew on. A radio server the driver starts watches the shell that runs it.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  export ZAV_DRIVER_SHELL_PID=$$
  "$1" "${@:2}"
  status=$?
  WINEPREFIX="$ZAV_WINE_DIR/prefix" wineserver -k 2>/dev/null
  WINEPREFIX="$ZAV_WINE_DIR/prefix" wineserver -w 2>/dev/null
  exit $status' driver "$runner" "$driver" "$@"
status=$?
# The radio server, should a scenario have left it running.
python3 "$(dirname "$0")/../stream/servers/icecast_session.py" stop "$build/e2e/radio" 2>/dev/null

for bmp in "$build"/e2e/screenshots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" -transparent 'rgb(250,250,251)' "${bmp%.bmp}.png"
done
exit $status
