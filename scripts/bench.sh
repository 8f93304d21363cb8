#!/usr/bin/env bash
# Benchmarks on real photographs, each figure side by side with its peer in the same run:
# the composition of a 1920x1080 frame against the same libjpeg decode in the same process
# (the decode floor), djpeg, vipsthumbnail,
# ImageMagick and the earlier decoding; then the saver itself on a 1920x1080 Xvfb screen, this
# tree's build against the build of BASE (default: the merge base with main): idle CPU with an
# empty list, CPU with five photos cycling, start to first tile, peak RSS, and (this build) the
# longest loop pass from LUMORA_TRACE_PASSES. Everything runs pinned to one core
# (LUMORA_BENCH_CPU, default 0).
#
# With --wine, also the Windows build (build/windows) under Wine: CPU with an empty list and
# with the large pictures, and its longest pass.
#
#   scripts/bench.sh [--runs N] [--base REV] [--quick] [--wine]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/saver_lib.sh"
cd "$root"
build=${LUMORA_BENCH_BUILD:-$root/build/pictures-bench}
cpu=${LUMORA_BENCH_CPU:-0}
runs=9
base=$(git merge-base HEAD main 2>/dev/null || echo "")
seconds_idle=60
seconds_cycle=60
seconds_large=120
wine=0
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift ;;
        --base) base=$2; shift ;;
        --quick) seconds_idle=20; seconds_cycle=30; seconds_large=40 ;;
        --wine) wine=1 ;;
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
[ "$wine" = 1 ] && ! command -v wine >/dev/null && need+=(wine wine64)
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
    base_tree "$root" "$base"
    release_build "$basedir/src" "$basedir/build" lumorascr
    builds+=("$basedir/build")
    names+=("before (${base:0:7})")
fi

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
xvfb-run -a -s "-screen 0 1920x1080x24" bash "$root/bench/saver_runs.sh" "$trace_dir" \
    "$seconds_idle" "$seconds_cycle" "$seconds_large" "$build/bench/lumora_first_tile" "$cpu" \
    "${builds[@]}" -- "${five[@]}" "${large[@]}"

echo
for t in "$trace_dir"/*.trace; do
    [ -s "$t" ] || continue
    echo "Loop passes ($(basename "$t" .trace)): $(wc -l <"$t") passes; longest $(sort -k2 -g "$t" | tail -1 | awk '{print $2}') ms; 99.9th percentile $(sort -k2 -g "$t" | awk '{a[NR]=$2} END {print a[int(NR*0.999)]}') ms"
done

if [ "$wine" = 1 ]; then
    echo
    echo "Windows build under Wine (1920x1080 Xvfb, openbox):"
    echo "- empty list, ${seconds_idle} s: $("$root/bench/wine_saver.sh" "$root/build/windows" "$seconds_idle" | tr '\n' ';')"
    echo "- 24 MP and 16 MP baseline, ${seconds_large} s: $("$root/bench/wine_saver.sh" "$root/build/windows" "$seconds_large" "${large[@]}" | tr '\n' ';')"
fi
