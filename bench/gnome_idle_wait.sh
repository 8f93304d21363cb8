#!/usr/bin/env bash
# What `lumorascr --idle` costs while it waits on GNOME (headless mutter, mutter's idle monitor
# on the session bus): processor time, voluntary context switches over SECONDS and resident
# size, beside `gdbus monitor` listening to the same monitor on the same bus. Prints one line
# per process.
#   gnome_idle_wait.sh BUILD SECONDS
set -u
build=$(cd "$1" && pwd) secs=$2
. "$(dirname "$0")/../tests/e2e/lib.sh" "$build"
. "$(dirname "$0")/../tests/e2e/mutter_lib.sh"
mutter_start
make_linux_folder "$WORK/program"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
switches() { awk '$1 == "voluntary_ctxt_switches:" {print $2}' "/proc/$1/status"; }
rss_kib() { awk -v k="${2:-VmRSS}" '$1 == k":" {print $2}' "/proc/$1/status"; }

env -u DISPLAY QT_QPA_PLATFORM=wayland "$WORK/program/lumorascr" --idle 1440 & waiting=$!
gdbus monitor --session --dest org.gnome.Mutter.IdleMonitor >/dev/null & peer=$!
BACKGROUND+=("$waiting" "$peer")
wait_until 10 eval '[ "$(ls -l /proc/'"$waiting"'/fd | grep -c socket)" -ge 2 ]'
sleep 1
declare -A t0 s0
for pid in "$waiting" "$peer"; do t0[$pid]=$(ticks "$pid"); s0[$pid]=$(switches "$pid"); done
sleep "$secs"
for pid in "$waiting" "$peer"; do
    awk -v l="$(tr '\0' ' ' <"/proc/$pid/cmdline" | sed "s|$WORK/program/||" | cut -c1-44)" \
        -v t=$(($(ticks "$pid") - t0[$pid])) -v s=$(($(switches "$pid") - s0[$pid])) \
        -v hz="$(getconf CLK_TCK)" -v r="$(rss_kib "$pid")" -v a="$(rss_kib "$pid" RssAnon)" \
        'BEGIN { printf "%-44s cpu %4.0f ms  wake-ups %3d  rss %5.1f MiB (anonymous %4.1f)\n", l, t * 1000 / hz, s, r / 1024, a / 1024 }'
done
