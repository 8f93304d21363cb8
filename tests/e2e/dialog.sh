#!/usr/bin/env bash
# The settings dialog on both builds: a file dragged from another program onto the list is taken
# in lower case, "登録" saves the list and closes, and the saver then shows the picture. Then a
# selection of several files and a folder dragged at once: every picture taken in order, the
# folder walked (hidden files and links left out), one message for what was refused, and on
# Windows one notice for a format the system cannot show.
. "$(dirname "$0")/lib.sh"
drag_source=$LINUX_BUILD/tests/drag_source
[ -x "$drag_source" ] || { echo "skipped: no drag source"; exit 77; }

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
mkdir -p "$WORK/Pictures"
picture=$WORK/Pictures/Sunset.JPG
convert -size 640x480 xc:'rgb(255,128,0)' -quality 95 "JPEG:$picture"

# A folder of pictures beside a file that is none, and a HEIC photo.
album=$WORK/Pictures/Album
mkdir -p "$album/a" "$album/.cache" "$WORK/elsewhere"
for f in "$album/B.png" "$album/a.tif" "$album/a/c.gif" "$album/.hidden.jpg" "$album/._d.jpg" \
    "$album/.cache/e.jpg" "$WORK/elsewhere/f.jpg"; do
    convert -size 64x48 xc:'rgb(255,128,0)' "$f"
done
echo "notes" >"$WORK/Pictures/notes.txt"
heic=$WORK/Pictures/Photo.HEIC
heif-enc -o "$heic" "$album/B.png" >/dev/null 2>&1 || printf '\0\0\0\x18ftypheic\0\0\0\0heicmif1' >"$heic"

# Drags files (default: the picture) from the drag source onto the dialog's list (window $1).
drop_on_list() {
    local dialog=$1; shift
    start_bg "$drag_source" "${@:-$picture}"
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

# The message boxes the dialog (window $1) shows over itself: waits up to $3 seconds for each of
# $2 boxes and closes it with Enter; then none may follow. Screenshots go to the artifacts.
close_messages() {
    local dialog=$1 expected=$2 limit=$3 label=$4 n box
    for n in $(seq "$expected"); do
        wait_until "$limit" other_window "$dialog" || return 1
        box=$(other_window "$dialog") || return 1
        wait_until 10 window_viewable "$box"
        sleep 0.3
        screenshot "$label-message-$n" >/dev/null
        xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
        wait_until 10 window_gone "$box" || return 1
    done
    sleep 1
    ! other_window "$dialog"
}
other_window() { # a viewable window titled like the dialog that is not the dialog
    local id
    for id in $(xdotool search --name "^LumoraScreenSaver Setting\$" 2>/dev/null); do
        [ "$id" != "$1" ] && window_viewable "$id" && { echo "$id"; return 0; }
    done
    return 1
}
window_gone() { ! window_viewable "$1"; }

# The stored list's file names in order, one a line.
stored_names() { tr -d '\r' <"$1" | awk -F'\t' '/^[0-9]+=/ { print $2 }' | paste -sd' '; }

# A selection dropped at once: $1 label, $2 folder, $3 start of the dialog, $4 message boxes.
run_selection() {
    local label=$1 dir=$2 open=$3 boxes=$4 files
    rm -f "$dir/LumoraScr.ini"
    $open
    local pid=$LAST_PID dialog
    dialog=$(wait_window "LumoraScreenSaver Setting" 60) || { fail "$label: the dialog opens"; return; }
    wait_until 20 window_viewable "$dialog"
    files=("$picture" "$WORK/Pictures/notes.txt" "$album")
    [ "$boxes" -gt 1 ] && files+=("$heic")
    check "$label: a selection with a folder is dropped" drop_on_list "$dialog" "${files[@]}"
    check "$label: one message for the refused file$([ "$boxes" -gt 1 ] && echo ", one notice for HEIC")" \
        close_messages "$dialog" "$boxes" 20 "$label"
    screenshot "$label-dialog-after-selection" >/dev/null
    xdotool mousemove --window "$dialog" 40 324 click 1    # "登録"
    check "$label: 登録 saves and closes the dialog" ends_within "$pid" 20
    cp "$dir/LumoraScr.ini" "$ARTIFACTS/$label-selection-LumoraScr.ini" 2>/dev/null
    local expected="sunset.jpg a.tif c.gif b.png"
    [ "$boxes" -gt 1 ] && expected+=" photo.heic"
    local got
    got=$(stored_names "$dir/LumoraScr.ini")
    [ "$got" = "$expected" ] && ok "$label: the pictures in drop and path order" ||
        fail "$label: the pictures in drop and path order (got: $got)"
}

make_linux_folder "$WORK/linux"
run_build linux "$WORK/linux" "start_bg $WORK/linux/lumorascr /c" "start_bg $WORK/linux/lumorascr /s" 30
ln -s "$WORK/elsewhere" "$album/link"
run_selection linux "$WORK/linux" "start_bg $WORK/linux/lumorascr /c" 1
rm "$album/link"

if have_windows_build; then
    make_windows_folder "$WORK/windows"
    run_build windows "$WORK/windows" "wine_start $WORK/windows/LumoraScr.scr /c" \
        "wine_start $WORK/windows/LumoraScr.scr /s" 60
    run_selection windows "$WORK/windows" "wine_start $WORK/windows/LumoraScr.scr /c" 2
fi
finish
