#!/usr/bin/env bash
# What `lumorascr --idle` costs while it waits, on headless sway: processor time over SECONDS
# and resident size, for a fresh start and for one that has run a show (with pictures) and
# waits again, beside swayidle waiting the same way in the same session. Seconds stand for
# minutes (LUMORA_IDLE_SECONDS=1), and an idle inhibitor keeps the idle time away while the
# second one is measured. Prints one line per process.
#   idle_wait.sh BUILD SECONDS PICTURES...
set -u
build=$(cd "$1" && pwd) secs=$2
shift 2
. "$(dirname "$0")/../tests/e2e/lib.sh" "$build"
. "$(dirname "$0")/../tests/e2e/sway_lib.sh"
. "$(dirname "$0")/picture_list.sh"
sway_start
dir=$WORK/program; mkdir -p "$dir"
cp "$build/lumorascr" "$E2E_ROOT/data/Calender.dat" "$dir/"
write_picture_list "$dir/LumoraScr.ini" "$@"
run=(env -u DISPLAY QT_QPA_PLATFORM=wayland LUMORA_IDLE_SECONDS=1 "$dir/lumorascr")

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk -v k="${2:-VmRSS}" '$1 == k":" {print $2}' "/proc/$1/status"; }
# Processor time (ms) over $secs of waiting, and the resident size at its end, of each pid.
measure() {
    local label=$1 pid; shift
    declare -A before
    for pid in "$@"; do before[$pid]=$(ticks "$pid"); done
    sleep "$secs"
    for pid in "$@"; do
        awk -v l="$label $(tr '\0' ' ' <"/proc/$pid/cmdline" | cut -c1-30)" -v t=$(($(ticks "$pid") - before[$pid])) \
            -v hz="$(getconf CLK_TCK)" -v r="$(rss_kib "$pid")" -v a="$(rss_kib "$pid" RssAnon)" \
            'BEGIN { printf "%-56s cpu %4.0f ms  rss %5.1f MiB (anonymous %4.1f)\n", l, t * 1000 / hz, r / 1024, a / 1024 }'
    done
}

"${run[@]}" --idle 1440 & fresh=$!
swayidle timeout 1440 'true' 2>/dev/null & peer=$!
sleep 2
measure "fresh:" "$fresh" "$peer"
kill "$fresh"; wait "$fresh" 2>/dev/null

"${run[@]}" --idle 2 & used=$!
wait_until 20 pgrep -P "$used" || { echo "no show came"; exit 1; }
show=$(pgrep -P "$used")
sleep 12 # a picture or two
echo "the show's resident size: $(awk '{printf "%.1f", $1 / 1024}' <<<"$(rss_kib "$show")") MiB"
"$LINUX_BUILD/tests/idle_inhibitor" >/dev/null 2>&1 & inhibitor=$!
sleep 1
kill "$show"; wait_until 10 eval '! kill -0 '"$show"
sleep 1
measure "after a show:" "$used" "$peer"
kill "$used" "$peer" "$inhibitor"
