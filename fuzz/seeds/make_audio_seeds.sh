#!/bin/bash
# Makes the generated audio seeds of the fuzz targets: short lame and twolame files, their header frames
# and frame bodies laid out as layer3_frames_fuzz reads them. Made with lame 3.100, twolame 0.4.0 and
# sox 14.4.2 (`sox -R` gives the same noise on every run); rerun it to remake the files.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Noise that starts after 0.1 s of silence (the onset brings short blocks), and a plain tone.
sox -q -R -n -r 44100 -c 2 "$tmp/onset.wav" synth 0.3 whitenoise vol 0.6 pad 0.1 0
sox -q -R -n -r 44100 -c 1 "$tmp/tone.wav" synth 0.3 sine 440 vol 0.5
lame --quiet -V 6 -m m --resample 32 "$tmp/onset.wav" "$tmp/l3-mpeg1-vbr-xing.mp3"
lame --quiet -V 7 -p --resample 22.05 --add-id3v2 --tt Title --ta Artist --tl Album --ty 2024 --tc note \
  --tg Jazz "$tmp/onset.wav" "$tmp/l3-mpeg2-crc-id3.mp3"
lame --quiet -b 8 -m m -t --resample 8 "$tmp/tone.wav" "$tmp/l3-mpeg25-cbr.mp3"
lame --quiet -b 64 -m m -p --id3v1-only --tt Title --ta Artist "$tmp/tone.wav" "$tmp/l3-mpeg1-crc-info.mp3"
twolame --quiet -E -b 64 -m j "$tmp/onset.wav" "$tmp/l2-crc.mp2"
# Constant frame sizes (no padding at these rates) for the frame bodies.
lame --quiet -b 64 -m j -t --resample 48 "$tmp/onset.wav" "$tmp/body-mpeg1-js.mp3"
lame --quiet -b 32 -m m -p -t --resample 24 "$tmp/onset.wav" "$tmp/body-mpeg2-mono-crc.mp3"
lame --quiet -b 16 -m s -t --resample 12 "$tmp/onset.wav" "$tmp/body-mpeg25-stereo.mp3"

mkdir -p frame_reader_fuzz track_scanner_fuzz vbr_header_fuzz layer3_frames_fuzz id3v2_titles_fuzz
cp "$tmp"/l3-mpeg1-vbr-xing.mp3 "$tmp"/l3-mpeg2-crc-id3.mp3 "$tmp"/l3-mpeg25-cbr.mp3 "$tmp"/l2-crc.mp2 \
  frame_reader_fuzz/
cp "$tmp"/l3-mpeg2-crc-id3.mp3 "$tmp"/l3-mpeg1-crc-info.mp3 "$tmp"/l3-mpeg25-cbr.mp3 "$tmp"/l2-crc.mp2 \
  track_scanner_fuzz/

python3 - "$tmp" <<'EOF'
import sys
tmp = sys.argv[1]
rates = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}
kbps = {3: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
        2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}

def read(name):
    return open(f"{tmp}/{name}", "rb").read()

def audio_start(data):  # behind an ID3v2 tag
    if data[:3] != b"ID3":
        return 0
    return 10 + (data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9])

def frame_bytes(data, at):  # a Layer III frame's length from its header
    version, b2 = (data[at + 1] >> 3) & 3, data[at + 2]
    rate = rates[version][(b2 >> 2) & 3]
    bitrate = kbps[3 if version == 3 else 2][b2 >> 4]
    return (144 if version == 3 else 72) * bitrate * 1000 // rate + ((b2 >> 1) & 1)

# The header frame of each file: four header bytes and the body.
for name, out in [("l3-mpeg1-vbr-xing.mp3", "xing-lame-mpeg1-mono"),
                  ("l3-mpeg2-crc-id3.mp3", "xing-lame-mpeg2-crc-unprotected-place"),
                  ("l3-mpeg1-crc-info.mp3", "info-lame-mpeg1-mono-crc")]:
    data = read(name)
    at = audio_start(data)
    open(f"vbr_header_fuzz/{out}", "wb").write(data[at:at + frame_bytes(data, at)])

# A VBRI header frame (MPEG-1 stereo, 128 kbit/s at 44.1 kHz): 40 frames in 10 table entries of 2
# bytes, scale 1, 4 frames an entry.
vbri = bytearray(b"\xff\xfb\x90\x00" + bytes(32) + b"VBRI")
vbri += (1).to_bytes(2, "big") + (1105).to_bytes(2, "big") + (75).to_bytes(2, "big")
vbri += (40 * 417 + 417).to_bytes(4, "big") + (40).to_bytes(4, "big")
for v in (10, 1, 2, 4):  # entries, scale, bytes an entry, frames an entry
    vbri += v.to_bytes(2, "big")
for i in range(10):
    vbri += (4 * 417 + (i % 3) * 2).to_bytes(2, "big")
vbri += bytes(417 - len(vbri))
open("vbr_header_fuzz/vbri-mpeg1-stereo", "wb").write(vbri)

# layer3_frames_fuzz: four knob bytes (version and CRC, bitrate and sample rate, mode and mode
# extension, decoder build, channels and quality), then the frame bodies without their headers.
for name, knobs, out in [("body-mpeg1-js.mp3", [6, 18, 9, 0], "mpeg1-48k-64k-joint"),
                         ("body-mpeg2-mono-crc.mp3", [1, 17, 3, 21], "mpeg2-24k-32k-mono-crc"),
                         ("body-mpeg25-stereo.mp3", [4, 29, 0, 14], "mpeg25-12k-16k-stereo")]:
    data, at, bodies = read(name), 0, bytearray(knobs)
    while at + 4 <= len(data) and len(bodies) < 4096:
        n = frame_bytes(data, at)
        bodies += data[at + 4:at + n]
        at += n
    open(f"layer3_frames_fuzz/{out}", "wb").write(bodies[:4096])

# The ID3v2 tag lame writes (v2.3, with its own TSSE frame) and the first four bytes behind it.
data = read("l3-mpeg2-crc-id3.mp3")
open("id3v2_titles_fuzz/v23-lame", "wb").write(data[:audio_start(data) + 4])
EOF
