#!/usr/bin/env bash
# The Windows saver under Wine on a 1920x1080 Xvfb screen (LUMORA_WINE_SCREEN, WxHxDEPTH, for
# another size): CPU and peak resident size of the saver's process, CPU of
# the wine server over SECONDS with the pictures given (none: an empty list), and the longest
# loop pass from LUMORA_TRACE_PASSES. Run by scripts/bench.sh --wine, or alone:
#   bench/wine_saver.sh BUILD_DIR SECONDS [PICTURE...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 secs=$2
shift 2
. "$root/scripts/wine-env.sh" >/dev/null 2>&1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$build/LumoraScr.scr" "$build/Calender.dat" "$dir/"
. "$root/bench/picture_list.sh"
write_picture_list "$dir/LumoraScr.ini" --wine "$@"
trace="$dir/passes.txt"
LUMORA_SCREEN=${LUMORA_WINE_SCREEN:-1920x1080x24} "$root/scripts/with-x.sh" bash -c '
    dir=$1 secs=$2 trace=$3
    LUMORA_TRACE_PASSES="Z:$(echo "$trace" | tr / "\\\\")" wine "$dir/LumoraScr.scr" /s &
    for _ in $(seq 100); do pid=$(pgrep -f "$(basename "$dir")[/\\\\]LumoraScr.scr" | head -1); [ -n "$pid" ] && break; sleep 0.1; done
    sleep 5
    # This prefix'"'"'s server, not another user'"'"'s; looked for once the saver runs.
    server=
    for s in $(pgrep wineserver); do
        tr "\0" "\n" </proc/$s/environ 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$s
    done
    # Whole nanoseconds: a sum printed in exponent form cannot be subtracted by the shell.
    cpu() { awk "{s += \$1} END {printf \"%.0f\", s}" /proc/$pid/task/*/schedstat; }
    a=$(cpu); sa=$(awk "{print \$1}" /proc/${server:-none}/schedstat 2>/dev/null)
    sleep "$secs"
    b=$(cpu); sb=$(awk "{print \$1}" /proc/${server:-none}/schedstat 2>/dev/null)
    hwm=$(awk "/VmHWM/ {printf \"%.0f\", \$2 / 1024}" /proc/$pid/status)
    xdotool mousemove 200 200; sleep 0.3; xdotool mousemove 700 700; xdotool key space
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    awk -v t=$((b - a)) -v s=$((${sb:-0} - ${sa:-0})) -v found="$server" -v secs="$secs" \
        -v hwm="$hwm" "BEGIN { printf \"saver %.3f %% of a core, peak %s MiB, \", 100 * t / 1e9 / secs, hwm;
                 if (found == \"\") print \"wine server not found\";
                 else printf \"wine server %.3f %%\n\", 100 * s / 1e9 / secs }"
' _ "$dir" "$secs" "$trace"
if [ -s "$trace" ]; then
    echo "passes $(wc -l <"$trace"); longest $(sort -k2 -g "$trace" | tail -1 | awk '{print $2}') ms"
else
    echo "no pass trace"
fi
wineserver -k 2>/dev/null || true
