#!/usr/bin/env bash
# The saver's resident size over a long run: `lumorascr /s` of BUILD with PICTURES cycling on
# the current X display, its list in a settings file beside a copy of the program. Samples
# VmRSS every STEP seconds and prints "<seconds> <VmRSS MiB> <VmHWM MiB>" per sample, then a
# summary line: the peak, the lowest and highest resident size after the first list round, and
# the CPU share of the run (every thread, from /proc/PID/task/*/schedstat).
#   rss_run.sh BUILD SECONDS STEP CPU PICTURES...
set -u
build=$1 secs=$2 step=$3 cpu=$4
shift 4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$build/lumorascr" "$build/Calender.dat" "$dir/"
. "$(dirname "$0")/picture_list.sh"
write_picture_list "$dir/LumoraScr.ini" "$@"
taskset -c "$cpu" "$dir/lumorascr" /s 2>/dev/null &
pid=$!
cpu_sum() { cat /proc/$pid/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
kib() { awk -v k="$1" '$1 == k":" {print $2}' /proc/$pid/status; }
sleep 1
before=$(cpu_sum)
# One round of the list shows every picture once: 10 s a picture.
settle=$((10 * $# + 10))
low=-1 high=0
for ((t = step; t <= secs; t += step)); do
    sleep "$step"
    kill -0 $pid 2>/dev/null || { echo "the saver ended early"; exit 1; }
    rss=$(kib VmRSS) hwm=$(kib VmHWM)
    awk -v t=$t -v r="$rss" -v h="$hwm" 'BEGIN { printf "%d %.1f %.1f\n", t, r / 1024, h / 1024 }'
    if [ "$t" -ge "$settle" ]; then
        [ "$low" -lt 0 ] || [ "$rss" -lt "$low" ] && low=$rss
        [ "$rss" -gt "$high" ] && high=$rss
    fi
done
after=$(cpu_sum)
hwm=$(kib VmHWM)
xdotool mousemove 200 200 2>/dev/null; sleep 0.3; xdotool mousemove 600 600 2>/dev/null
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill $pid 2>/dev/null
wait $pid 2>/dev/null
awk -v h="$hwm" -v lo="$low" -v hi="$high" -v c=$((after - before)) -v s="$secs" 'BEGIN {
    printf "peak %.1f MiB; resident after the first round %.1f to %.1f MiB; CPU %.3f %%\n",
        h / 1024, lo / 1024, hi / 1024, 100 * c / 1e9 / s }'
