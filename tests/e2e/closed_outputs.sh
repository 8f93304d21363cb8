#!/usr/bin/env bash
# The Linux saver started the way services and scripts start it: with standard error closed, or
# all three standard descriptors, it still shows its frame and ends on a key; a hang-up ends it
# in order, with its pass trace written.
. "$(dirname "$0")/lib.sh"

W=1024 H=768
read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"
make_linux_folder "$WORK/linux" "$WORK/orange.bmp"
picture_shows() { shows_colour 40x40+$((W / 2 - 20))+$((H / 2 - 60)) 255,128,0 30 1500; }
saver=$WORK/linux/lumorascr

# Without XDG_RUNTIME_DIR the toolkit warns on standard error at start.
for closed in "2" "0 1 2"; do
    label="descriptors $closed closed"
    case $closed in
    2) env -u XDG_RUNTIME_DIR "$saver" /s 2>&- & ;;
    *) env -u XDG_RUNTIME_DIR "$saver" /s <&- >&- 2>&- & ;;
    esac
    pid=$!
    BACKGROUND+=("$pid")
    SHOT=$(wait_screen "closed-${closed// /}" 30 picture_shows)
    check "$label: the frame shows" picture_shows
    xdotool key a
    check "$label: a key ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null
done

LUMORA_TRACE_PASSES=$WORK/passes.trace "$saver" /s >>"$ARTIFACTS/program.log" 2>&1 &
pid=$!
BACKGROUND+=("$pid")
SHOT=$(wait_screen hang-up 30 picture_shows)
kill -HUP "$pid"
check "a hang-up ends it" ends_within "$pid" 15
wait "$pid"
status=$?
check "a hang-up ends it with status 0 (it was $status)" test "$status" -eq 0
check "a hang-up leaves the pass trace written" test -s "$WORK/passes.trace"
kill "$pid" 2>/dev/null
finish
