#!/usr/bin/env bash
# lumora-tool frame's exit status for pictures it can and cannot show (Windows build, under
# Wine): a picture whose data ends before its last row gives the black frame and exit 1.
. "$(dirname "$0")/lib.sh"
have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ] || { echo "skipped: no Windows tool"; exit 77; }
convert -size 640x480 gradient:red-blue -quality 90 "$WORK/full.jpg"
size=$(stat -c %s "$WORK/full.jpg")
head -c $((size / 2)) "$WORK/full.jpg" >"$WORK/half.jpg"
head -c 700 "$WORK/full.jpg" >"$WORK/header-only.jpg"

frame() { # $1 picture name, $2 expected exit status, $3 expected mean brightness test
    ( . "$E2E_ROOT/scripts/wine-env.sh"
      timeout 120 wine "$WINDOWS_BUILD/lumora-tool.exe" frame --size 320x240 --at "2026-12-07 09:00" \
          --picture "Z:${WORK//\//\\}\\$1" -o "Z:${WORK//\//\\}\\$1.png" ) >/dev/null 2>&1
    local got=$?
    check "windows tool: $1 exits $2 (got $got)" test "$got" = "$2"
    local mean
    mean=$(convert "$WORK/$1.png" -crop 100x100+110+60 -format '%[fx:mean]' info: 2>/dev/null)
    check "windows tool: $1 frame is $3" awk -v m="${mean:-x}" -v want="$3" \
        'BEGIN { exit !(m != "x" && (want == "black" ? m < 0.02 : m > 0.1)) }'
}
frame full.jpg 0 shown
frame half.jpg 1 black
frame header-only.jpg 1 black
( . "$E2E_ROOT/scripts/wine-env.sh"; wineserver -k ) 2>/dev/null
finish
