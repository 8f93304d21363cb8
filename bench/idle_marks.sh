#!/usr/bin/env bash
# The idle saver's CPU between reveals, two builds side by side in one run: each build's
# lumorascr with an empty list runs ROUNDS times for SECONDS, the builds taking turns, pinned to
# one core, on a 1920x1080 Xvfb screen. Prints one Markdown row per build: CPU in % of a core
# (median and range over the rounds) and the wake-ups a second (context switches of every
# thread).
#   bench/idle_marks.sh SECONDS ROUNDS NAME=BUILD_DIR NAME=BUILD_DIR
set -euo pipefail
secs=$1 rounds=$2
shift 2
if [ -z "${LUMORA_IDLE_SCREEN:-}" ]; then
    LUMORA_IDLE_SCREEN=1 exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
        bash "$0" "$secs" "$rounds" "$@"
fi
cpu=${LUMORA_BENCH_CPU:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/xdg

sum_threads() { # pid field-command -> the sum over the process's threads
    cat /proc/"$1"/task/*/"$2" 2>/dev/null | awk "$3"
}
one_run() { # build dir -> "cpu% wakeups/s"
    local dir=$work/run pid t0 t1 w0 w1
    rm -rf "$dir"; mkdir -p "$dir"
    cp "$1/lumorascr" "$(dirname "$0")/../data/Calender.dat" "$dir/"
    printf '[Image]\r\nCount=0\r\n' >"$dir/LumoraScr.ini"
    taskset -c "$cpu" "$dir/lumorascr" /s >/dev/null 2>&1 &
    pid=$!
    sleep 3
    kill -0 $pid || { echo "the saver did not start" >&2; exit 1; }
    t0=$(sum_threads $pid schedstat '{s += $1} END {printf "%.0f", s}')
    w0=$(sum_threads $pid status '/ctxt_switches/ {s += $2} END {print s}')
    sleep "$secs"
    t1=$(sum_threads $pid schedstat '{s += $1} END {printf "%.0f", s}')
    w1=$(sum_threads $pid status '/ctxt_switches/ {s += $2} END {print s}')
    kill $pid; wait $pid 2>/dev/null || true
    # The next saver would find this one's window if the server had not yet removed it.
    for _ in $(seq 50); do
        [ -z "$(xdotool search --name '^LumoraScreenSaver$' 2>/dev/null)" ] && break
        sleep 0.1
    done
    awk -v t=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$secs" \
        'BEGIN { printf "%.4f %.1f\n", 100 * t / 1e9 / s, w / s }'
}

declare -A results
for r in $(seq "$rounds"); do
    for nb in "$@"; do results[${nb%%=*}]+="$(one_run "${nb#*=}")"$'\n'; done
done
for nb in "$@"; do
    name=${nb%%=*}
    printf '%s' "${results[$name]}" | sort -g | awk -v n="$name" '
        { c[NR] = $1; w[NR] = $2 }
        END { printf "| %s | %.4f %% (%.4f to %.4f) | %.1f |\n", n, c[int((NR + 1) / 2)], c[1], c[NR], w[int((NR + 1) / 2)] }'
done
