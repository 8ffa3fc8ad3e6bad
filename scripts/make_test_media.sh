#!/usr/bin/env bash
# Makes the MP3 files the Windows-side tests play, with sox and lame, into the folder given (they cannot
# be made from inside Wine). Files already there are kept.
set -euo pipefail
out=${1:?usage: make_test_media.sh FOLDER}
mkdir -p "$out"
tone() {  # seconds rate file: a chord with a sweep and a little noise
  [ -f "$3" ] || sox -q -n -r "$2" -c 2 "$3" synth "$1" pinknoise vol 0.05 synth "$1" sine mix 150-3000 \
    synth "$1" sine mix 523 vol 0.5
}
make_mp3() {  # name seconds rate lame-options...
  local name=$1 seconds=$2 rate=$3
  shift 3
  [ -f "$out/$name" ] && return
  tone "$seconds" "$rate" "$out/$name.wav"
  lame --quiet "$@" "$out/$name.wav" "$out/$name"
  rm -f "$out/$name.wav"
}
make_mp3 first-44k.mp3 5 44100 -b 128
make_mp3 second-44k.mp3 4 44100 -b 160
make_mp3 third-22k.mp3 3 22050 -b 64
make_mp3 long-44k.mp3 30 44100 -b 32 --resample 44.1
make_mp3 steady-128k.mp3 40 44100 -b 128

# Three tracks of distinct lengths in a folder, named with spaces, and two playlists of them as other
# players write them: an extended M3U (UTF-8 byte-order mark, #EXTM3U and #EXTINF lines, CR LF line
# ends, paths relative to the list) and a PLS with relative and drive-rooted entries (rewritten each
# time: the PLS names the folder it is in).
mkdir -p "$out/album"
make_mp3 "album/two seconds.mp3" 2 44100 -b 64
make_mp3 "album/five seconds.mp3" 5 44100 -b 64
make_mp3 "album/eight seconds.mp3" 8 44100 -b 64
windows_out="Z:$(cd "$out" && pwd | tr / '\\')"
printf '\357\273\277#EXTM3U\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n' \
  '#EXTINF:8,Test Tones - Eight Seconds' 'album\eight seconds.mp3' \
  '#EXTINF:2,Test Tones - Two Seconds' 'album\two seconds.mp3' \
  '#EXTINF:5,Test Tones - Five Seconds' 'album\five seconds.mp3' > "$out/mix.m3u"
printf '[playlist]\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n' \
  'File1=album\five seconds.mp3' 'Title1=Test Tones - Five Seconds' 'File2=album\two seconds.mp3' \
  "File3=$windows_out\\album\\eight seconds.mp3" 'NumberOfEntries=3' > "$out/mix.pls"
