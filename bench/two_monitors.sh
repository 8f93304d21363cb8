#!/usr/bin/env bash
# The loop passes of the saver with two monitors and, as the peer in the same run on the same
# X server, with the second output switched off: the two-monitor server of the end-to-end
# checks (tests/e2e/monitor_lib.sh; needs root). Each build's saver shows the given pictures
# for SECONDS in each arrangement; LUMORA_TRACE_PASSES gives the work of every pass. Prints a
# Markdown table.
#   bench/two_monitors.sh LINUX_BUILD WINDOWS_BUILD|"" SECONDS PICTURE...
root=$(cd "$(dirname "$0")/.." && pwd)
export DISPLAY=${DISPLAY:-none} # lib.sh asks for one; the run makes its own
. "$root/tests/e2e/lib.sh" "$1" "$2"
. "$root/tests/e2e/monitor_lib.sh"
secs=$3
shift 3
pictures=("$@")

# One run: $1 build (linux|windows), $2 trace file. Pointer parked on the primary monitor.
run_traced() {
    local build=$1 trace=$2 pid
    rm -f "$trace"
    xdotool mousemove 600 300
    if [ "$build" = linux ]; then
        LUMORA_TRACE_PASSES=$trace "$WORK/linux/lumorascr" /s >/dev/null 2>&1 &
        pid=$!
    else
        ( . "$root/scripts/wine-env.sh"
          LUMORA_TRACE_PASSES="Z:${trace//\//\\}" exec wine "$WORK/windows/LumoraScr.scr" /s ) \
            >/dev/null 2>&1 &
        pid=$!
    fi
    sleep "$secs"
    xdotool key space
    ends_within "$pid" 30 || kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    # The trace is written when the show ends; Wine's process may outlive the shell's one.
    wait_until 30 test -s "$trace"
}

# "passes | longest | 99.9th percentile | median" of a trace (milliseconds of work per pass).
summary() {
    sort -k2 -g "$1" | awk '{ a[NR] = $2 }
        END { if (NR == 0) { print "no trace | | |"; exit }
              k = int(NR * 0.999); if (k < 1) k = 1
              printf "%d | %.1f | %.1f | %.2f\n", NR, a[NR], a[k], a[int((NR + 1) / 2)] }'
}

monitors_start
make_linux_folder "$WORK/linux" "${pictures[@]}"
builds=(linux)
if have_windows_build; then
    make_windows_folder "$WORK/windows" "${pictures[@]}"
    ( . "$root/scripts/wine-env.sh"; timeout 30 wineserver -k ) >/dev/null 2>&1
    builds+=(windows)
fi

echo "| build | monitors | passes | longest pass (ms) | 99.9th percentile (ms) | median (ms) |"
echo "|---|---|---:|---:|---:|---:|"
for b in "${builds[@]}"; do
    run_traced "$b" "$WORK/$b-two.trace"
    two=$(summary "$WORK/$b-two.trace")
    second_output off
    run_traced "$b" "$WORK/$b-one.trace"
    one=$(summary "$WORK/$b-one.trace")
    second_output on
    echo "| $b | 1280x720 + 1024x768 | $two |"
    echo "| $b | 1280x720 alone (peer) | $one |"
done
[ -n "$WINDOWS_BUILD" ] && ( . "$root/scripts/wine-env.sh"; timeout 30 wineserver -k ) >/dev/null 2>&1
exit 0
