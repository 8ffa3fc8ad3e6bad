#!/usr/bin/env bash
# Decodes the same files with zavdec and with `ffmpeg -threads 1` in one hyperfine run and prints the
# ratio of their wall times, then zavdec's instructions per second of audio from callgrind.
#   bench/compare_ffmpeg.sh            a generated 90 s Layer II file and (once Layer III decodes) a 3 min MP3
#   bench/compare_ffmpeg.sh FILE...    the given files
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
zavdec=build/release/zavdec
data=build/release/data
mkdir -p "$data"

# Music-like test input: noise, a sweep and chords, so that every subband carries something.
make_wav() {  # seconds rate file
  [ -f "$3" ] || sox -q -n -r "$2" -c 2 "$3" synth "$1" pinknoise vol 0.15 synth "$1" sine mix 80-9000 \
    synth "$1" sine mix 440 synth "$1" sine mix 660 vol 0.6
}

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  make_wav 90 44100 "$data/bench-90s.wav"
  [ -f "$data/layer2-90s.mp2" ] || twolame --quiet -b 192 -m j "$data/bench-90s.wav" "$data/layer2-90s.mp2"
  files+=("$data/layer2-90s.mp2")
  make_wav 200 44100 "$data/bench-200s.wav"
  [ -f "$data/layer3-200s.mp3" ] || lame --quiet -b 128 -m j "$data/bench-200s.wav" "$data/layer3-200s.mp3"
  files+=("$data/layer3-200s.mp3")
fi

for f in "${files[@]}"; do
  seconds=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$f")
  echo "== $f (${seconds} s of audio)"
  if ! "$zavdec" "$f" - >/dev/null 2>&1; then
    echo "zavdec cannot decode $f yet; skipped"
    continue
  fi
  json=$(mktemp)
  hyperfine --style basic --warmup 2 --runs 10 --export-json "$json" \
    -n zavdec "$zavdec '$f' - >/dev/null 2>&1" \
    -n ffmpeg "ffmpeg -v error -threads 1 -i '$f' -f s16le - >/dev/null"
  python3 - "$json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
z, f = r["zavdec"]["mean"], r["ffmpeg"]["mean"]
print(f"wall time: zavdec {z*1000:.1f} ms, ffmpeg {f*1000:.1f} ms, ratio zavdec/ffmpeg = {z/f:.3f}")
PY
  rm -f "$json"
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$zavdec" "$f" - >/dev/null 2>"$out.log" || true
  instructions=$(grep -E '^(summary|totals):' "$out" | head -1 | awk '{print $2}')
  python3 -c "print(f'callgrind: {int($instructions):,} instructions, {int($instructions)/float($seconds):,.0f} per second of audio')"
  rm -f "$out" "$out.log"
done
