#!/usr/bin/env bash
# Damaged and hostile pictures through `lumora-tool frame` of both builds (Windows under Wine):
# none crashes; each gives the exit status listed for it, the black frame when it is refused,
# and a peak memory of at most 320 MiB measured inside the process. The time each took and its
# peak are written to the artifacts (hostile_pictures/usage.txt); they are not checked.
. "$(dirname "$0")/lib.sh"
pictures=$WORK/pictures
python3 "$E2E_ROOT/tests/e2e/make_hostile_pictures.py" "$pictures" >"$WORK/expected" ||
    { fail "making the pictures"; finish; exit; }
usage=$ARTIFACTS/usage.txt
: >"$usage"

one_of() { [ "${#1}" = 1 ] && [[ $2 == *"$1"* ]]; }

# $1 build name, $2 picture, $3 exit statuses allowed; then the command that draws the frame to
# $WORK/frame.png with --stats.
frame() {
    local build=$1 name=$2 allowed=$3; shift 3
    rm -f "$WORK/frame.png"
    "$@" </dev/null >/dev/null 2>"$WORK/stderr"
    local got=$?
    check "$build: $name exits with one of $allowed (got $got)" one_of "$got" "$allowed"
    local stats peak
    stats=$(grep -o '[0-9.]* s, peak memory [0-9.]* MiB' "$WORK/stderr")
    printf '%-24s %-8s exit %s  %s\n' "$name" "$build" "$got" "${stats:-no figures}" >>"$usage"
    peak=$(sed -n 's/.*peak memory \([0-9.]*\) MiB/\1/p' <<<"$stats")
    check "$build: $name peaks at ${peak:-?} MiB, within 320" \
        awk -v p="${peak:-x}" 'BEGIN { exit !(p != "x" && p <= 320) }'
    [ "$got" = 1 ] || return 0
    # Refused: the frame is written, black where the picture would be.
    local mean
    mean=$(convert "$WORK/frame.png" -crop 100x100+110+60 -format '%[fx:mean]' info: 2>/dev/null)
    check "$build: $name gives the black frame" awk -v m="${mean:-x}" 'BEGIN { exit !(m != "x" && m < 0.02) }'
}

args=(frame --size 320x240 --at "2026-12-07 09:00" --stats)
while read -r name linux windows; do
    frame linux "$name" "$linux" "$LINUX_BUILD/lumora-tool" "${args[@]}" \
        --picture "$pictures/$name" -o "$WORK/frame.png"
done <"$WORK/expected"

if have_windows_build && [ -f "$WINDOWS_BUILD/lumora-tool.exe" ]; then
    . "$E2E_ROOT/scripts/wine-env.sh"
    winpath() { echo "Z:${1//\//\\}"; }
    # One Wine server for all the runs, rather than one started for each.
    wineserver -p 2>/dev/null
    while read -r name linux windows; do
        frame windows "$name" "$windows" timeout 120 wine "$WINDOWS_BUILD/lumora-tool.exe" \
            "${args[@]}" --picture "$(winpath "$pictures/$name")" -o "$(winpath "$WORK/frame.png")"
    done <"$WORK/expected"
    wineserver -k 2>/dev/null
else
    echo "no Windows tool: the Linux build only"
fi
cat "$usage"
finish
