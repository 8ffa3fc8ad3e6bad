#!/usr/bin/env bash
# The decoder's main job: sets everything up, builds zavdec, and decodes an MPEG audio file to WAV.
#   ./run.sh IN [OUT.wav]   decodes IN (OUT defaults to IN with .wav)
#   ./run.sh                makes a short demo track with sox and lame and decodes it
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
zavdec=build/release/zavdec

if [ $# -eq 0 ]; then
  mkdir -p build/demo
  sox -q -n -r 44100 -c 2 build/demo/demo.wav synth 6 pluck C3 pluck E3 synth 6 sine mix 220-880 \
    tremolo 3 40 fade 0.1 6 0.5 vol 0.7
  lame --quiet -b 160 build/demo/demo.wav build/demo/demo.mp3
  set -- build/demo/demo.mp3 build/demo/demo-decoded.wav
  echo "demo track: $1"
fi
in=$1
out=${2:-${in%.*}.wav}
"$zavdec" "$in" "$out"
echo "wrote $out"
