#!/usr/bin/env bash
# Makes docs/playlist-editor.png: the player under Xvfb and Wine (in the win64 build's Wine prefix) with
# a few tagged and untagged tracks on its command line, "Read file info when adding" on so that their
# times are known, and the playlist editor opened with Ctrl+E. Needs the win64 build, sox, lame, xdotool
# and ImageMagick. The tracks are made in the build tree; the prefix's setting and its "zav.ini" are put
# back afterwards.
set -euo pipefail
. "$(dirname "$0")/screenshot_session.sh"
tracks=$build/screenshot-tracks

# Quiet tones of the given lengths, MPEG-2 Layer III at 32 kbit/s; an artist makes an ID3v1 tag.
mkdir -p "$tracks"
while IFS='|' read -r file seconds artist title; do
  [ -f "$tracks/$file" ] && continue
  sox -q -n -r 22050 -c 1 "$tracks/tone.wav" synth "$seconds" sine 440 vol 0.2
  if [ -n "$artist" ]; then
    lame --quiet -b 32 --id3v1-only --ta "$artist" --tt "$title" "$tracks/tone.wav" "$tracks/$file"
  else
    lame --quiet -b 32 "$tracks/tone.wav" "$tracks/$file"
  fi
  rm -f "$tracks/tone.wav"
done <<'LIST'
01-harbour-lights.mp3|192|The Lanterns|Harbour Lights
02-slow-orbit.mp3|245|Mira Sol|Slow Orbit
03-cold-open.mp3|167|Northbound|Cold Open
04-field-recording.mp3|90||
05-paper-boats.mp3|331|Ada Kestrel|Paper Boats
06-afterglow.mp3|238|Mira Sol|Afterglow
07-tram-sketch.mp3|75||
LIST

start_screenshot_session

# A first start writes the default settings when the player closes (the close symbol at (12, 12)).
rm -f "$ini"
wine "$build/zav.exe" >/dev/null 2>&1 &
first=$!
sleep 6
xdotool key Return  # closes the About box of a first start
sleep 1
xdotool mousemove 112 112 click 1
for _ in $(seq 40); do kill -0 "$first" 2>/dev/null || break; sleep 0.5; done
# Read file info when adding (offset 464) on, auto play (448) off, in the stored record: bytes in hex
# and a checksum byte, the sum of the bytes.
python3 - "$ini" <<'PY'
import re, struct, sys
path = sys.argv[1]
text = open(path, newline='').read()
match = re.search(r'(?m)^nod=([0-9A-Fa-f]+)', text)
record = bytearray.fromhex(match.group(1))[:-1]
struct.pack_into('<i', record, 464, 1)
struct.pack_into('<i', record, 448, 0)
value = record.hex().upper() + '%02X' % (sum(record) & 0xFF)
open(path, 'w', newline='').write(text[:match.start(1)] + value + text[match.end(1):])
PY

paths=()
for f in "$tracks"/*.mp3; do paths+=("Z:${f//\//\\}"); done
wine "$build/zav.exe" "${paths[@]}" >/dev/null 2>&1 &
sleep 6
xdotool mousemove 230 110 click 1 sleep 0.5 key ctrl+e
sleep 2
read -r left top width height < <(xdotool search --name 'Playlist Editor' getwindowgeometry --shell %1 |
  awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
# Select two lines (the song time shows their sum).
xdotool mousemove $((left + 200)) $((top + 45)) click 1 keydown shift mousemove $((left + 200)) $((top + 58)) \
  click 1 keyup shift
xdotool mousemove 790 590
sleep 1
shot=$(mktemp --suffix=.png)
import -window root "$shot"
right=$((left + width)); [ "$right" -lt 358 ] && right=358
bottom=$((top + height))
convert "$shot" -crop $((right - 95 + 5))x$((bottom - 95 + 5))+95+95 +repage "$root/docs/playlist-editor.png"
rm -f "$shot"
echo "wrote docs/playlist-editor.png"
