#!/usr/bin/env bash
# The preview sits at the top-left of its host window and ends when the host is destroyed.
. "$(dirname "$0")/lib.sh"

make_linux_folder "$WORK/linux"
xlogo -geometry 420x300+30+30 -bg '#c8c8c8' >/dev/null 2>&1 &
host_app=$!; BACKGROUND+=("$host_app")
host=$(wait_class xlogo 20)
start_bg "$WORK/linux/lumorascr" /p "$host"
preview=$LAST_PID
preview_child() { xwininfo -children -id "$host" 2>/dev/null | grep -q '"Preview"\|312x213+0+0'; }
check "linux: the preview is a child of the host window" wait_until 30 preview_child
origin=$(xwininfo -id "$host" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x "+" y }')
corner="100x40+$((${origin%+*} + 200))+$((${origin#*+} + 150))"
SHOT=$(wait_screen linux-preview 20 shows_colour "$corner" 0,0,0 30 3500)
check "linux: the preview's black fills the host's top-left corner" shows_colour "$corner" 0,0,0 30 3500
kill "$host_app"
check "linux: the preview ends when its host window is destroyed" ends_within "$preview" 15

if have_windows_build && [ -f "$WINDOWS_BUILD/tests/preview_host.exe" ]; then
    make_windows_folder "$WORK/windows"
    ( . "$E2E_ROOT/scripts/wine-env.sh"; timeout 90 wine "$WINDOWS_BUILD/tests/preview_host.exe" \
        "$WORK/windows/LumoraScr.scr" ) >"$ARTIFACTS/preview_host.log" 2>&1
    rc=$?
    sed 's/^/  /' "$ARTIFACTS/preview_host.log" | grep -a -E 'ok|FAILED'
    check "windows: preview placed in its host and gone with it" test "$rc" -eq 0
fi
finish
