#!/usr/bin/env bash
# The saver on a 1366 x 768 screen (its own X server), on both builds: the last column of tiles
# shows the picture; a picture rewritten after it was made ahead shows its new contents at its
# mark and one deleted shows black; a wall clock set forwards between marks is followed at once;
# a second start is refused while the saver runs, and a new one starts once it has ended.
if [ -z "${LUMORA_MARKS_SCREEN:-}" ]; then
    here=$(cd "$(dirname "$0")" && pwd)
    command -v xvfb-run >/dev/null || { echo "skipped: no xvfb-run"; exit 77; }
    LUMORA_MARKS_SCREEN=1 LUMORA_SCREEN=1366x768x24 exec env -u DISPLAY \
        bash "$here/../../scripts/with-x.sh" bash "$here/marks.sh" "$@"
fi
. "$(dirname "$0")/lib.sh"

FAKETIME_LIB=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
[ -f "$FAKETIME_LIB" ] || { echo "skipped: libfaketime is not installed"; exit 77; }
W=1366 H=768
for c in "orange rgb(255,128,0)" "blue rgb(0,0,255)" "green rgb(0,200,0)"; do
    convert -size ${W}x$H "xc:${c#* }" -type TrueColor "BMP3:$WORK/${c%% *}.bmp"
done

centre() { echo "40x40+$((W / 2 - 20))+$((H / 2 - 60))"; }
centre_is() { shows_colour "$(centre)" "$1" 40 1500; }
# The 6 columns right of 8 tiles of 170 pixels, above the day row.
last_column_is() { shows_colour "6x500+1360+0" "$1" 40 2900; }
titled_savers() { xdotool search --name '^LumoraScreenSaver$' 2>/dev/null | wc -l; }

# The n-th line of event $1 in the marks file; waits up to $3 seconds for the $2-th.
events() { grep -c "^$1 " "$MARKS" 2>/dev/null; }
has_events() { [ "$(events "$1")" -ge "$2" ]; }
wait_event() { wait_until "$3" has_events "$1" "$2"; }
# True when the clock reading $1 (hh:mm:ss.mmm) is less than $2 seconds past a ten-second mark.
seconds_into_slot_below() { [[ $1 =~ ^[0-9]{2}:[0-9]{2}:[0-9]([0-9])\. ]] && [ "${BASH_REMATCH[1]}" -lt "$2" ]; }
event_time() { awk -v e="$1" -v n="$2" '$1 == e && ++k == n { print $2; exit }' "$MARKS"; }

run_build() { # $1 label; $2 folder; $3 list file's path separator
    local label=$1 dir=$2 sep=$3 pid stamp=$WORK/$1.stamp
    MARKS=$WORK/$label.marks
    local pics=$WORK/$label-pictures
    mkdir -p "$pics"
    cp "$WORK/orange.bmp" "$pics/X.bmp"
    cp "$WORK/blue.bmp" "$pics/Y.bmp"
    write_list "$dir/LumoraScr.ini" "$sep" "$pics/X.bmp" "$pics/Y.bmp"
    echo "+0" >"$stamp"
    xdotool mousemove 600 400
    local clock_env=(LD_PRELOAD="$FAKETIME_LIB" FAKETIME_TIMESTAMP_FILE="$stamp"
        FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1)
    if [ "$label" = linux ]; then
        start_bg env LUMORA_TRACE_MARKS="$MARKS" "${clock_env[@]}" "$dir/lumorascr" /s
    else
        # The server keeps the real clock: it is started before the saver's clock is stepped.
        ( . "$E2E_ROOT/scripts/wine-env.sh"; wineserver -p10
          exec env LUMORA_TRACE_MARKS="Z:${MARKS//\//\\}" "${clock_env[@]}" \
              wine "$dir/LumoraScr.scr" /s ) >>"$ARTIFACTS/wine.log" 2>&1 &
        LAST_PID=$!; BACKGROUND+=("$LAST_PID")
    fi
    pid=$LAST_PID
    local limit=30; [ "$label" = linux ] || limit=90

    # Frames alternate Y (blue), X (orange), Y, ... The frame k whose reveal ends at least four
    # seconds before the next mark is the start: the next frame's picture, made ahead once that
    # reveal is over, is rewritten before its mark.
    check "$label: the first frame is revealed" wait_event revealed 1 "$limit"
    local k=1
    seconds_into_slot_below "$(event_time revealed 1)" 6 || { k=2; wait_event revealed 2 15; }
    local gone=Y next=X colour=0,0,255
    [ $((k % 2)) -eq 0 ] && { gone=X next=Y colour=255,128,0; }
    cp "$WORK/green.bmp" "$pics/$next.bmp"
    SHOT=$(wait_screen "$label-first" 5 last_column_is "$colour")
    check "$label: the last column of tiles shows the picture" last_column_is "$colour"

    check "$label: the next mark is revealed" wait_event revealed $((k + 1)) 15
    SHOT=$(wait_screen "$label-rewritten" 5 centre_is 0,200,0)
    check "$label: a picture rewritten after it was made shows its new contents" centre_is 0,200,0
    # The shown picture's file goes, and the clock is set 5 s forwards about a second after the mark.
    rm -f "$pics/$gone.bmp"
    echo "+5" >"$stamp"
    check "$label: the mark after the clock step comes" wait_event mark $((k + 2)) 15
    local at
    at=$(event_time mark $((k + 2)))
    at=${at:-no mark}
    echo "mark after the step: $at"
    check "$label: it comes before the stepped clock reads 5 s past its mark" \
        seconds_into_slot_below "$at" 3
    SHOT=$(wait_screen "$label-deleted" 5 centre_is 0,0,0)
    check "$label: a deleted picture is never shown: black" centre_is 0,0,0
    cp "$MARKS" "$ARTIFACTS/$label.marks" 2>/dev/null

    # One saver at a time: a second start (a saver or the settings dialog) is refused.
    local mode
    for mode in /s /c; do
        if [ "$label" = linux ]; then start_bg "$dir/lumorascr" $mode; else wine_start "$dir/LumoraScr.scr" $mode; fi
        check "$label: '$mode' refused while the saver runs" ends_within "$LAST_PID" 20
    done
    check "$label: one saver window" test "$(titled_savers)" -eq 1
    check "$label: the saver is still running" still_running "$pid"
    xdotool key a
    check "$label: a key ends it" ends_within "$pid" 20
    check "$label: its window is gone" wait_until 20 test "$(titled_savers)" -eq 0
}

# After the saver ended, a new saver and a preview start normally.
restart_build() { # $1 label; $2 program
    local label=$1 program=$2 pid
    xdotool mousemove 600 400
    MARKS=$WORK/$label-again.marks
    if [ "$label" = linux ]; then
        export LUMORA_TRACE_MARKS=$MARKS
        start_bg "$program" /s
    else
        export LUMORA_TRACE_MARKS="Z:${MARKS//\//\\}"
        wine_start "$program" /s
    fi
    unset LUMORA_TRACE_MARKS
    pid=$LAST_PID
    check "$label: a new saver starts after the first ended" wait_event mark 1 60
    check "$label: its window has the saver's title" wait_window LumoraScreenSaver 10
    xdotool key a
    check "$label: and ends on a key" ends_within "$pid" 20
    if [ "$label" = linux ]; then
        xlogo -geometry 420x300+30+30 >/dev/null 2>&1 &
        local host_app=$!; BACKGROUND+=("$host_app")
        local host
        host=$(wait_class xlogo 20)
        start_bg "$program" /p "$host"
        check "$label: a preview starts after the saver ended" wait_window Preview 20
        kill "$host_app"
    else
        wine_start "$program" /p 0
        check "$label: a preview starts after the saver ended" wait_window Preview 60
        kill "$LAST_PID" 2>/dev/null
    fi
}

make_linux_folder "$WORK/linux"
run_build linux "$WORK/linux" /
restart_build linux "$WORK/linux/lumorascr"

if have_windows_build; then
    make_windows_folder "$WORK/windows"
    run_build windows "$WORK/windows" '\'
    restart_build windows "$WORK/windows/LumoraScr.scr"
    ( . "$E2E_ROOT/scripts/wine-env.sh"; timeout 30 wineserver -w ) >/dev/null 2>&1
fi
finish
