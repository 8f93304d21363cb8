#!/usr/bin/env bash
# The saver runs of bench/flat_cost.sh, on the X server in $DISPLAY: for each build, the saver
# (own window) with an empty list and with five photos changing at every mark, SECONDS each.
# CPU of every thread from /proc/PID/task/*/schedstat, the peak resident size (VmHWM) and the
# longest loop pass of that time from LUMORA_TRACE_PASSES. Prints one Markdown row per build.
#   flat_cost_runs.sh LABEL SECONDS CPU BUILD_NAME=BUILD_DIR... -- PHOTO...
set -u
. "$(dirname "$0")/picture_list.sh"
. "$(dirname "$0")/saver_lib.sh"
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
    before=$(thread_cpu_ns $pid)
    sleep "$secs"
    after=$(thread_cpu_ns $pid)
    hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    end_show $pid
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
