#!/usr/bin/env bash
# Builds a Release tree and runs the benchmarks: the composition of a frame from large pictures,
# ImageMagick's resize side by side, peak memory of one composition, and the saver's idle CPU.
# Everything runs pinned to one core (LUMORA_BENCH_CPU, default 0). Extra arguments go to
# lumora_bench (e.g. --runs 25).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BENCH_BUILD:-$root/build/pictures-bench}
cpu=${LUMORA_BENCH_CPU:-0}
idle_seconds=${LUMORA_IDLE_SECONDS:-20}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_TESTS=OFF >/dev/null
cmake --build "$build" --target lumora_bench lumorascr holiday_file -j2

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "ImageMagick: $(convert -version | head -1)"
echo
taskset -c "$cpu" "$build/bench/lumora_bench" --cache "$root/.cache/bench-pictures" "$@"

# Idle CPU: the saver with an empty picture list on a virtual screen. The program and its
# holiday file are copied to a folder of their own so that no settings file lists pictures.
echo
echo "Idle CPU of the saver (/s, empty picture list, ${idle_seconds} s on a 1920x1080 Xvfb screen)"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$build/lumorascr" "$build/Calender.dat" "$folder/"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    folder=$1 cpu=$2 seconds=$3
    taskset -c "$cpu" "$folder/lumorascr" /s &
    pid=$!
    sleep 3 # past start-up and the first frame
    ticks() { awk "{ print \$14 + \$15 }" "/proc/$pid/stat"; }
    if ! kill -0 "$pid" 2>/dev/null; then echo "the saver did not stay running"; exit 1; fi
    before=$(ticks)
    sleep "$seconds"
    if ! kill -0 "$pid" 2>/dev/null; then echo "the saver ended during the measurement"; exit 1; fi
    after=$(ticks)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    hz=$(getconf CLK_TCK)
    awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
        "BEGIN { printf \"cpu time %.2f s over %d s: %.2f %% of one core\n\", t / hz, s, 100 * t / hz / s }"
' _ "$folder" "$cpu" "$idle_seconds"
