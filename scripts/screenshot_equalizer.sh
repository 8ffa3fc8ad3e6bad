#!/usr/bin/env bash
# Makes docs/equalizer.png: the player on a first start under Xvfb and Wine (in the win64 build's Wine
# prefix), the equalizer opened with Ctrl+G, its sliders dragged into a bass-and-treble curve and the
# switch turned on. Needs the win64 build, xdotool and ImageMagick. No window manager runs under Xvfb,
# so Wine draws the window frames itself for the shot; the prefix's setting and its "zav.ini" are put
# back afterwards.
set -euo pipefail
. "$(dirname "$0")/screenshot_session.sh"
start_screenshot_session
start_player_first_time
xdotool mousemove 230 110 click 1 sleep 0.5 key ctrl+g
sleep 2
read -r left top < <(xdotool search --name 'ZAV Graphic Equalizer' getwindowgeometry --shell %1 |
                     awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}')
# Inside the dialog's frame: the first slider's thumb at level 10 is at (76, 101), the sliders are
# 36.75 pixels apart and a level is 5.75 pixels high.
levels=(16 14 12 10 9 8 8 9 11 13 15 17)
for i in "${!levels[@]}"; do
  x=$((left + 76 + i * 3675 / 100))
  y=$((top + 101 - (levels[i] - 10) * 575 / 100))
  xdotool mousemove "$x" $((top + 101)) mousedown 1 mousemove "$x" $((y + 3)) mousemove "$x" "$y" mouseup 1
  sleep 0.2
done
xdotool mousemove $((left + 22)) $((top + 212)) click 1  # "Eq Enabled"
xdotool mousemove 790 590
sleep 1
shot=$(mktemp --suffix=.png)
import -window root "$shot"
convert "$shot" -crop 615x365+$((left - 5))+95 +repage "$root/docs/equalizer.png"
rm -f "$shot"
echo "wrote docs/equalizer.png"
