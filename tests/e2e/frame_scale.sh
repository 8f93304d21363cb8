#!/bin/bash
# The day row drawn by `lumora-tool frame` on both builds: on a 4K frame at 192 dpi it covers the
# same share of the width as on a 1920x1080 frame at 96 dpi, and in a 640x480 window every day
# of a 31-day month lies inside the frame; a 1920x1080 photo fills the 4K frame at 192 dpi and
# keeps its size, centred, at 96 dpi.
. "$(dirname "$0")/lib.sh"
at="2026-05-06 09:30"

# Prints "left width" of everything not black in the bottom $3 rows of the frame $1 ($2 = WxH).
row_extent() {
    local png=$1 size=$2 band=$3
    local w=${size%x*} h=${size#*x}
    convert "$png" -crop "${w}x${band}+0+$((h - band))" +repage -fuzz 8% -trim \
        -format '%X %w' info: 2>/dev/null | sed 's/^+//'
}

draw() { # label size dpi [picture]: draws with each build, prints what was drawn
    local label=$1 size=$2 dpi=$3 picture=()
    if [ -n "${4:-}" ]; then picture=(--picture "$4"); fi
    "$LINUX_BUILD/lumora-tool" frame --size "$size" --dpi "$dpi" --at "$at" "${picture[@]}" \
        -o "$ARTIFACTS/linux-$label.png" >>"$ARTIFACTS/tool.log" 2>&1 && echo "linux-$label"
    if [ -n "${4:-}" ]; then picture=(--picture "Z:${4//\//\\}"); fi
    if have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ]; then
        local out="$ARTIFACTS/windows-$label.png"
        ( . "$E2E_ROOT/scripts/wine-env.sh"
          cd "$WINDOWS_BUILD" &&
          wine ./lumora-tool.exe frame --size "$size" --dpi "$dpi" --at "$at" "${picture[@]}" \
              -o "Z:${out//\//\\}" ) >>"$ARTIFACTS/tool.log" 2>&1 && echo "windows-$label"
    fi
}

draw hd 1920x1080 96
draw uhd 3840x2160 192
draw small 640x480 96
photo=$ARTIFACTS/photo-1920x1080.jpg
convert -size 1920x1080 gradient:orange-teal -quality 90 "$photo"
draw photo-dense 3840x2160 192 "$photo"
draw photo-plain 3840x2160 96 "$photo"

# The colour at x,y of a frame, as "r,g,b" (0-255).
colour_at() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

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
    dense_corner=$(colour_at "$ARTIFACTS/$build-photo-dense.png" 4 4)
    plain_corner=$(colour_at "$ARTIFACTS/$build-photo-plain.png" 4 4)
    plain_inside=$(colour_at "$ARTIFACTS/$build-photo-plain.png" 964 544)
    echo "$build: photo corner $dense_corner at 192 dpi, $plain_corner at 96 dpi (inside $plain_inside)"
    check "$build: at 192 dpi the 1920x1080 photo reaches the 4K frame's corner" \
        awk -F, -v c="$dense_corner" 'BEGIN { split(c, v, ","); exit !(v[1] + v[2] + v[3] > 150) }'
    check "$build: at 96 dpi it stays 1920x1080, centred" \
        awk -v c="$plain_corner" -v i="$plain_inside" \
        'BEGIN { split(c, a, ","); split(i, b, ","); exit !(a[1] + a[2] + a[3] == 0 && b[1] + b[2] + b[3] > 150) }'
done
finish
