#!/usr/bin/env bash
# Makes docs/preferences-*.png: the preferences sheet opened with Ctrl+P on a first start under Xvfb
# and Wine (in the win64 build's Wine prefix), one picture of each of its six pages, turned to with
# the arrow key on the tabs; on the Plug-ins page the sample plug-in is chosen to start with the player. Needs the win64 build, xdotool and ImageMagick. The prefix's setting and its "zav.ini" are
# put back afterwards.
set -euo pipefail
. "$(dirname "$0")/screenshot_session.sh"
start_screenshot_session
start_player_first_time
xdotool mousemove 230 110 click 1 sleep 0.5 key ctrl+p
sleep 3
sheet=$(xdotool search --name 'zav' | while read -r id; do
          [ "$(xdotool getwindowname "$id")" != "Zav 0.77" ] && echo "$id"; done | head -n 1)
read -r left top width height < <(xdotool getwindowgeometry --shell "$sheet" |
  awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
# The first tab, "General Settings", at the left of the front row: a click gives the tabs the focus.
xdotool mousemove $((left + 60)) $((top + 56)) click 1 sleep 0.5 mousemove 790 590
shot=$(mktemp --suffix=.png)
for page in general audio-output audio-buffering plugins url-streaming visualisation; do
  sleep 1
  if [ "$page" = plugins ]; then
    # In use: the sample plug-in's library and first module chosen, "Auto-Start Plugin " checked; then
    # the tab again, so that the arrow key goes on turning the pages.
    xdotool mousemove $((left + 210)) $((top + 112)) click 1 sleep 0.5 key Down sleep 0.2 key Return sleep 0.5
    xdotool mousemove $((left + 210)) $((top + 140)) click 1 sleep 0.5 key Return sleep 0.5
    xdotool mousemove $((left + 93)) $((top + 200)) click 1 sleep 0.3
    xdotool mousemove $((left + 60)) $((top + 57)) click 1 sleep 0.5 mousemove 790 590
    sleep 0.5
  fi
  import -window root "$shot"
  convert "$shot" -crop "${width}x${height}+${left}+${top}" +repage "$root/docs/preferences-$page.png"
  echo "wrote docs/preferences-$page.png"
  xdotool key Right  # the tab control has the focus: the next tab
done
rm -f "$shot"
xdotool key Escape
