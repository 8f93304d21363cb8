# Sourced after lib.sh: headless mutter (GNOME's compositor) of its own in a session bus of its
# own, with two virtual monitors (1280x720 and 1024x768), no input devices, no XWayland, and
# its idle monitor's ResetIdletime for the tests' activity that no window hears.
# Skipped (exit 77) without mutter. mutter_start exports WAYLAND_DISPLAY, XDG_RUNTIME_DIR and
# DBUS_SESSION_BUS_ADDRESS and writes mutter's monitors into $WORK/monitors (see monitors);
# mutter_stop (also run on exit) ends it and its bus and waits until they are gone.

MUTTER_PID=
SESSION_PID=

mutter_start() {
    local tool run=$WORK/mutter-run
    for tool in mutter dbus-run-session gdbus; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is needed"; exit 77; }
    done
    mkdir -p "$run"; chmod 0700 "$run"
    env -i PATH=/usr/bin:/bin HOME="$WORK" XDG_RUNTIME_DIR="$run" dbus-run-session -- sh -c '
        echo "$DBUS_SESSION_BUS_ADDRESS" >"$XDG_RUNTIME_DIR/bus-address"
        echo $$ >"$XDG_RUNTIME_DIR/mutter-pid"
        exec env MUTTER_DEBUG_RESET_IDLETIME=1 mutter --wayland --headless --no-x11 \
            --wayland-display=lumora-gnome --virtual-monitor 1280x720 --virtual-monitor 1024x768' \
        >"$ARTIFACTS/mutter.log" 2>&1 &
    SESSION_PID=$!
    trap 'mutter_stop; cleanup' EXIT
    export XDG_RUNTIME_DIR=$run WAYLAND_DISPLAY=lumora-gnome
    wait_until 20 test -S "$run/lumora-gnome" -a -s "$run/bus-address" -a -s "$run/mutter-pid" ||
        { echo "FAILED: mutter did not start (see mutter.log)"; exit 1; }
    MUTTER_PID=$(cat "$run/mutter-pid")
    DBUS_SESSION_BUS_ADDRESS=$(cat "$run/bus-address"); export DBUS_SESSION_BUS_ADDRESS
    wait_until 20 eval '[ "$(monitors | wc -l)" = 2 ]' ||
        { echo "FAILED: mutter shows no two monitors"; exit 1; }
    monitors >"$WORK/monitors"
}

mutter_stop() {
    [ -n "$MUTTER_PID" ] && kill "$MUTTER_PID" 2>/dev/null && ends_within "$MUTTER_PID" 10
    [ -n "$SESSION_PID" ] && { ends_within "$SESSION_PID" 10 || kill "$SESSION_PID"; wait "$SESSION_PID"; } 2>/dev/null
    MUTTER_PID= SESSION_PID=
}

# mutter's monitors as "<connector> <width>x<height> fullscreen", one line each, sorted (the
# current mode of each, from DisplayConfig.GetCurrentState).
monitors() {
    gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
        -m org.gnome.Mutter.DisplayConfig.GetCurrentState 2>/dev/null | python3 -c '
import re, sys
text = sys.stdin.read()
for m in re.finditer(r"\(\(\x27([^\x27]+)\x27, \x27[^\x27]*\x27, \x27[^\x27]*\x27, \x27[^\x27]*\x27\), \[(.*?)\], \{\x27is-builtin\x27", text):
    current = re.search(r"\(\x27[^\x27]*\x27, (\d+), (\d+), [^{]*\{\x27is-current\x27: <true>", m.group(2))
    if current: print("%s %sx%s fullscreen" % (m.group(1), current.group(1), current.group(2)))' | sort
}
