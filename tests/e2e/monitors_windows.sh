#!/usr/bin/env bash
# The Windows program under Wine on two monitors: the same checks as the Linux one.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/monitor_lib.sh"
have_windows_build || { echo "skipped: no Windows build"; exit 77; }
monitors_start
# Wine's desktop process belongs to the display it started on: this run starts its own and
# ends it again, so that later runs on the other display get theirs.
( . "$E2E_ROOT/scripts/wine-env.sh"; timeout 30 wineserver -k ) >/dev/null 2>&1
make_monitor_picture
make_windows_folder "$WORK/windows" "$WORK/orange.bmp"
run_monitors windows "wine_start $WORK/windows/LumoraScr.scr /s" 60 'lumorascr\.scr'
( . "$E2E_ROOT/scripts/wine-env.sh"; timeout 30 wineserver -k ) >/dev/null 2>&1
finish
