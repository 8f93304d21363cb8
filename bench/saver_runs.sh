#!/usr/bin/env bash
# The saver runs of scripts/bench.sh, inside its Xvfb server: each build's saver, own window,
# with the pictures listed in a settings file beside a copy of the program; ended with a
# pointer move and a key, as a person would end it. Prints a Markdown table.
#   saver_runs.sh TRACE_DIR IDLE_S CYCLE_S LARGE_S FIRST_TILE_PROBE CPU BUILD... -- FIVE... LARGE...
set -u
. "$(dirname "$0")/picture_list.sh"
. "$(dirname "$0")/saver_lib.sh"
trace_dir=$1 secs_idle=$2 secs_cycle=$3 secs_large=$4 first_tile=$5 cpu=$6
shift 6
builds=()
while [ "$1" != "--" ]; do builds+=("$1"); shift; done
shift
five=("${@:1:5}")
large=("${@:6}")

install_copy() { # build pictures... -> folder with the program and its list
    local b=$1 dir
    shift
    dir=$(mktemp -d)
    cp "$b/lumorascr" "$b/Calender.dat" "$dir/"
    write_picture_list "$dir/LumoraScr.ini" "$@"
    echo "$dir"
}

saver_run() { # build seconds trace pictures... -> "cpu% hwm_mib"
    local b=$1 secs=$2 trace=$3 dir pid before after hwm
    shift 3
    dir=$(install_copy "$b" "$@")
    LUMORA_TRACE_PASSES=$trace taskset -c "$cpu" "$dir/lumorascr" /s 2>/dev/null &
    pid=$!
    sleep 3
    # Every thread of the process: the picture worker too.
    before=$(thread_cpu_ns $pid)
    sleep "$secs"
    after=$(thread_cpu_ns $pid)
    hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    end_show $pid
    rm -rf "$dir"
    awk -v t=$((after - before)) -v s="$secs" -v h="$hwm" \
        'BEGIN { printf "%.3f %.1f\n", 100 * t / 1e9 / s, h / 1024 }'
}

row() {
    printf '| %s |' "$1"
    shift
    for v in "$@"; do printf ' %s |' "$v"; done
    echo
}

idle=() cycle=() cyclehwm=() big=() bighwm=() tile=() aftershown=()
for b in "${builds[@]}"; do
    if [ "$secs_idle" -gt 0 ]; then
        r=$(saver_run "$b" "$secs_idle" /dev/null)
        idle+=("${r% *} %")
    fi
    if [ "$secs_cycle" -gt 0 ]; then
        r=$(saver_run "$b" "$secs_cycle" /dev/null "${five[@]}")
        cycle+=("${r% *} %") cyclehwm+=("${r#* } MiB")
    fi
    trace=$trace_dir/$(basename "$(dirname "$b")")-$(basename "$b").trace
    r=$(saver_run "$b" "$secs_large" "$trace" "${large[@]}")
    big+=("${r% *} %") bighwm+=("${r#* } MiB")
    # The first picture shown is the list's second entry: the 24 MP one. The median of 5
    # starts, and for that start the part after the window first showed its navy background.
    dir=$(install_copy "$b" "${large[1]}" "${large[0]}")
    # Above the priority of other work on the machine (builds), so that the figure is the
    # program's own.
    t=$(for _ in 1 2 3 4 5; do nice -n -10 taskset -c "$cpu" "$first_tile" "$dir/lumorascr" /s 2>/dev/null; done |
        awk '{ print $2, $2 - $1 }' | sort -n | sed -n 3p)
    rm -rf "$dir"
    tile+=("${t% *} ms (median)") aftershown+=("${t#* } ms (of that start)")
done
row "CPU, empty list (${secs_idle} s)" "${idle[@]}"
row "CPU, five 4.5-16 MP photos cycling (${secs_cycle} s)" "${cycle[@]}"
row "peak RSS, five photos cycling" "${cyclehwm[@]}"
row "CPU, 24 MP and 16 MP baseline changing every mark (${secs_large} s)" "${big[@]}"
row "peak RSS, 24 MP and 16 MP baseline" "${bighwm[@]}"
row "start to first tile, 24 MP first picture (median of 5)" "${tile[@]}"
row "of which after the window showed" "${aftershown[@]}"
