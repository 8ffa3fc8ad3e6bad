#!/usr/bin/env bash
# Makes the MP3 files the Windows-side tests play, with sox and lame, into the folder given (they cannot
# be made from inside Wine). Files already there are kept.
set -euo pipefail
out=${1:?usage: make_test_media.sh FOLDER}
mkdir -p "$out"
tone() {  # seconds rate file: a chord with a sweep and a little noise
  [ -f "$3" ] || sox -q -R -n -r "$2" -c 2 "$3" synth "$1" pinknoise vol 0.05 synth "$1" sine mix 150-3000 \
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
# One signal cut in two at 2.7183 s (no frame boundary), each half and the whole encoded on its own.
if [ ! -f "$out/gapless-whole.mp3" ]; then
  tone 6 44100 "$out/gapless.wav"
  sox -q "$out/gapless.wav" "$out/gapless-a.wav" trim 0 2.7183
  sox -q "$out/gapless.wav" "$out/gapless-b.wav" trim 2.7183
  lame --quiet -b 160 "$out/gapless-a.wav" "$out/gapless-1.mp3"
  lame --quiet -b 160 "$out/gapless-b.wav" "$out/gapless-2.mp3"
  lame --quiet -b 160 "$out/gapless.wav" "$out/gapless-whole.mp3"
  rm -f "$out"/gapless*.wav
fi

# Three tracks of distinct lengths in a folder, named with spaces, and two playlists of them as other
# players write them: an extended M3U (UTF-8 byte-order mark, #EXTM3U and #EXTINF lines, CR LF line
# ends, paths relative to the list) and a PLS with relative and drive-rooted entries (rewritten each
# time: the PLS names the folder it is in).
mkdir -p "$out/album"
make_mp3 "album/three seconds.mp3" 3 44100 -b 64
make_mp3 "album/six seconds.mp3" 6 44100 -b 64
make_mp3 "album/nine seconds.mp3" 9 44100 -b 64
windows_out="Z:$(cd "$out" && pwd | tr / '\\')"
printf '\357\273\277#EXTM3U\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n' \
  '#EXTINF:9,Test Tones - Nine Seconds' 'album\nine seconds.mp3' \
  '#EXTINF:3,Test Tones - Three Seconds' 'album\three seconds.mp3' \
  '#EXTINF:6,Test Tones - Six Seconds' 'album\six seconds.mp3' > "$out/mix.m3u"
printf '[playlist]\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n' \
  'File1=album\six seconds.mp3' 'Title1=Test Tones - Six Seconds' 'File2=album\three seconds.mp3' \
  "File3=$windows_out\\album\\nine seconds.mp3" 'NumberOfEntries=3' > "$out/mix.pls"

# Names in four scripts in folders named likewise (one rate, so that a list of them plays through one
# device), a folder holding all four, and two lists of them in UTF-8: an M3U8 of paths relative to it and
# a PLS.
unicode_names=("Музыка/Песня.mp3" "Ελληνικά/Τραγούδι.mp3" "音乐/歌曲.mp3" "😀 Emoji/🎵 Song.mp3")
unicode_sources=("album/three seconds.mp3" "album/six seconds.mp3" "album/nine seconds.mp3" "album/three seconds.mp3")
mkdir -p "$out/Всё 全部"
for i in 0 1 2 3; do
  mkdir -p "$out/$(dirname "${unicode_names[$i]}")"
  cp -n "$out/${unicode_sources[$i]}" "$out/${unicode_names[$i]}"
  cp -n "$out/${unicode_sources[$i]}" "$out/Всё 全部/$(basename "${unicode_names[$i]}")"
done
printf '%s\r\n' "${unicode_names[@]//\//\\}" > "$out/Списки.m3u8"
{
  printf '[playlist]\r\n'
  for i in 0 1 2 3; do printf 'File%d=%s\r\n' $((i + 1)) "${unicode_names[$i]//\//\\}"; done
  printf 'NumberOfEntries=4\r\n'
} > "$out/Списки.pls"
