#!/usr/bin/env bash
# Makes docs/equalizer.png: the player on a first start under Xvfb and Wine (in the win64 build's Wine
# prefix), the equalizer opened with Ctrl+G, the "Rock" preset chosen in its list, "Load Preset From
# Genre" and the switch turned on. Needs the win64 build, xdotool and ImageMagick. No window manager runs under Xvfb,
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
# Inside the dialog's frame a dialog unit is 1.75 pixels across and 1.625 down, after 4 and 23 pixels of
# frame: the preset list at (150, 119) units, "Load Preset From Genre" at (103, 135), "Eq Enabled" at
# (11, 118). "Rock" is the second preset whose name starts with R.
xdotool mousemove $((left + 266)) $((top + 216)) click 1 sleep 0.5 key r sleep 0.2 key r sleep 0.2 key Return
sleep 0.5
xdotool mousemove $((left + 184)) $((top + 242)) click 1 sleep 0.3
xdotool mousemove $((left + 22)) $((top + 212)) click 1  # "Eq Enabled"
xdotool mousemove 790 590
sleep 1
shot=$(mktemp --suffix=.png)
import -window root "$shot"
convert "$shot" -crop 615x398+$((left - 5))+95 +repage "$root/docs/equalizer.png"
rm -f "$shot"
echo "wrote docs/equalizer.png"
