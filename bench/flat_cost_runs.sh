#!/usr/bin/env bash
# The saver runs of bench/flat_cost.sh, on the X server in $DISPLAY: for each build, the saver
# (own window) with an empty list and with five photos changing at every mark, SECONDS each.
# CPU of every thread from /proc/PID/task/*/schedstat, the peak resident size (VmHWM) and the
# longest loop pass of that time from LUMORA_TRACE_PASSES. Prints one Markdown row per build.
#   flat_cost_runs.sh LABEL SECONDS CPU BUILD_NAME=BUILD_DIR... -- PHOTO...
set -u
. "$(dirname "$0")/picture_list.sh"
label=$1 secs=$2 cpu=$3
shift 3
builds=()
while [ "$1" != "--" ]; do builds+=("$1"); shift; done
shift
photos=("$@")

# One run: build seconds pictures... -> "cpu% hwm_mib longest_ms"
run() {
    local b=$1 secs=$2 dir pid before after hwm longest
    shift 2
    dir=$(mktemp -d)
    cp "$b/lumorascr" "$b/Calender.dat" "$dir/"
    write_picture_list "$dir/LumoraScr.ini" "$@"
    LUMORA_TRACE_PASSES=$dir/passes taskset -c "$cpu" "$dir/lumorascr" /s 2>/dev/null &
    pid=$!
    # The first frame is up and the start's work is behind.
    sleep 5
    before=$(awk '{s += $1} END {printf "%.0f", s}' /proc/$pid/task/*/schedstat)
    sleep "$secs"
    after=$(awk '{s += $1} END {printf "%.0f", s}' /proc/$pid/task/*/schedstat)
    hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    xdotool mousemove 200 200 2>/dev/null; sleep 0.3; xdotool mousemove 600 600 2>/dev/null
    xdotool key space 2>/dev/null
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    # Passes of the measured time only (from 5 s): the start's first frame is not the show's.
    longest=$(awk '$1 >= 5000' "$dir/passes" 2>/dev/null | sort -k2 -g | tail -1 | awk '{print $2}')
    rm -rf "$dir"
    awk -v t=$((after - before)) -v s="$secs" -v h="$hwm" -v l="${longest:-?}" \
        'BEGIN { printf "%.2f %.0f %s\n", 100 * t / 1e9 / s, h / 1024, l }'
}

for entry in "${builds[@]}"; do
    name=${entry%%=*} b=${entry#*=}
    read -r icpu ihwm ilong < <(run "$b" "$secs")
    read -r pcpu phwm plong < <(run "$b" "$secs" "${photos[@]}")
    echo "| $label | $name | $icpu % | $pcpu % | $phwm MiB (empty list: $ihwm) | $plong ms (empty list: $ilong) |"
done
