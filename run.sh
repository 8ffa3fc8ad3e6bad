#!/usr/bin/env bash
# zav's main job: sets everything up, builds the player (its 64-bit Windows build) and plays the files
# given in the player window under Wine. With no files it makes a short demo track and plays that.
#   ./run.sh [FILE|FOLDER|LIST.m3u|LIST.pls]...   play them
#   ./run.sh --decode [IN [OUT.wav]]               decode with zavdec, the command-line decoder
# Without a display ($DISPLAY empty) the player runs in an X server of its own; once its list has
# played, a screenshot is saved and the player is closed. Without a sound device (no /dev/snd, or
# ZAV_AUDIO=capture) what it plays goes into a WAV file instead. Where they went is said at the end.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

# Builds the given targets of a preset's tree quietly, showing the build's output only when it fails.
# A new tree is configured without the tests (the player needs neither GoogleTest nor the test data);
# a tree configured before, as ./test.sh leaves it, keeps its tests.
build() {
  local log tests
  tests=$(sed -n 's/^ZAV_TESTS:BOOL=//p' "build/$1/CMakeCache.txt" 2>/dev/null || true)
  log=$(mktemp)
  if ! { cmake --preset "$1" -DZAV_TESTS="${tests:-OFF}" && cmake --build --preset "$1" --target "${@:2}"; } \
       >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

demo_track() {
  mkdir -p build/demo
  if [ ! -f build/demo/demo.mp3 ]; then
    sox -q -n -r 44100 -c 2 build/demo/demo.wav synth 6 pluck C3 pluck E3 synth 6 sine mix 220-880 \
      tremolo 3 40 fade 0.1 6 0.5 vol 0.7
    lame --quiet -b 160 build/demo/demo.wav build/demo/demo.mp3
  fi
  echo build/demo/demo.mp3
}

if [ "${1:-}" = --decode ]; then
  shift
  build release zavdec
  if [ $# -eq 0 ]; then
    set -- "$(demo_track)" build/demo/demo-decoded.wav
    echo "demo track: $1"
  fi
  out=${2:-${1%.*}.wav}
  build/release/zavdec "$1" "$out"
  echo "wrote $out"
  exit 0
fi

build win64 zav zav_vis_sample player_watch
if [ $# -eq 0 ]; then
  set -- "$(demo_track)"
  echo "demo track: $1"
fi
# Wine shows the whole Unix file system as drive Z:.
files=()
for f in "$@"; do files+=("Z:$(realpath -m "$f" | tr / '\\')"); done

session=build/win64/run  # the player's own Wine prefix: its settings stay from one run to the next
export ZAV_WINE_DIR=$PWD/$session
mkdir -p "$session"
audio=${ZAV_AUDIO:-}
if [ -z "$audio" ]; then
  if compgen -G "/dev/snd/pcmC*p" >/dev/null; then audio=system; else audio=capture; fi
fi
export ZAV_AUDIO=$audio
if [ "$audio" = capture ]; then
  # One raw file for each opening of the device, named by its rate and channel count.
  export ZAV_CAPTURE_FILE=$PWD/$session/captured-%r-%c.raw ZAV_CAPTURE_TRUNCATE=false
  rm -f "$session"/captured-*.raw* "$session"/zav-output*.wav
fi

if [ -n "${DISPLAY:-}" ]; then
  cmake/wine-run.sh build/win64/zav.exe "${files[@]}"
else
  echo "no display: the player runs in an X server of its own and is closed once its list has played"
  rm -f "$session/screenshot.bmp"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    cmake/wine-run.sh build/win64/zav.exe "$@" &
    cmake/wine-run.sh build/win64/player_watch.exe "Z:$ZAV_WINE_DIR/screenshot.bmp"
    wait
    WINEPREFIX="$ZAV_WINE_DIR/prefix" wineserver -w' run "${files[@]}"
  if [ -f "$session/screenshot.bmp" ]; then
    convert "$session/screenshot.bmp" "$session/screenshot.png"
    echo "screenshot: $session/screenshot.png"
  fi
fi

if [ "$audio" = capture ]; then
  # Each output format's openings, in order, become one WAV file (16-bit little-endian PCM).
  formats=()
  for raw in "$session"/captured-*.raw; do
    [ -f "$raw" ] && formats+=("$raw")
  done
  for raw in "${formats[@]}"; do
    format=${raw##*/captured-}
    format=${format%.raw}
    inputs=()
    for part in "$raw" "$raw".[0-9]*; do
      [ -s "$part" ] && inputs+=(-t raw -r "${format%-*}" -e signed -b 16 -c "${format#*-}" -L "$part")
    done
    [ ${#inputs[@]} -gt 0 ] || continue
    out=$session/zav-output.wav
    [ ${#formats[@]} -eq 1 ] || out=$session/zav-output-$format.wav
    sox "${inputs[@]}" "$out"
    echo "no sound device: the audio played is in $out"
  done
fi
