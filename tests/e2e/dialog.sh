#!/usr/bin/env bash
# The settings dialog on both builds: a file dragged from another program onto the list is taken
# in lower case, "登録" saves the list and closes, and the saver then shows the picture.
. "$(dirname "$0")/lib.sh"
drag_source=$LINUX_BUILD/tests/drag_source
[ -x "$drag_source" ] || { echo "skipped: no drag source"; exit 77; }

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
mkdir -p "$WORK/Pictures"
picture=$WORK/Pictures/Sunset.JPG
convert -size 640x480 xc:'rgb(255,128,0)' -quality 95 "JPEG:$picture"

# Drags the picture from the drag source onto the dialog's list (window $1).
drop_on_list() {
    local dialog=$1
    start_bg "$drag_source" "$picture"
    local source_pid=$LAST_PID
    local source
    source=$(wait_window "Lumora drag source" 20) || return 1
    wait_until 20 window_viewable "$source" || return 1
    xdotool mousemove --window "$source" 80 45 mousedown 1
    sleep 0.3
    xdotool mousemove_relative -- -40 20
    sleep 0.2
    xdotool mousemove --window "$dialog" 150 100
    sleep 0.3
    xdotool mousemove --window "$dialog" 160 110
    sleep 0.5
    xdotool mouseup 1
    ends_within "$source_pid" 15
}

run_build() { # $1 label, $2 folder, $3 start of the dialog, $4 of the saver, $5 seconds it may take
    local label=$1 dir=$2 open=$3 saver=$4 limit=$5
    rm -f "$dir/LumoraScr.ini"
    $open
    local pid=$LAST_PID dialog
    dialog=$(wait_window "LumoraScreenSaver Setting" 60) || { fail "$label: the dialog opens"; return; }
    wait_until 20 window_viewable "$dialog"
    check "$label: a file dragged onto the list is dropped" drop_on_list "$dialog"
    screenshot "$label-dialog-after-drop" >/dev/null
    xdotool mousemove --window "$dialog" 40 324 click 1    # "登録"
    check "$label: 登録 saves and closes the dialog" ends_within "$pid" 20
    cp "$dir/LumoraScr.ini" "$ARTIFACTS/$label-LumoraScr.ini" 2>/dev/null
    check "$label: the list holds one entry" grep -qa "^Count=1" "$dir/LumoraScr.ini"
    check "$label: the entry is the dropped file in lower case" grep -qa "sunset.jpg" "$dir/LumoraScr.ini"

    xdotool mousemove 500 400
    $saver
    pid=$LAST_PID
    local centre=40x40+$((W / 2 - 20))+$((H / 2 - 60))
    SHOT=$(wait_screen "$label-saver" "$limit" shows_colour "$centre" 255,128,0 40 1500)
    check "$label: the saver shows the saved picture" shows_colour "$centre" 255,128,0 40 1500
    xdotool key a
    ends_within "$pid" 15 || kill "$pid"
}

make_linux_folder "$WORK/linux"
run_build linux "$WORK/linux" "start_bg $WORK/linux/lumorascr /c" "start_bg $WORK/linux/lumorascr /s" 30

if have_windows_build; then
    make_windows_folder "$WORK/windows"
    run_build windows "$WORK/windows" "wine_start $WORK/windows/LumoraScr.scr /c" \
        "wine_start $WORK/windows/LumoraScr.scr /s" 60
fi
finish
