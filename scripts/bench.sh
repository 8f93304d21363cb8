#!/usr/bin/env bash
# Benchmarks on real photographs, each figure side by side with its peer in the same run:
# the composition of a 1920x1080 frame against djpeg (the decode floor), vipsthumbnail,
# ImageMagick and the earlier decoding; then the saver itself on a 1920x1080 Xvfb screen, this
# tree's build against the build of BASE (default: the merge base with main): idle CPU with an
# empty list, CPU with five photos cycling, start to first tile, peak RSS, and (this build) the
# longest loop pass from LUMORA_TRACE_PASSES. Everything runs pinned to one core
# (LUMORA_BENCH_CPU, default 0).
#
#   scripts/bench.sh [--runs N] [--base REV] [--quick]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${LUMORA_BENCH_BUILD:-$root/build/pictures-bench}
cpu=${LUMORA_BENCH_CPU:-0}
runs=9
base=$(git merge-base HEAD main 2>/dev/null || echo "")
seconds_idle=60
seconds_cycle=60
seconds_large=120
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift ;;
        --base) base=$2; shift ;;
        --quick) seconds_idle=20; seconds_cycle=30; seconds_large=40 ;;
    esac
    shift
done

# What the benchmarks need and the tests do not: the peers and the photographs.
need=()
command -v djpeg >/dev/null || need+=(libjpeg-turbo-progs)
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
command -v convert >/dev/null || need+=(imagemagick)
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
[ -e /usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg ] || need+=(lomiri-wallpapers-20.04)
[ -e /usr/share/backgrounds/Bridge_by_Sander_Klootwijk.jpg ] || need+=(lomiri-wallpapers-16.04)
if [ ${#need[@]} -gt 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

# The photographs: progressive ones as shipped, baseline 4:2:0 re-encodes, and a 24 MP
# enlargement of one of them (for the decode cost only).
photos=$root/.cache/bench-photos
mkdir -p "$photos"
bg=/usr/share/backgrounds
progressive=(Picture_0B_by_freespace picosdeeuropa_by_Aitzol_Berasategi sunset_by_Aitzol_Berasategi
             Dragonfly_by_Bolly seeding_by_Clements_Engelhardt)
for p in "${progressive[@]}"; do
    [ -e "$photos/$p.jpg" ] || cp "$bg/$p.jpg" "$photos/$p.jpg"
done
[ -e "$photos/Kleiber_by_Lukas_Baubkus.jpg" ] || cp "$bg/Kleiber_by_Lukas_Baubkus.jpg" "$photos/"
for p in aitzgorri_by_Aitzol_Berasategi picosdeeuropa_by_Aitzol_Berasategi \
         sunset_by_Aitzol_Berasategi seeding_by_Clements_Engelhardt; do
    out="$photos/${p}-baseline.jpg"
    [ -e "$out" ] || djpeg "$bg/$p.jpg" | cjpeg -quality 90 -sample 2x2 -outfile "$out"
done
if [ ! -e "$photos/24mp-baseline.jpg" ]; then
    convert "$bg/seeding_by_Clements_Engelhardt.jpg" -resize 6532x3674! ppm:- |
        cjpeg -quality 90 -sample 2x2 -outfile "$photos/24mp-baseline.jpg"
fi
pictures=("$photos"/*.jpg)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_TESTS=OFF >/dev/null
cmake --build "$build" --target lumora_bench lumora_first_tile lumorascr holiday_file -j2 >/dev/null

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "djpeg: $(dpkg-query -W -f '${Version}' libjpeg-turbo-progs); vips: $(vips --version); $(convert -version | head -1)"
echo
taskset -c "$cpu" "$build/bench/lumora_bench" --runs "$runs" "${pictures[@]}"

# The earlier build, from BASE's tree, for the saver figures side by side.
builds=("$build")
names=(LumoraScr)
if [ -n "$base" ]; then
    basedir=$root/.cache/bench-base
    if [ "$(cat "$basedir/rev" 2>/dev/null)" != "$base" ]; then
        rm -rf "$basedir/src" && mkdir -p "$basedir/src"
        git archive "$base" | tar -x -C "$basedir/src"
        echo "$base" >"$basedir/rev"
    fi
    cmake -S "$basedir/src" -B "$basedir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DLUMORA_TESTS=OFF >/dev/null
    cmake --build "$basedir/build" --target lumorascr holiday_file -j2 >/dev/null
    builds+=("$basedir/build")
    names+=("before (${base:0:7})")
fi

# The saver, own window, on one Xvfb screen; pictures come from a settings file beside a copy
# of the program. Ends with a key press, as a person would end it.
saver_run() { # build seconds trace pictures... -> "cpu% hwm_mib"
    local b=$1 secs=$2 trace=$3
    shift 3
    local dir
    dir=$(mktemp -d)
    cp "$b/lumorascr" "$b/Calender.dat" "$dir/"
    {
        printf '[Image]\r\nCount=%d\r\n' $#
        local i=1
        for p in "$@"; do
            printf '%d=True\t%s\t%s\t%s\t%s\r\n' $i "$(basename "$p")" "$(dirname "$p")" \
                "$(basename "$p")" "$(dirname "$p")"
            i=$((i + 1))
        done
    } >"$dir/LumoraScr.ini"
    LUMORA_TRACE_PASSES=$trace taskset -c "$cpu" "$dir/lumorascr" /s &
    local pid=$!
    sleep 3
    local before after
    before=$(awk '{print $1}' /proc/$pid/schedstat)
    sleep "$secs"
    after=$(awk '{print $1}' /proc/$pid/schedstat)
    local hwm
    hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
    xdotool mousemove 200 200 2>/dev/null; sleep 0.3; xdotool mousemove 600 600 2>/dev/null; xdotool key space 2>/dev/null || true
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    rm -rf "$dir"
    awk -v t=$((after - before)) -v s="$secs" -v h="$hwm" \
        'BEGIN { printf "%.3f %.1f\n", 100 * t / 1e9 / s, h / 1024 }'
}
export -f saver_run
export cpu

five=("$photos/Picture_0B_by_freespace.jpg" "$photos/picosdeeuropa_by_Aitzol_Berasategi.jpg"
      "$photos/sunset_by_Aitzol_Berasategi.jpg" "$photos/Dragonfly_by_Bolly.jpg"
      "$photos/seeding_by_Clements_Engelhardt.jpg")
large=("$photos/24mp-baseline.jpg" "$photos/seeding_by_Clements_Engelhardt-baseline.jpg")
trace_dir=$(mktemp -d)
trap 'rm -rf "$trace_dir"' EXIT

echo
echo "The saver on a 1920x1080 Xvfb screen, one core; CPU from /proc/PID/schedstat"
echo
echo "| figure | ${names[*]/%/ |}"
echo "|---|$(printf -- '---:|%.0s' "${names[@]}")"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    set -u
    trace_dir=$1; secs_idle=$2; secs_cycle=$3; secs_large=$4; first_tile=$5; shift 5
    n=$(( $# ))
    # builds come first, then a "--" and the five and the large pictures
    builds=(); while [ "$1" != "--" ]; do builds+=("$1"); shift; done; shift
    five=("${@:1:5}"); large=("${@:6}")
    row() { printf "| %s |" "$1"; shift; for v in "$@"; do printf " %s |" "$v"; done; echo; }
    idle=(); cycle=(); cyclehwm=(); big=(); bighwm=(); tile=()
    for b in "${builds[@]}"; do
        r=$(saver_run "$b" "$secs_idle" /dev/null); idle+=("${r% *} %")
        r=$(saver_run "$b" "$secs_cycle" /dev/null "${five[@]}"); cycle+=("${r% *} %"); cyclehwm+=("${r#* } MiB")
        trace=$trace_dir/$(basename "$(dirname "$b")")-$(basename "$b").trace
        r=$(saver_run "$b" "$secs_large" "$trace" "${large[@]}"); big+=("${r% *} %"); bighwm+=("${r#* } MiB")
        dir=$(mktemp -d); cp "$b/lumorascr" "$b/Calender.dat" "$dir/"
        printf "[Image]\r\nCount=2\r\n1=True\ta\t%s\t%s\t%s\r\n2=True\tb\t%s\t%s\t%s\r\n" \
            "$(dirname "${large[1]}")" "$(basename "${large[1]}")" "$(dirname "${large[1]}")" \
            "$(dirname "${large[0]}")" "$(basename "${large[0]}")" "$(dirname "${large[0]}")" \
            >"$dir/LumoraScr.ini"
        t=$(taskset -c "$cpu" "$first_tile" "$dir/lumorascr" /s | awk "{print \$2}")
        rm -rf "$dir"; tile+=("$t ms")
    done
    row "CPU, empty list (${secs_idle} s)" "${idle[@]}"
    row "CPU, five 4.5-16 MP photos cycling (${secs_cycle} s)" "${cycle[@]}"
    row "peak RSS, five photos cycling" "${cyclehwm[@]}"
    row "CPU, 24 MP and 16 MP baseline changing every mark (${secs_large} s)" "${big[@]}"
    row "peak RSS, 24 MP and 16 MP baseline" "${bighwm[@]}"
    row "start to first tile, 24 MP first picture" "${tile[@]}"
' _ "$trace_dir" "$seconds_idle" "$seconds_cycle" "$seconds_large" "$build/bench/lumora_first_tile" \
    "${builds[@]}" -- "${five[@]}" "${large[@]}"

echo
for t in "$trace_dir"/*.trace; do
    [ -s "$t" ] || continue
    echo "Loop passes ($(basename "$t" .trace)): $(wc -l <"$t") passes; longest $(sort -k2 -g "$t" | tail -1 | awk '{print $2}') ms; 99.9th percentile $(sort -k2 -g "$t" | awk '{a[NR]=$2} END {print a[int(NR*0.999)]}') ms"
done
