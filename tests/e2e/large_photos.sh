#!/usr/bin/env bash
# A 48-megapixel progressive photo (4:2:0, 7952x5964) and an 8200x8200 baseline one, made here
# with cjpeg, drawn by both builds' lumora-tool frame on a 1920x1080 screen: exit 0, the picture
# shown, and the Windows build's picture the same as the Linux build's. Each run's time and peak
# memory are kept in the artifacts (large_photos/stats.txt).
. "$(dirname "$0")/lib.sh"
command -v cjpeg >/dev/null || { echo "skipped: no cjpeg"; exit 77; }
[ -x "$LINUX_BUILD/lumora-tool" ] || { echo "skipped: no Linux tool"; exit 77; }

# Bands of two colours, 512 rows each, as a binary PPM on standard output.
ppm() {
    python3 - "$1" "$2" <<'PY'
import sys
w, h = int(sys.argv[1]), int(sys.argv[2])
out = sys.stdout.buffer
out.write(b"P6 %d %d 255\n" % (w, h))
half = w // 2
rows = [bytes((200, 120, 40)) * half + bytes((40, 120, 200)) * (w - half),
        bytes((90, 180, 90)) * half + bytes((230, 230, 230)) * (w - half)]
for y in range(h):
    out.write(rows[(y // 512) % 2])
PY
}
ppm 7952 5964 | cjpeg -progressive -sample 2x2 -quality 85 -outfile "$WORK/48mp-progressive.jpg"
ppm 8200 8200 | cjpeg -sample 2x2 -quality 85 -outfile "$WORK/8200-baseline.jpg"

stats=$ARTIFACTS/stats.txt
: >"$stats"
at="2026-12-07 09:00"
for photo in 48mp-progressive 8200-baseline; do
    "$LINUX_BUILD/lumora-tool" frame --size 1920x1080 --at "$at" --picture "$WORK/$photo.jpg" \
        -o "$WORK/$photo-linux.png" --stats 2>>"$stats"
    rc=$?
    check "linux tool: $photo exits 0 (got $rc)" test $rc -eq 0
    if have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ]; then
        ( . "$E2E_ROOT/scripts/wine-env.sh"
          timeout 300 wine "$WINDOWS_BUILD/lumora-tool.exe" frame --size 1920x1080 --at "$at" \
              --picture "Z:${WORK//\//\\}\\$photo.jpg" -o "Z:${WORK//\//\\}\\$photo-windows.png" \
              --stats ) >/dev/null 2>"$WORK/wine.log"
        rc=$?
        grep 'peak memory' "$WORK/wine.log" | sed 's/^/windows /' >>"$stats"
        check "windows tool: $photo exits 0 (got $rc)" test $rc -eq 0
    fi
    cp "$WORK/$photo"-*.png "$ARTIFACTS/" 2>/dev/null
done
cat "$stats"

# The picture's part of the frame above the calendar: not black, and the same on both builds.
area=1400x560+260+40
for frame in "$WORK"/*-linux.png "$WORK"/*-windows.png; do
    [ -f "$frame" ] || continue
    mean=$(convert "$frame" -crop "$area" -format '%[fx:mean]' info:)
    check "$(basename "$frame") shows the picture (mean $mean)" \
        awk -v m="$mean" 'BEGIN { exit !(m > 0.3) }'
done
for photo in 48mp-progressive 8200-baseline; do
    [ -f "$WORK/$photo-windows.png" ] || continue
    for build in linux windows; do
        convert "$WORK/$photo-$build.png" -crop "$area" +repage "$WORK/$photo-$build-area.png"
    done
    psnr=$(compare -metric PSNR "$WORK/$photo-linux-area.png" "$WORK/$photo-windows-area.png" \
        null: 2>&1)
    check "$photo: the Windows build's picture is the Linux build's (PSNR $psnr dB)" \
        awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 40) }'
done
( . "$E2E_ROOT/scripts/wine-env.sh"; wineserver -k ) 2>/dev/null
finish
