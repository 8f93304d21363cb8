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
    *.webp) cwebp -quiet -lossless "${@:3}" "$1" -o "$2" ;;
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
        timeout 120 wine "$WINDOWS_BUILD/lumora-tool.exe" frame --size 320x240 \
            --at "2026-12-07 09:00" --picture "Z:${WORK//\//\\}\\$1" \
            -o "Z:${WORK//\//\\}\\$out" >/dev/null 2>&1
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
if have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ]; then
    builds+=(windows)
    # One Wine server for all the runs.
    . "$E2E_ROOT/scripts/wine-env.sh"
    wineserver -p 2>/dev/null
fi

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

# True colours: a chart of four colours with a profile assigned (never converted), each
# expected as Little CMS converts it to sRGB with the program's intent (perceptual). Rows:
# file | its profile | how it is made from the chart (PNG carrying the profile, or not).
CHART="200,50,50 60,180,70 40,60,200 230,220,90"
quad "rgb(200,50,50)" "rgb(60,180,70)" "rgb(40,60,200)" "rgb(230,220,90)" chart.png
quad "gray(40)" "gray(100)" "gray(160)" "gray(220)" grey.png
# The chart's colours as profile $1 gives them in sRGB; $2 the chart's colours.
expected() {
    local c out=""
    for c in $2; do
        [ "$(head -c 20 "$1" | tail -c 4)" = GRAY ] && c=${c%%,*}
        out+=$(echo "${c//,/ }" | transicc -i "$1" -o '*sRGB' -t0 -n -s 2>/dev/null | tail -n 1 |
            awk '{ printf "%d,%d,%d ", $1 + 0.5, $2 + 0.5, $3 + 0.5 }')
    done
    echo "${out% }"
}
colours=(
    "p3.jpg|$P3" "adobe.jpg|$ADOBE" "prophoto.jpg|$PROPHOTO" "srgb.jpg|$SRGB" "grey.jpg|$GREY"
    "p3.png|$P3" "p3.tif|$P3" "p3.webp|$P3" "p3.heic|$P3" "p3.avif|$P3" "nclx-p3.avif|$P3"
    "plain.png|"
)
for row in "${colours[@]}"; do
    IFS='|' read -r file profile <<<"$row"
    case $file in
    nclx-p3.avif) encode chart.png "$file" --cicp 12/13/0 ;;
    plain.png) cp chart.png "$file" ;;
    *.avif) encode chart.png "$file" --icc "$profile" ;;
    *.webp) convert chart.png -profile "$profile" "PNG24:tagged.png"
        encode tagged.png "$file" -metadata icc ;;
    *.heic) convert chart.png -profile "$profile" "PNG24:tagged.png"; encode tagged.png "$file" ;;
    grey.jpg) convert grey.png -colorspace Gray -profile "$profile" -quality 100 "$file" ;;
    *) convert chart.png -profile "$profile" -quality 100 -sampling-factor 1x1 -depth 8 "$file" ;;
    esac
done

for build in "${builds[@]}"; do
    exts=(jpg png tif)
    [ "$build" = linux ] && exts+=(webp)
    for ext in "${exts[@]}"; do
        # Under Wine, beyond JPEG, a mirroring, a quarter turn and both (each run takes a second).
        turns="1 2 3 4 5 6 7 8"
        [ "$build:$ext" = windows:jpg ] || [ "$build" = linux ] || turns="2 6 7"
        for o in $turns; do
            rc=$(frame "o$o.$ext" "$build")
            got=$(quadrants "o$o.$ext.$build.png")
            check "$build: .$ext orientation $o shows upright ($got, exit $rc)" near "$got" "$UPRIGHT" 40
        done
    done
    for row in "${colours[@]}"; do
        IFS='|' read -r file profile <<<"$row"
        case $build:$file in windows:*.webp|windows:*.heic|windows:*.avif) continue ;; esac
        chart=$CHART
        [ "${file%%.*}" = grey ] && chart="40,40,40 100,100,100 160,160,160 220,220,220"
        want=$chart
        [ -n "$profile" ] && want=$(expected "$profile" "$chart")
        rc=$(frame "$file" "$build")
        got=$(quadrants "$file.$build.png")
        check "$build: $file in sRGB ($got, want $want, exit $rc)" near "$got" "$want landscape" 8
    done
    [ "$build" = linux ] || continue
    for row in "${turnings[@]}"; do
        name=${row%%|*}
        rc=$(frame "$name.avif" "$build")
        got=$(quadrants "$name.avif.$build.png")
        check "$build: AVIF $name shows upright, turned once ($got, exit $rc)" near "$got" "$UPRIGHT" 40
    done
done
# A Display P3 photo drawn as if it were sRGB (its profile removed) and as it is, to compare by
# eye in the artifacts.
convert -size 480x320 -seed 7 plasma:fractal -blur 0x2 -modulate 100,160 -depth 8 photo.png
convert photo.png -profile "$P3" -quality 92 p3-photo.jpg
convert photo.png -quality 92 -strip p3-photo-as-srgb.jpg
for build in "${builds[@]}"; do
    for f in p3-photo-as-srgb.jpg p3-photo.jpg; do
        frame "$f" "$build" >/dev/null
        cp "$f.$build.png" "$ARTIFACTS/${f%.jpg}.$build.png"
    done
done
[ "${#builds[@]}" -gt 1 ] && wineserver -k 2>/dev/null
finish
