# Sourced after lib.sh: an X server of its own with two monitors side by side, the primary
# 1280x720 at +0+0 and a second 1024x768 at +1280+0 (Xorg's dummy driver, two RandR outputs;
# Xvfb reports one monitor only), with openbox. Xorg needs root; the run is skipped without it.
# monitors_start sets DISPLAY to it; monitors_stop (also run on exit) ends the server and waits
# until it is gone.

PRIMARY_W=1280 PRIMARY_H=720 SECOND_X=1280 SECOND_W=1024 SECOND_H=768
MONITORS_XORG=
MONITORS_WM=

monitors_config() {
    cat <<'EOF'
Section "Device"
  Identifier "d"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "m"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync
  Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
EndSection
Section "Screen"
  Identifier "s"
  Device "d"
  Monitor "m"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 2304 768
  EndSubSection
EndSection
EOF
}

monitor_count() { xrandr --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p'; }

# Turns the second output on (at its place) or off.
second_output() {
    if [ "$1" = on ]; then
        xrandr --output DUMMY1 --mode 1024x768 --pos ${SECOND_X}x0 --right-of DUMMY0
    else
        xrandr --output DUMMY1 --off
    fi
}

monitors_start() {
    if [ "$(id -u)" != 0 ] || ! command -v Xorg >/dev/null ||
        [ ! -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
        echo "skipped: the two-monitor X server needs root, Xorg and its dummy driver"
        exit 77
    fi
    local n
    for n in $(seq 60 99); do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || break
    done
    monitors_config >"$WORK/xorg.conf"
    Xorg :$n -config "$WORK/xorg.conf" -noreset -nolisten tcp \
        -logfile "$ARTIFACTS/xorg.log" >/dev/null 2>&1 &
    MONITORS_XORG=$!
    trap 'monitors_stop; cleanup' EXIT
    export DISPLAY=:$n
    wait_until 30 xdpyinfo || { echo "FAILED: the X server did not start"; exit 1; }
    xrandr --addmode DUMMY1 1024x768
    xrandr --output DUMMY0 --mode 1280x720 --pos 0x0 --primary \
        --output DUMMY1 --mode 1024x768 --pos ${SECOND_X}x0
    [ "$(monitor_count)" = 2 ] || { echo "FAILED: the X server shows no two monitors"; exit 1; }
    openbox >/dev/null 2>&1 &
    MONITORS_WM=$!
    wait_until 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'
}

monitors_stop() {
    [ -n "$MONITORS_WM" ] && kill "$MONITORS_WM" 2>/dev/null
    if [ -n "$MONITORS_XORG" ]; then
        kill "$MONITORS_XORG" 2>/dev/null
        ends_within "$MONITORS_XORG" 10 || kill -9 "$MONITORS_XORG" 2>/dev/null
        wait "$MONITORS_XORG" 2>/dev/null
    fi
    MONITORS_XORG= MONITORS_WM=
}

# Screenshots of each monitor out of one of the whole desktop: $1 name; sets SHOT (primary)
# and SHOT2 (second monitor).
monitor_shots() {
    local whole
    whole=$(screenshot "$1")
    SHOT=$ARTIFACTS/$1-primary.png SHOT2=$ARTIFACTS/$1-second.png
    convert "$whole" -crop ${PRIMARY_W}x${PRIMARY_H}+0+0 +repage "$SHOT" 2>/dev/null
    convert "$whole" -crop ${SECOND_W}x${SECOND_H}+${SECOND_X}+0 +repage "$SHOT2" 2>/dev/null
    rm -f "$whole"
}

# The pictures and checks both builds share. An orange picture larger than both monitors, so
# that each fits it to its own size; its fitted rectangle on a WxH monitor is known.
make_monitor_picture() { convert -size 1600x1200 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"; }

# Checks one monitor's screenshot ($1 file, $2 W, $3 H): the fitted picture at its centre and
# its edges, black bands beside it, today's number in its own colour in the day row, the clock
# in white, no navy tile left.
monitor_frame_shows() {
    local shot=$1 W=$2 H=$3 h=$3 w
    w=$(( (1600 * H + 600) / 1200 )) # fitted to the height: 4:3
    [ "$w" -gt "$W" ] && { w=$W; h=$(( (1200 * W + 800) / 1600 )); }
    local left=$(( (W - w) / 2 )) day days cell_x
    day=$(date +%-d)
    days=$(date -d "$(date +%Y-%m-01) +1 month -1 day" +%-d)
    cell_x=$(( (W - (20 * days + 10 * (days - 1))) / 2 + 30 * (day - 1) ))
    [ "$(count_colour "$shot" 40x40+$((W / 2 - 20))+$((H / 2 - 60)) 255,128,0 30)" -ge 1500 ] &&
        [ "$(count_colour "$shot" 8x40+$((left + 2))+$((H / 2 - 60)) 255,128,0 30)" -ge 300 ] &&
        { [ "$left" -lt 4 ] ||
            [ "$(count_colour "$shot" 4x40+$((left - 4))+$((H / 2 - 60)) 0,0,0 30)" -ge 150 ]; } &&
        [ "$(count_colour "$shot" 20x20+${cell_x}+$((H - 22)) 0,255,0 90)" -ge 4 ] &&
        [ "$(count_colour "$shot" 180x28+$(( (W - 150) / 2 ))+$((H - 50)) 255,255,255 60)" -ge 30 ] &&
        ! convert "$shot" -crop $((W / 8 * 8))x$((H / 6 * 6))+0+0 +repage -scale '8x6!' \
            -depth 8 txt:- | grep -q '(0,0,64)'
}
both_monitors_show() {
    monitor_frame_shows "$SHOT" $PRIMARY_W $PRIMARY_H && monitor_frame_shows "$SHOT2" $SECOND_W $SECOND_H
}

# The visible top-level windows of class $1 larger than 100x100: "WxH+X+Y" each, sorted.
saver_windows() {
    local w
    for w in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | awk '
            /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
            /Width:/ { w = $NF } /Height:/ { h = $NF }
            END { if (w > 100 && h > 100) printf "%dx%d+%d+%d\n", w, h, x, y }'
    done | sort | tr '\n' ' '
}
windows_are() { [ "$(saver_windows "$1")" = "$2" ]; }
TWO_WINDOWS="1024x768+1280+0 1280x720+0+0 "
ONE_WINDOW="1280x720+0+0 "

shots_show_both() { monitor_shots "$1" && both_monitors_show; }
wait_both_shown() { # $1 name, $2 seconds
    local end=$((SECONDS + $2))
    until shots_show_both "$1"; do [ $SECONDS -ge $end ] && return 1; sleep 0.3; done
}

# The whole check on one build: $1 label, $2 start command, $3 seconds the first frame may
# take, $4 the class of its windows.
run_monitors() {
    local label=$1 start=$2 limit=$3 class=$4 pid
    # With the pointer on the second monitor: both frames, the windows, the end on a move there.
    xdotool mousemove 1600 300
    $start
    pid=$LAST_PID
    wait_both_shown "$label-both" "$limit"
    check "$label: the primary monitor shows the picture fitted to 1280x720 with its day row and clock" \
        monitor_frame_shows "$SHOT" $PRIMARY_W $PRIMARY_H
    check "$label: the second monitor shows the picture fitted to 1024x768 with its day row and clock" \
        monitor_frame_shows "$SHOT2" $SECOND_W $SECOND_H
    check "$label: one saver window on each monitor's rectangle" windows_are "$class" "$TWO_WINDOWS"
    # The first move may only set the reference point; the second goes 12 past it.
    xdotool mousemove 1603 302
    sleep 1
    check "$label: a small pointer move on the second monitor does not end it" still_running "$pid"
    xdotool mousemove 1609 308
    check "$label: a pointer move on the second monitor ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null

    # With the pointer on the primary monitor, which stays: the second output off and on.
    xdotool mousemove 600 300
    $start
    pid=$LAST_PID
    wait_until "$limit" windows_are "$class" "$TWO_WINDOWS"
    second_output off
    check "$label: the second output off leaves one window at the next mark" \
        wait_until 15 windows_are "$class" "$ONE_WINDOW"
    second_output on
    check "$label: the second output back on gets its window at the next mark" \
        wait_until 15 windows_are "$class" "$TWO_WINDOWS"
    check "$label: and both monitors show the show again" wait_both_shown "$label-again" 15
    check "$label: still running after the outputs changed" still_running "$pid"
    xdotool key a
    check "$label: a key ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null
}
