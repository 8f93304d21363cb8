#!/usr/bin/env bash
# The show on GNOME: headless mutter with two virtual monitors, which offers neither the layer
# shell nor a Wayland idle protocol. The show is one Qt full-screen window per monitor, checked
# against mutter's own monitor list, and becomes the active window in place of an application
# window; `--idle` (from the README's autostart entry, seconds standing for minutes) follows
# mutter's idle monitor on the session bus, with input typed through mutter's remote-desktop
# interface.
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

# An application window is active, as a terminal would be.
"$LINUX_BUILD/tests/key_logger" >"$WORK/logger.out" 2>>"$ARTIFACTS/program.log" &
logger=$!; BACKGROUND+=("$logger")
check "the application window is active" wait_until 10 grep -q '^focused' "$WORK/logger.out"
deactivated() { [ "$(grep -c '^unfocused' "$WORK/logger.out")" -ge "$1" ]; }
activated() { [ "$(grep -c '^focused' "$WORK/logger.out")" = "$1" ]; }
running_for() { [ "$(ps -o etimes= -p "$1")" -ge "$2" ]; }

# The show: one full-screen window on each monitor at its whole pixel size, made active, so
# the application underneath hears no keys; it stays past the time it allows for that.
"${on_gnome[@]}" LUMORA_TRACE_OUTPUTS="$trace" "$program" /s 2>"$WORK/show.err" &
show=$!; BACKGROUND+=("$show")
check "the show covers each of mutter's monitors at its size" wait_until 20 shown_everywhere
cat "$trace"
check "... and takes the keyboard from the application" wait_until 10 deactivated 1
check "... and goes on once it has it" wait_until 10 running_for "$show" 4
check "... saying nothing about the keyboard" \
    test ! -s "$WORK/show.err"
kill "$show"
check "the show ends on SIGTERM" ends_within "$show" 10
check "... and the application has the keyboard back" wait_until 10 activated 2

# Input as a remote-desktop client types it (mutter's headless seat hands no keyboard to any
# window, but the input counts as the user's); one Shift press per line of the input.
remote_input() { "$LINUX_BUILD/tests/remote_key" >>"$ARTIFACTS/program.log" 2>&1; }
echo 42 | remote_input
[ $? = 77 ] && { echo "skipped: mutter offers no remote-desktop interface"; exit 77; }

# Without the idle monitor: exit 2 and one line naming it.
out=$(LUMORA_IDLE_PROTOCOLS=none "${on_gnome[@]}" "$program" --idle 1 2>&1); rc=$?
check "without an idle source --idle ends with status 2" test "$rc" = 2
check "... naming GNOME's idle monitor in one line" \
    test "$(printf '%s\n' "$out" | grep -c "GNOME's idle monitor")" = 1

# --idle from the README's autostart entry: mutter's idle monitor starts the show after the
# idle time; input keeps the next one away until the user is idle again.
entry=$WORK/entry
awk '$0 == "```ini" { on = 1; next } /^```/ { on = 0 } on' "$E2E_ROOT/README.md" >"$entry"
command=$(sed -n 's/^Exec=//p' "$entry" |
    sed -e "s|--idle 10|--idle 2|; s|lumorascr|env -u DISPLAY QT_QPA_PLATFORM=wayland LUMORA_IDLE_SECONDS=1 $program|")
check "the README's autostart entry runs the saver after idle time" test -n "$command"
show_of() { pgrep -P "$1" | head -n 1 | grep .; }
start_bg bash -c "exec $command"
waiting=$LAST_PID
check "the show starts after the idle time" wait_until 15 show_of "$waiting"
first=$(show_of "$waiting")
check "... and takes the keyboard" wait_until 10 deactivated 2
kill "$first"; ends_within "$first" 10
for _ in $(seq 8); do echo 42; sleep 0.5; done | remote_input
check "input keeps the next show away" eval '! show_of "$waiting"'
check "... which comes once the user is idle again" wait_until 15 show_of "$waiting"
second=$(show_of "$waiting")
# Input after a show's process started but before its window appeared would be input the new
# window came after, and GNOME rightly keeps the keyboard from it: the test types once each
# show has the keyboard.
wait_until 10 deactivated 3
check "... as a new process" test -n "$second" -a "$second" != "$first"

# An idle period that began while a show ran (after input the show did not hear) brings the
# next show as soon as that one ends; input before its end cancels it.
idle_for() {
    local ms
    ms=$(gdbus call --session -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core \
        -m org.gnome.Mutter.IdleMonitor.GetIdletime | sed -n 's/.*uint64 \([0-9]*\).*/\1/p')
    [ "${ms:-0}" -ge "$1" ]
}
echo 42 | remote_input
wait_until 10 idle_for 2500
kill "$second"; ends_within "$second" 10
check "an idle period that began during a show brings the next one at its end" \
    wait_until 5 show_of "$waiting"
third=$(show_of "$waiting")
wait_until 10 deactivated 4
echo 42 | remote_input
wait_until 10 idle_for 2500
echo 42 | remote_input
kill "$third"; ends_within "$third" 10
wait_until 15 show_of "$waiting"
check "... and one that input ended waits for the next idle time" idle_for 1800
kill "$(show_of "$waiting")"

# mutter going away ends the waiting with status 1.
mutter_stop
ends_within "$waiting" 10; wait "$waiting"; rc=$?
check "when mutter goes --idle ends with status 1" test "$rc" = 1
finish
