#!/usr/bin/env bash
# The Linux program as an XScreenSaver hack: activated, it draws the frame into the window the
# daemon hands over; deactivated, it ends.
. "$(dirname "$0")/lib.sh"
command -v xscreensaver >/dev/null || { echo "skipped: xscreensaver is not installed"; exit 77; }

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"
make_linux_folder "$WORK/bin" "$WORK/orange.bmp"
mkdir -p "$WORK/home"
cat >"$WORK/home/.xscreensaver" <<CONF
timeout:	1:00:00
lock:		False
splash:		False
fade:		False
unfade:		False
mode:		one
selected:	0
programs:	"LumoraScr"  $WORK/bin/lumorascr --root  \n\\
CONF

# The daemon launches no hack as root: run it as an ordinary user then.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$WORK"
    chown -R nobody "$WORK/home"
    if [ -n "${XAUTHORITY:-}" ]; then cp "$XAUTHORITY" "$WORK/xauth"; chmod 644 "$WORK/xauth"; fi
    as_user=(runuser -u nobody -- env "XAUTHORITY=$WORK/xauth")
fi
export HOME=$WORK/home
"${as_user[@]}" env HOME="$HOME" DISPLAY="$DISPLAY" xscreensaver -no-splash >"$ARTIFACTS/xscreensaver.log" 2>&1 &
daemon=$!; BACKGROUND+=("$daemon")
command_daemon() { "${as_user[@]}" env HOME="$HOME" DISPLAY="$DISPLAY" xscreensaver-command "$@" >/dev/null 2>&1; }
for _ in $(seq 50); do command_daemon -version && break; sleep 0.2; done
command_daemon -activate
hack_running() { pgrep -f "$WORK/bin/lumorascr" >/dev/null; }
check "the hack is running" wait_until 30 hack_running
day=$(date +%-d)
days=$(date -d "$(date +%Y-%m-01) +1 month -1 day" +%-d)
cell_x=$(( (W - (20 * days + 10 * (days - 1))) / 2 + 30 * (day - 1) ))
picture_shows() { shows_colour 40x40+$((W / 2 - 20))+$((H / 2 - 60)) 255,128,0 30 1500; }
today_shows() { shows_colour "20x20+${cell_x}+$((H - 22))" 0,255,0 90 4; }
frame_shows() { picture_shows && today_shows; }
SHOT=$(wait_screen activated 30 frame_shows)
check "the picture shows in the daemon's window" picture_shows
check "today's number in green at the window's bottom" today_shows
command_daemon -deactivate
gone() { ! hack_running; }
check "the hack ends when the daemon stops it" wait_until 15 gone
command_daemon -exit
finish
