#!/usr/bin/env bash
# The CPU cost of the internal visualisation: plays one track in zav.exe (win64 build, Wine, Xvfb) with
# the visualisation off, then on in each mode, then off again, and prints for each the CPU time of the
# zav.exe process (all its threads, from /proc) and of the X server per second of audio. Pictures of
# the window in each state go to build/win64/vis-bench.
#
#   bench/visualisation_cpu.sh [SECONDS]      seconds of audio measured per state (default 30)
#
# The capture device that the Wine tests use does not play in real time; here it writes into a FIFO
# that a reader empties at the track's byte rate, so the track plays as fast as it would be heard.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=$PWD/build/win64
work=$build/vis-bench
mkdir -p "$work"

track=$work/track.mp3
if [ ! -f "$track" ]; then
  # Pink noise, the many harmonics of two sawtooth waves and a slow sweep, at full level: every part of
  # the spectrum moves.
  sox -q -n -r 44100 -c 2 "$work/track.wav" synth 200 pinknoise synth 200 sawtooth mix 220 \
    synth 200 sawtooth mix 330 synth 200 sine mix 300-6000 tremolo 0.7 30 gain -n -1
  lame --quiet -b 192 --id3v1-only --ta zav --tt "Saw Waves In Pink Noise" --tg Techno "$work/track.wav" "$track"
  rm -f "$work/track.wav"
fi

fifo=$work/pcm.fifo
[ -p "$fifo" ] || mkfifo "$fifo"
# 44100 Hz, two channels of 16 bits. Time the reader fell behind (while nothing was written) is
# forgiven after 0.2 s, so that it never races to catch up.
python3 - "$fifo" 176400 <<'PACER' &
import sys, time
path, rate = sys.argv[1], int(sys.argv[2])
while True:
    with open(path, 'rb', buffering=0) as pipe:
        start, total = time.monotonic(), 0
        while True:
            data = pipe.read(rate // 50)
            if not data:
                break
            total += len(data)
            ahead = total / rate - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)
            elif ahead < -0.2:
                start = time.monotonic() - total / rate
PACER
pacer=$!
trap 'kill $pacer 2>/dev/null || true' EXIT

# Every 0.1 s: the CPU ticks of the X server and of the zav.exe process playing this track (its
# Windows command line names the track in this build tree).
cat > "$work/monitor.py" <<'MONITOR'
import os, sys, time
xserver, marker, log = int(sys.argv[1]), sys.argv[2].encode(), open(sys.argv[3], 'w')
def ticks(pid):
    with open('/proc/%d/stat' % pid) as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return int(fields[11]) + int(fields[12])
while True:
    now = time.time()
    for name in os.listdir('/proc'):
        if not name.isdigit():
            continue
        try:
            with open('/proc/%s/cmdline' % name, 'rb') as f:
                command = f.read()
            command = command.replace(b'\\', b'/')
            if b'zav.exe' in command and marker in command and b'visualisation_cpu' not in command:
                log.write('%.3f zav %d\n' % (now, ticks(int(name))))
        except OSError:
            pass
    try:
        log.write('%.3f x %d\n' % (now, ticks(xserver)))
    except OSError:
        pass
    log.flush()
    time.sleep(0.1)
MONITOR

export ZAV_CAPTURE_FILE=$fifo BUILD=$build TRACK=$track WORK=$work SECONDS_MEASURED=$seconds
# One X server for every run.
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  xserver=$(pgrep -n -x Xvfb -P "$(ps -o ppid= $$ | tr -d " ")")
  python3 "$WORK/monitor.py" "$xserver" "$TRACK" "$WORK/ticks.log" &
  monitor=$!
  run() {  # active mode picture
    cmake/wine-run.sh "$BUILD/visualisation_cpu.exe" "$BUILD/zav.exe" "Z:$TRACK" "$1" "$2" "$SECONDS_MEASURED" \
      "Z:$WORK/$3.bmp"
  }
  { run 0 0 off; run 1 0 oscilloscope; run 1 1 analyser; run 1 2 cloud; run 0 0 off-again; } > "$WORK/runs.txt"
  kill $monitor
'

# CPU ticks (10 ms) between the first sample after a run's start and the last one before its end.
python3 - "$work/runs.txt" "$work/ticks.log" <<'REPORT'
import sys
samples = [line.split() for line in open(sys.argv[2])]
names = {(0, 0): 'off', (1, 0): 'oscilloscope', (1, 1): 'analyser', (1, 2): 'colour cloud'}
print('%-14s %8s %8s %14s %14s %18s' % ('visualisation', 'audio s', 'span s', 'zav ms/audio s', 'X ms/audio s',
                                        'GetProcessTimes'))
for line in open(sys.argv[1]):
    run = dict(field.split('=') for field in line.split())
    start, end, audio = float(run['start_unix']), float(run['end_unix']), int(run['audio_s'])
    result = []
    for who in ('zav', 'x'):
        inside = [(float(t), int(n)) for t, w, n in samples if w == who and start <= float(t) <= end]
        result.append((inside[-1][1] - inside[0][1]) * 10.0 / audio if len(inside) > 1 else float('nan'))
        span = inside[-1][0] - inside[0][0] if len(inside) > 1 else 0
    print('%-14s %8d %8.1f %14.1f %14.1f %15.1f ms' % (names[(int(run['active']), int(run['mode']))], audio, span,
                                                     result[0], result[1], float(run['getprocesstimes_ms']) / audio))
REPORT
