#!/usr/bin/env bash
# Pictures of every format the show takes, as `lumora-tool frame` draws them on both builds:
# turned upright as the file says (each of the eight orientations, quadrant by quadrant), in
# their true colours (a colour profile or coded colours converted to sRGB, compared with Little
# CMS's own conversion), and damaged ones refused with the black frame.
. "$(dirname "$0")/lib.sh"
for tool in heif-enc cwebp avifenc exiftool transicc convert; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
P3=/usr/share/color/argyll/ref/DisplayP3.icm
ADOBE=/usr/share/color/icc/colord/AdobeRGB1998.icc
PROPHOTO=/usr/share/color/icc/colord/ProPhotoRGB.icc
SRGB=/usr/share/color/icc/colord/sRGB.icc
GREY=/usr/share/color/icc/ghostscript/ps_gray.icc
for f in "$P3" "$ADOBE" "$PROPHOTO" "$SRGB" "$GREY"; do
    [ -f "$f" ] || { echo "skipped: no $f"; exit 77; }
done
cd "$WORK" || exit 1

# A 96x64 picture of four coloured quadrants: $1..$4 top left, top right, bottom left, bottom
# right; $5 the file (8 bits a channel).
quad() {
    convert -size 48x32 "xc:$1" "xc:$2" +append \( -size 48x32 "xc:$3" "xc:$4" +append \) \
        -append -depth 8 -type TrueColor "PNG24:$5"
}

# Encodes the PNG $1 as $2 (by its extension), as near lossless as each format goes.
encode() {
    case $2 in
    *.jpg) convert "$1" -quality 100 -sampling-factor 1x1 "$2" ;;
    *.webp) cwebp -quiet -lossless "$1" -o "$2" ;;
    *.heic) heif-enc -q 100 -p chroma=444 "$1" -o "$2" >/dev/null ;;
    *.avif) avifenc -s 10 --lossless "${@:3}" "$1" "$2" >/dev/null ;;
    *) convert "$1" "$2" ;;
    esac
}

# Draws picture $1 with build $2 (linux or windows) into $1.$2.png; prints the exit status.
frame() {
    local out="$1.$2.png" rc
    rm -f "$out"
    if [ "$2" = linux ]; then
        QT_QPA_PLATFORM=offscreen timeout 120 "$LINUX_BUILD/lumora-tool" frame --size 320x240 \
            --at "2026-12-07 09:00" --picture "$1" -o "$out" >/dev/null 2>&1
    else
        ( . "$E2E_ROOT/scripts/wine-env.sh"
          timeout 120 wine "$WINDOWS_BUILD/lumora-tool.exe" frame --size 320x240 \
              --at "2026-12-07 09:00" --picture "Z:${WORK//\//\\}\\$1" \
              -o "Z:${WORK//\//\\}\\$out" ) >/dev/null 2>&1
    fi
    rc=$?
    echo "$rc"
}

# The colours at the centres of the picture's quadrants in frame $1, as "r,g,b r,g,b r,g,b
# r,g,b", then "landscape" or "portrait". The picture is what is not black above the day row.
quadrants() {
    local geometry w h x y
    geometry=$(convert "$1" -crop 320x200+0+0 +repage -fuzz 3% -trim -format '%w %h %X %Y' info:) ||
        return 1
    read -r w h x y <<<"$geometry"
    local at
    for at in "$((x + w / 4)) $((y + h / 4))" "$((x + 3 * w / 4)) $((y + h / 4))" \
              "$((x + w / 4)) $((y + 3 * h / 4))" "$((x + 3 * w / 4)) $((y + 3 * h / 4))"; do
        convert "$1" -format "%[fx:round(255*p{${at% *},${at#* }}.r)],%[fx:round(255*p{${at% *},${at#* }}.g)],%[fx:round(255*p{${at% *},${at#* }}.b)] " info:
    done
    [ "$w" -gt "$h" ] && echo landscape || echo portrait
}

# Whether every "r,g,b" of $1 is within $3 of the one in the same place of $2.
near() {
    awk -v got="$1" -v want="$2" -v tolerance="$3" 'BEGIN {
        n = split(got, g, /[ ,]/); m = split(want, w, /[ ,]/)
        if (n != m) exit 1
        for (i = 1; i <= n; i++) {
            if (g[i] ~ /^[a-z]+$/) { if (g[i] != w[i]) exit 1; continue }
            d = g[i] - w[i]; if (d < 0) d = -d; if (d > tolerance) exit 1
        }
    }'
}

builds=(linux)
have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ] && builds+=(windows)

# Upright: each orientation's picture is stored turned the other way, so that it shows as the
# reference once the file's orientation is applied. Rows: orientation, how the stored picture
# is made from the reference.
UPRIGHT="255,0,0 0,255,0 0,0,255 255,255,255 landscape"
quad red lime blue white ref.png
orientations=(
    "1 -strip" "2 -flop" "3 -rotate 180" "4 -flip"
    "5 -transpose" "6 -rotate -90" "7 -transverse" "8 -rotate 90"
)
for row in "${orientations[@]}"; do
    read -r o op <<<"$row"
    convert ref.png $op -depth 8 "PNG24:turned$o.png"
    for ext in jpg png webp tif; do
        encode "turned$o.png" "o$o.$ext"
        exiftool -q -q -overwrite_original -n -Orientation="$o" "o$o.$ext"
    done
done
# HEIF's own turning (avifenc writes it): the rotation anticlockwise, the mirroring; the last
# also carries Exif orientation 6, which the file's own turning overrides. Rows: name | how the
# stored picture is made | the encoder's options.
exiftool -q -q -n -Orientation=6 -o exif6.exif o1.jpg
turnings=(
    "irot1|-rotate 90|--irot 1" "irot2|-rotate 180|--irot 2" "imir0|-flip|--imir 0"
    "imir1|-flop|--imir 1" "exif6|-rotate 90|--irot 1 --exif exif6.exif"
)
for row in "${turnings[@]}"; do
    IFS='|' read -r name op options <<<"$row"
    convert ref.png $op -depth 8 "PNG24:$name.png"
    encode "$name.png" "$name.avif" $options
done

for build in "${builds[@]}"; do
    exts=(jpg png tif)
    [ "$build" = linux ] && exts+=(webp)
    for ext in "${exts[@]}"; do
        for o in 1 2 3 4 5 6 7 8; do
            rc=$(frame "o$o.$ext" "$build")
            got=$(quadrants "o$o.$ext.$build.png")
            check "$build: .$ext orientation $o shows upright ($got, exit $rc)" near "$got" "$UPRIGHT" 40
        done
    done
    [ "$build" = linux ] || continue
    for row in "${turnings[@]}"; do
        name=${row%%|*}
        rc=$(frame "$name.avif" "$build")
        got=$(quadrants "$name.avif.$build.png")
        check "$build: AVIF $name shows upright, turned once ($got, exit $rc)" near "$got" "$UPRIGHT" 40
    done
done
finish
