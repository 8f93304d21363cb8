#!/usr/bin/env bash
# The show on GNOME: headless mutter with two virtual monitors, which offers neither the layer
# shell nor a Wayland idle protocol. The show is one Qt full-screen window per monitor, checked
# against mutter's own monitor list, and becomes the active window in place of an application
# window, so that a key typed through mutter's remote-desktop interface ends it and never
# reaches that window; `--idle` (from the README's autostart entry, seconds standing for
# minutes) follows mutter's idle monitor on the session bus.
# Skipped (exit 77) without mutter.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/mutter_lib.sh"
mutter_start
echo "mutter's monitors:"; cat "$WORK/monitors"

make_linux_folder "$WORK/linux"
program=$WORK/linux/lumorascr
on_gnome=(env -u DISPLAY QT_QPA_PLATFORM=wayland)
trace=$WORK/outputs
shown_everywhere() { [ "$(sort "$trace" 2>/dev/null)" = "$(cat "$WORK/monitors")" ]; }

# An application window is active and hears keys, as a terminal would. Keys come from a
# remote-desktop session held open for the whole run (mutter adds its keyboard to the seat at
# the session's first key, so the first keys may land nowhere).
"$LINUX_BUILD/tests/key_logger" >"$WORK/logger.out" 2>>"$ARTIFACTS/program.log" &
logger=$!; BACKGROUND+=("$logger")
check "the application window is active" wait_until 10 grep -q '^focused' "$WORK/logger.out"
exec 7> >(exec "$LINUX_BUILD/tests/remote_key" >"$WORK/remote.out" 2>>"$ARTIFACTS/program.log")
remote=$!; BACKGROUND+=("$remote")
wait_until 10 grep -q ready "$WORK/remote.out" ||
    { wait "$remote"; [ $? = 77 ] && { echo "skipped: mutter has no remote-desktop interface"; exit 77; }
      echo "FAILED: no remote-desktop session"; exit 1; }
# Presses and releases key $1 (an evdev code) and waits until mutter has taken it.
press() {
    local sent
    sent=$(grep -c '^sent' "$WORK/remote.out")
    echo "$1" >&7
    wait_until 5 test "$(grep -c '^sent' "$WORK/remote.out")" -gt "$sent"
}
keys_heard() { grep -c '^key' "$WORK/logger.out"; }
# Whether the application window is the active one now (its last word on that).
app_active() { [ "$(grep -E '^(un)?focused' "$WORK/logger.out" | tail -n 1)" = focused ]; }
check "a remote-desktop key reaches the active application" \
    wait_until 10 eval 'press 42; [ "$(keys_heard)" -gt 0 ]'
running_for() { [ "$(ps -o etimes= -p "$1")" -ge "$2" ]; }

# The show: one full-screen window on each monitor at its whole pixel size, made active; it
# stays past the time it allows for that, and a key ends it without reaching the application.
"${on_gnome[@]}" LUMORA_TRACE_OUTPUTS="$trace" "$program" /s 2>"$WORK/show.err" &
show=$!; BACKGROUND+=("$show")
check "the show covers each of mutter's monitors at its size" wait_until 20 shown_everywhere
cat "$trace"
check "... and takes the keyboard from the application" wait_until 10 eval '! app_active'
check "... and goes on once it has it" wait_until 10 running_for "$show" 3
heard=$(keys_heard)
press 28
check "Enter ends the show" ends_within "$show" 10
check "... and never reaches the application underneath" test "$(keys_heard)" = "$heard"
check "... which has the keyboard back" wait_until 10 app_active
check "... and the show said nothing about the keyboard" test ! -s "$WORK/show.err"

# Without the idle monitor: exit 2 and one line naming it.
out=$(LUMORA_IDLE_PROTOCOLS=none "${on_gnome[@]}" "$program" --idle 1 2>&1); rc=$?
check "without an idle source --idle ends with status 2" test "$rc" = 2
check "... naming GNOME's idle monitor in one line" \
    test "$(printf '%s\n' "$out" | grep -c "GNOME's idle monitor")" = 1

# --idle from the README's autostart entry: mutter's idle monitor starts the show after the
# idle time, and activity keeps the next one away until the user is idle again.
entry=$WORK/entry
awk '$0 == "```ini" { on = 1; next } /^```/ { on = 0 } on' "$E2E_ROOT/README.md" >"$entry"
command=$(sed -n 's/^Exec=//p' "$entry" |
    sed -e "s|--idle 10|--idle 3|; s|lumorascr|env -u DISPLAY QT_QPA_PLATFORM=wayland LUMORA_IDLE_SECONDS=1 $program|")
check "the README's autostart entry runs the saver after idle time" test -n "$command"
show_of() { pgrep -P "$1" | head -n 1 | grep .; }
# Activity that no window hears (mutter's idle time reset), and the idle time reaching $1 ms.
# (Keys typed through the remote-desktop session stop counting as activity for mutter once one
# has ended a show, so the idle checks use the reset.)
idle_reset() {
    gdbus call --session -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core \
        -m org.gnome.Mutter.IdleMonitor.ResetIdletime >/dev/null
}
idle_for() {
    local ms
    ms=$(gdbus call --session -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core \
        -m org.gnome.Mutter.IdleMonitor.GetIdletime | sed -n 's/.*uint64 \([0-9]*\).*/\1/p')
    [ "${ms:-0}" -ge "$1" ]
}
start_bg bash -c "exec $command"
waiting=$LAST_PID
check "the show starts after the idle time" wait_until 15 show_of "$waiting"
first=$(show_of "$waiting")
check "... and takes the keyboard" wait_until 10 eval '! app_active'
idle_reset
kill "$first"
check "... and ends on SIGTERM" ends_within "$first" 10
check "activity keeps the next show away" eval '! show_of "$waiting"'
check "... which comes once the user is idle again" wait_until 15 show_of "$waiting"
second=$(show_of "$waiting")
check "... as a new process" test -n "$second" -a "$second" != "$first"

# An idle period that began while a show ran (after activity the show did not hear: mutter's
# idle time reset) brings the next show as soon as that one ends; activity before its end
# cancels it.
idle_reset
wait_until 10 idle_for 3500
kill "$second"; ends_within "$second" 10
check "an idle period that began during a show brings the next one at its end" \
    wait_until 5 show_of "$waiting"
third=$(show_of "$waiting")
idle_reset
wait_until 10 idle_for 3500
idle_reset
kill "$third"; ends_within "$third" 10
wait_until 15 show_of "$waiting"
check "... and one that activity ended waits for the next idle time" idle_for 2800
kill "$(show_of "$waiting")"
check "no Enter meant for a show reached the application" eval '! grep -q "^key 28$" "$WORK/logger.out"'

cp "$WORK/logger.out" "$ARTIFACTS/"
# mutter going away ends the waiting with status 1.
mutter_stop
ends_within "$waiting" 10; wait "$waiting"; rc=$?
check "when mutter goes --idle ends with status 1" test "$rc" = 1
finish
