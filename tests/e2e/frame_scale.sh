#!/bin/bash
# The day row drawn by `lumora-tool frame` on both builds: on a 4K frame at 192 dpi it covers the
# same share of the width as on a 1920x1080 frame at 96 dpi, and in a 640x480 window every day
# of a 31-day month lies inside the frame.
. "$(dirname "$0")/lib.sh"
at="2026-05-06 09:30"

# Prints "left width" of everything not black in the bottom $3 rows of the frame $1 ($2 = WxH).
row_extent() {
    local png=$1 size=$2 band=$3
    local w=${size%x*} h=${size#*x}
    convert "$png" -crop "${w}x${band}+0+$((h - band))" +repage -fuzz 8% -trim \
        -format '%X %w' info: 2>/dev/null | sed 's/^+//'
}

draw() { # label size dpi: draws with each build, prints what was drawn
    local label=$1 size=$2 dpi=$3
    "$LINUX_BUILD/lumora-tool" frame --size "$size" --dpi "$dpi" --at "$at" \
        -o "$ARTIFACTS/linux-$label.png" >>"$ARTIFACTS/tool.log" 2>&1 && echo "linux-$label"
    if have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ]; then
        local out="$ARTIFACTS/windows-$label.png"
        ( . "$E2E_ROOT/scripts/wine-env.sh"
          cd "$WINDOWS_BUILD" &&
          wine ./lumora-tool.exe frame --size "$size" --dpi "$dpi" --at "$at" \
              -o "Z:${out//\//\\}" ) >>"$ARTIFACTS/tool.log" 2>&1 && echo "windows-$label"
    fi
}

draw hd 1920x1080 96
draw uhd 3840x2160 192
draw small 640x480 96

for build in linux windows; do
    [ "$build" = windows ] && ! have_windows_build && continue
    read -r _ hd_width <<<"$(row_extent "$ARTIFACTS/$build-hd.png" 1920x1080 22)"
    read -r _ uhd_width <<<"$(row_extent "$ARTIFACTS/$build-uhd.png" 3840x2160 44)"
    read -r small_left small_width <<<"$(row_extent "$ARTIFACTS/$build-small.png" 640x480 14)"
    echo "$build: row ${hd_width:-?}/1920 at 96 dpi, ${uhd_width:-?}/3840 at 192 dpi," \
        "${small_width:-?} from ${small_left:-?} in 640"
    check "$build: the 4K row covers the share of the 1080p row (within 1 %)" \
        awk -v a="${hd_width:-0}" -v b="${uhd_width:-0}" \
        'BEGIN { x = a / 1920; y = b / 3840; exit !(a > 800 && (x - y < 0.01 && y - x < 0.01)) }'
    check "$build: the whole 31-day row inside a 640x480 frame" \
        awk -v l="${small_left:--1}" -v w="${small_width:-0}" \
        'BEGIN { exit !(l >= 1 && l + w <= 639 && w > 500) }'
done
finish
