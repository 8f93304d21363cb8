#!/usr/bin/env bash
# The Linux program on KDE Plasma's compositor: a virtual KWin of its own with two outputs of
# 800x600 at scale 1.5 (1200x900 pixels each), its lock screen, no input devices and no screen
# capture. The README's autostart entry brings the show from ext-idle-notify alone, never while
# an idle inhibitor (a playing video) is held; the show puts one overlay surface on each output
# at its pixel size (the program's own record of what it showed, LUMORA_TRACE_OUTPUTS, against
# KWin's output list) and holds the keyboard until Plasma's lock screen takes it, which ends it.
# Skipped (exit 77) without kwin_wayland, wayland-info and a session bus.
. "$(dirname "$0")/lib.sh"
for tool in kwin_wayland wayland-info dbus-run-session dbus-send; do
    command -v $tool >/dev/null || { echo "skipped: $tool is needed"; exit 77; }
done
[ -x "$LINUX_BUILD/tests/idle_inhibitor" ] || { echo "skipped: no idle_inhibitor helper"; exit 77; }

# The installed file carries a capability that a test run may not grant; a copy without it,
# still named kwin_wayland, runs, on a session bus of its own (for its lock screen), with its
# settings in a home of its own.
KWIN_PID=
kwin_stop() {
    [ -n "$KWIN_PID" ] || return 0
    kill "$KWIN_PID" 2>/dev/null
    ends_within "$KWIN_PID" 10 || kill -9 "$KWIN_PID" 2>/dev/null
    KWIN_PID=
}
mkdir -p "$WORK/kwin" "$WORK/kwin-home" "$WORK/kwin-run"
chmod 0700 "$WORK/kwin-run"
cp "$(command -v kwin_wayland)" "$WORK/kwin/kwin_wayland"
env -i PATH=/usr/bin:/bin HOME="$WORK/kwin-home" XDG_RUNTIME_DIR="$WORK/kwin-run" KWIN_COMPOSE=Q \
    dbus-run-session -- bash -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"; echo $$ >"$0/pid"
        exec "$0/kwin_wayland" --virtual --output-count 2 --width 800 --height 600 --scale 1.5 \
            --socket lumora-kde --no-global-shortcuts' "$WORK/kwin" >"$ARTIFACTS/kwin.log" 2>&1 &
BACKGROUND+=("$!")
trap 'kwin_stop; cleanup' EXIT
wait_until 10 test -s "$WORK/kwin/pid" || { echo "FAILED: no session bus for KWin"; exit 1; }
KWIN_PID=$(cat "$WORK/kwin/pid")
export XDG_RUNTIME_DIR=$WORK/kwin-run WAYLAND_DISPLAY=lumora-kde

# KWin's outputs as the trace names a surface on each: "<name> <width>x<height> layer", sorted.
kwin_outputs() {
    wayland-info 2>/dev/null | awk '
        /^interface:/ { out = index($0, "'\''wl_output'\''") > 0; next }
        out && $1 == "name:" { name = $2 }
        out && $1 == "width:" { size = $2 "x" $5 }
        out && /flags:.*current/ { print name, size, "layer" }' | sort
}
two_outputs() { [ "$(kwin_outputs | wc -l)" = 2 ]; }
wait_until 30 two_outputs || { echo "FAILED: KWin shows no two outputs (see kwin.log)"; exit 1; }
expected=$(kwin_outputs)
echo "KWin's outputs:"; echo "$expected"

make_linux_folder "$WORK/linux"
program=$WORK/linux/lumorascr
on_kde=(env -u DISPLAY QT_QPA_PLATFORM=wayland)
shown_on_both() { [ "$(sort "$1" 2>/dev/null)" = "$expected" ]; }

# The README's autostart entry, seconds standing for minutes and only ext-idle-notify allowed:
# no show while the inhibitor holds the session awake, the show once it lets go.
fences() { awk -v kind="$1" '$0 == "```" kind { on = 1; n++; next } /^```/ { on = 0 } on { print > (dir "/" kind n) }' dir="$WORK" "$E2E_ROOT/README.md"; }
fences ini
entry=$(grep -l '^Exec=lumorascr --idle' "$WORK"/ini* | head -n 1)
command=$(sed -n 's/^Exec=//p' "$entry" | sed "s|--idle 10|--idle 2|; s|^lumorascr|$program|")
check "the README's autostart entry runs lumorascr --idle" test -n "$command" -a "$command" != "${command#$program --idle 2}"
"$LINUX_BUILD/tests/idle_inhibitor" >"$WORK/inhibitor.out" 2>>"$ARTIFACTS/program.log" &
inhibitor=$!; BACKGROUND+=("$inhibitor")
check "the inhibitor holds its inhibitor" wait_until 10 grep -q inhibiting "$WORK/inhibitor.out"
# shellcheck disable=SC2086 # the entry's command line, split as the desktop splits it
start_bg "${on_kde[@]}" LUMORA_IDLE_SECONDS=1 LUMORA_IDLE_PROTOCOLS=ext_idle_notifier_v1 \
    LUMORA_TRACE_OUTPUTS="$WORK/idle-shown" $command
waiting=$LAST_PID
lock_held() { ! flock -n -s "$XDG_RUNTIME_DIR/lumorascr-$WAYLAND_DISPLAY-idle.lock" true; }
check "--idle waits for idle time" wait_until 10 lock_held
sleep 5
check "no show while the inhibitor holds the session awake" test ! -e "$WORK/idle-shown"
kill "$inhibitor"; ends_within "$inhibitor" 5
check "the show comes from ext-idle-notify once the inhibitor is gone, on both outputs" \
    wait_until 20 shown_on_both "$WORK/idle-shown"
show=$(pgrep -P "$waiting" | head -n 1) || show=none
check "... as the waiting process's child, which runs on" still_running "$show"
# The lock screen takes the keyboard, which the show holds until then: that ends it.
DBUS_SESSION_BUS_ADDRESS=$(cat "$WORK/kwin/bus") dbus-send --session --print-reply \
    --dest=org.freedesktop.ScreenSaver /ScreenSaver org.freedesktop.ScreenSaver.Lock >/dev/null
check "Plasma's lock screen ends the show" ends_within "$show" 10
kill "$waiting"
check "--idle ends on SIGTERM" ends_within "$waiting" 5
finish
