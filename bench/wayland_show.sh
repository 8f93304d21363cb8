#!/usr/bin/env bash
# The saver as a Wayland client on headless sway (1280x720 + 1024x768 at scale 2) beside the
# same build as an X11 client on the two-monitor Xorg of the end-to-end checks (1280x720 +
# 1024x768), same machine, same run, same pictures: loop passes from LUMORA_TRACE_PASSES, the
# saver's CPU (every thread) and the display server's CPU over SECONDS. Needs root (Xorg's
# dummy driver; sway then runs as nobody). Prints a Markdown table.
#   bench/wayland_show.sh LINUX_BUILD SECONDS PICTURE...
root=$(cd "$(dirname "$0")/.." && pwd)
export DISPLAY=${DISPLAY:-none}
. "$root/tests/e2e/lib.sh" "$1" ""
. "$root/tests/e2e/monitor_lib.sh"
. "$root/tests/e2e/sway_lib.sh"
secs=$2
shift 2
pictures=("$@")

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# CPU seconds of process $1 and its threads.
cpu_of() { awk -v t="$(ticks "$1")" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }'; }

# One run: $1 label, $2 server pid, $3 command that ends the show; the saver starts with the
# environment already set up.
run_traced() {
    local label=$1 server=$2 stop=$3 trace=$WORK/$1.trace pid s0 cpu scpu
    rm -f "$trace"
    s0=$(ticks "$server")
    LUMORA_TRACE_PASSES=$trace "$WORK/linux/lumorascr" /s >/dev/null 2>&1 &
    pid=$!
    sleep "$secs"
    cpu=$(cpu_of "$pid")
    scpu=$(awk -v a="$s0" -v b="$(ticks "$server")" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%.2f", (b - a) / hz }')
    $stop
    ends_within "$pid" 30 || kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    sort -k2 -g "$trace" | awk -v l="$label" -v c="$cpu" -v s="$scpu" '{ a[NR] = $2 }
        END { printf "| %s | %d | %.1f | %.2f | %s | %s |\n", l, NR, a[NR], a[int((NR + 1) / 2)], c, s }'
}

make_linux_folder "$WORK/linux" "${pictures[@]}"
echo "| show | passes | longest pass (ms) | median (ms) | saver CPU (s) | server CPU (s) |"
echo "|---|---:|---:|---:|---:|---:|"
sway_start
xdisplay=$DISPLAY
( unset DISPLAY; run_traced "Wayland (sway, layer surfaces)" "$SWAY_PID" "wtype -s 300 x" )
sway_stop
unset WAYLAND_DISPLAY
DISPLAY=$xdisplay
monitors_start
run_traced "X11 (Xorg dummy, windows)" "$MONITORS_XORG" "xdotool key space"
monitors_stop
exit 0
