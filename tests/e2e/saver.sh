#!/usr/bin/env bash
# The saver on both builds: a revealed frame with the day row and clock after a few seconds,
# the end on a key, on a pointer move of 6 right and 5 down but not of 7 right and 3 down.
. "$(dirname "$0")/lib.sh"

W=1024 H=768
read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"

# Where today's number and the clock are drawn on a W x H screen.
day=$(date +%-d)
days=$(date -d "$(date +%Y-%m-01) +1 month -1 day" +%-d)
cell_x=$(( (W - (20 * days + 10 * (days - 1))) / 2 + 30 * (day - 1) ))
cell="20x20+${cell_x}+$((H - 22))"
clock="180x28+$(( (W - 150) / 2 ))+$((H - 50))"

picture_shows() { shows_colour 40x40+$((W / 2 - 20))+$((H / 2 - 60)) 255,128,0 30 1500; }
today_shows() { shows_colour "$cell" 0,255,0 90 4; }
clock_shows() { shows_colour "$clock" 255,255,255 60 30; }
# No tile of the 8 x 6 still shows the navy ground the reveal starts from.
revealed() { ! convert "$SHOT" -scale '8x6!' -depth 8 txt:- | grep -q '(0,0,64)'; }
frame_shows() { picture_shows && today_shows && clock_shows && revealed; }

check_frame() { # $1 label; waits up to $2 seconds for the whole frame
    SHOT=$(wait_screen "$1-frame" "$2" frame_shows)
    check "$1: picture centred on the screen" picture_shows
    check "$1: today's number in green in its cell" today_shows
    check "$1: the clock in white inside its box" clock_shows
    check "$1: every tile revealed" revealed
}

run_build() { # $1 label, $2 start command, $3 seconds the first frame may take
    local label=$1 start=$2 limit=$3
    xdotool mousemove 500 400
    $start
    local pid=$LAST_PID
    check_frame "$label" "$limit"
    xdotool mousemove 507 403
    sleep 1.5
    check "$label: a pointer move of 7 right and 3 down does not end it" still_running "$pid"
    xdotool mousemove 506 405
    check "$label: a pointer move of 6 right and 5 down ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null

    xdotool mousemove 500 400
    $start
    pid=$LAST_PID
    SHOT=$(wait_screen "$label-before-key" "$limit" picture_shows)
    xdotool key a
    check "$label: a key ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null
}

make_linux_folder "$WORK/linux" "$WORK/orange.bmp"
run_build linux "start_bg $WORK/linux/lumorascr /s" 30

if have_windows_build; then
    make_windows_folder "$WORK/windows" "$WORK/orange.bmp"
    run_build windows "wine_start $WORK/windows/LumoraScr.scr /s" 60
fi
finish
