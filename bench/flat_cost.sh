#!/usr/bin/env bash
# What the show costs as screens grow: this tree's saver against BASE's (default: the merge base
# with main) in one run, on 1920x1080, 3840x2160 at 192 dpi (Xft.dpi) and 7680x4320 Xvfb
# screens and on 1920x1080 + 3840x2160 (Xorg's dummy driver, two outputs; needs root), each with
# an empty list and with five photos changing at every mark. CPU from /proc/PID/task/*/schedstat,
# peak resident size from VmHWM, the longest loop pass from LUMORA_TRACE_PASSES. With --wine,
# also the Windows build (build/windows) under Wine on the 1920x1080 and 3840x2160 screens.
# Everything runs pinned to one core (LUMORA_BENCH_CPU, default 0).
#
#   bench/flat_cost.sh [--seconds N] [--base REV] [--wine]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${LUMORA_BENCH_BUILD:-$root/build/flat-cost}
cpu=${LUMORA_BENCH_CPU:-0}
secs=40
base=$(git merge-base HEAD main 2>/dev/null || echo "")
wine=0
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) secs=$2; shift ;;
        --base) base=$2; shift ;;
        --wine) wine=1 ;;
    esac
    shift
done

need=()
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v xdotool >/dev/null || need+=(xdotool)
command -v xrdb >/dev/null || need+=(x11-xserver-utils)
[ -e /usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg ] || need+=(lomiri-wallpapers-20.04)
[ -e /usr/share/backgrounds/Picture_0B_by_freespace.jpg ] || need+=(lomiri-wallpapers-16.04)
if [ ${#need[@]} -gt 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
bg=/usr/share/backgrounds
five=("$bg/Picture_0B_by_freespace.jpg" "$bg/picosdeeuropa_by_Aitzol_Berasategi.jpg"
      "$bg/sunset_by_Aitzol_Berasategi.jpg" "$bg/Dragonfly_by_Bolly.jpg"
      "$bg/seeding_by_Clements_Engelhardt.jpg")

. "$root/bench/saver_lib.sh"
release_build "$root" "$build" lumorascr
builds=("this tree=$build")
basedir=$root/.cache/bench-base
if [ -n "$base" ]; then
    base_tree "$root" "$base"
    release_build "$basedir/src" "$basedir/build" lumorascr
    builds+=("before (${base:0:7})=$basedir/build")
fi

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC'); ${secs} s a run, one core"
echo
echo "| screen | build | CPU, empty list | CPU, five photos | peak resident | longest pass after 5 s |"
echo "|---|---|---:|---:|---:|---:|"
runs=$root/bench/flat_cost_runs.sh
for screen in "1920x1080 96" "3840x2160 192" "7680x4320 96"; do
    set -- $screen
    xvfb-run -a -s "-screen 0 ${1}x24 -nolisten tcp" bash -c \
        '[ "$2" = 96 ] || echo "Xft.dpi: $2" | xrdb -merge; openbox >/dev/null 2>&1 & wm=$!; sleep 1
         shift 2; "$@"; kill $wm' _ "$1" "$2" bash "$runs" "$1$([ "$2" = 96 ] || echo " ($2 dpi)")" \
        "$secs" "$cpu" "${builds[@]}" -- "${five[@]}"
done

# Two monitors side by side on Xorg's dummy driver.
if [ "$(id -u)" = 0 ] && command -v Xorg >/dev/null &&
    [ -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    work=$(mktemp -d)
    cat >"$work/xorg.conf" <<'EOF'
Section "Device"
  Identifier "d"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "m"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
  Modeline "3840x2160" 176.00 3840 3880 3920 4000 2160 2163 2168 2200 +hsync +vsync
EndSection
Section "Screen"
  Identifier "s"
  Device "d"
  Monitor "m"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 5760 2160
  EndSubSection
EndSection
EOF
    for n in $(seq 60 99); do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || break
    done
    Xorg :$n -config "$work/xorg.conf" -noreset -nolisten tcp -logfile "$work/xorg.log" \
        >/dev/null 2>&1 &
    xorg=$!
    for _ in $(seq 300); do DISPLAY=:$n xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    (
        export DISPLAY=:$n
        xrandr --addmode DUMMY1 3840x2160
        xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 --primary \
            --output DUMMY1 --mode 3840x2160 --pos 1920x0
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
        bash "$runs" "1920x1080 + 3840x2160" "$secs" "$cpu" "${builds[@]}" -- "${five[@]}"
        kill $wm
    ) || echo "| 1920x1080 + 3840x2160 | the two-monitor server did not start | | | | |"
    kill $xorg 2>/dev/null
    wait $xorg 2>/dev/null || true
    rm -rf "$work"
else
    echo "| 1920x1080 + 3840x2160 | skipped: needs root, Xorg and its dummy driver | | | | |"
fi

if [ "$wine" = 1 ]; then
    wbuilds=("this tree=$root/build/windows")
    if [ -n "$base" ]; then
        release_build "$basedir/src" "$basedir/build-windows" LumoraScr \
            -DCMAKE_TOOLCHAIN_FILE="$basedir/src/cmake/mingw-w64-x86_64.cmake"
        wbuilds+=("before (${base:0:7})=$basedir/build-windows")
    fi
    echo
    echo "Windows build under Wine, ${secs} s a run:"
    for screen in 1920x1080x24 3840x2160x24; do
        for b in "${wbuilds[@]}"; do
            echo "- ${screen%x24}, ${b%%=*}, empty list: $(LUMORA_WINE_SCREEN=$screen "$root/bench/wine_saver.sh" "${b#*=}" "$secs" | tr '\n' ';')"
            echo "- ${screen%x24}, ${b%%=*}, five photos: $(LUMORA_WINE_SCREEN=$screen "$root/bench/wine_saver.sh" "${b#*=}" "$secs" "${five[@]}" | tr '\n' ';')"
        done
    done
fi
