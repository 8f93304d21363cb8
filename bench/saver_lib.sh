# Sourced by the benchmark scripts: the earlier revision's tree, Release builds, and measuring
# and ending a running saver.

# Unpacks REV's tree once into ROOT/.cache/bench-base/src (kept while REV stays the same).
base_tree() {
    local root=$1 rev=$2 dir=$1/.cache/bench-base
    if [ "$(cat "$dir/rev" 2>/dev/null)" != "$rev" ]; then
        rm -rf "$dir/src" && mkdir -p "$dir/src"
        git -C "$root" archive "$rev" | tar -x -C "$dir/src"
        echo "$rev" >"$dir/rev"
    fi
}

# A Release build of SOURCE in BUILD without the tests: release_build SOURCE BUILD TARGET [cmake args]
release_build() {
    local src=$1 out=$2 target=$3
    shift 3
    cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_TESTS=OFF "$@" >/dev/null
    cmake --build "$out" --target "$target" holiday_file -j2 >/dev/null
}

# Nanoseconds of CPU of every thread of PID (the picture worker too).
thread_cpu_ns() { awk '{s += $1} END {printf "%.0f", s}' /proc/"$1"/task/*/schedstat; }

# Ends the show of PID as a person would (the pointer moved, a key), else kills it.
end_show() {
    local pid=$1
    xdotool mousemove 200 200 2>/dev/null; sleep 0.3; xdotool mousemove 600 600 2>/dev/null
    xdotool key space 2>/dev/null
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
