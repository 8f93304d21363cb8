#!/usr/bin/env bash
# `lumorascr --idle` on headless sway, whose KDE idle protocol is the idle source there; seconds
# stand for minutes (LUMORA_IDLE_SECONDS=1). The show is watched as the waiting process's child.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway_lib.sh"
command -v wtype >/dev/null && command -v flock >/dev/null ||
    { echo "skipped: wtype and flock are needed"; exit 77; }
sway_start

make_linux_folder "$WORK/linux"
program=$WORK/linux/lumorascr
# Wayland only: no X display to fall back on.
on_sway=(env -u DISPLAY QT_QPA_PLATFORM=wayland LUMORA_IDLE_SECONDS=1)

# The first show process of the waiting process $1 (none: fails).
show_of() { pgrep -P "$1" | head -n 1 | grep .; }
no_show() { ! show_of "$1"; }
# Input on sway's seat: a key from a keyboard that wtype makes for the moment.
some_input() { wtype -s 100 x 2>/dev/null || true; }
# Ends the show $1 by input, or by a signal when input does not reach it.
end_show() {
    some_input
    ends_within "$1" 3 && return
    echo "note: the show did not take the key; ended by a signal"
    kill "$1"; ends_within "$1" 5
}
lock_held() { ! flock -n -s "$XDG_RUNTIME_DIR/lumorascr-$WAYLAND_DISPLAY-$1.lock" true; }
voluntary_switches() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/status"; }

# No idle source: exit 2 and one line that names the other way.
out=$(LUMORA_IDLE_PROTOCOLS=none "${on_sway[@]}" "$program" --idle 1 2>&1); rc=$?
check "without an idle source --idle ends with status 2" test "$rc" = 2
check "... and says so in one line naming swayidle" \
    test "$(printf '%s\n' "$out" | wc -l)" = 1 -a -n "$(printf '%s' "$out" | grep -F "swayidle timeout 600 'lumorascr /s'")"

# Waiting costs nothing: no wake-up in ten seconds while the user is away for less than the
# idle time; one instance per session.
start_bg "${on_sway[@]}" "$program" --idle 60
waiting=$LAST_PID
check "--idle takes the session's lock" wait_until 10 lock_held idle
before=$(voluntary_switches "$waiting")
sleep 10
after=$(voluntary_switches "$waiting")
echo "voluntary context switches over 10 s of waiting: $((after - before))"
check "waiting wakes the process at most twice in 10 s" test $((after - before)) -le 2
"${on_sway[@]}" "$program" --idle 2 2>>"$ARTIFACTS/program.log"; rc=$?
check "a second --idle in the session is refused" test "$rc" = 1
kill "$waiting"; ends_within "$waiting" 5

# The show after 2 s of idle time, and again after input ended it.
start_bg "${on_sway[@]}" "$program" --idle 2
waiting=$LAST_PID
check "the show starts after the idle time" wait_until 15 show_of "$waiting"
first=$(show_of "$waiting")
check "input ends the show" end_show "$first"
check "the show starts again after the next idle time" wait_until 15 show_of "$waiting"
second=$(show_of "$waiting")
check "... as a new process" test -n "$second" -a "$second" != "$first"
end_show "$second"

# An idle inhibitor (a playing video) keeps the show away; it comes once the inhibitor is gone.
# From here on each show names a file for its passes, which it opens as it starts.
kill "$waiting"; ends_within "$waiting" 5
"$LINUX_BUILD/tests/idle_inhibitor" >"$WORK/inhibitor.out" 2>>"$ARTIFACTS/program.log" &
inhibitor=$!; BACKGROUND+=("$inhibitor")
check "the inhibitor holds its inhibitor" wait_until 10 grep -q inhibiting "$WORK/inhibitor.out"
passes=$WORK/passes
start_bg "${on_sway[@]}" LUMORA_TRACE_PASSES="$passes" "$program" --idle 2
waiting=$LAST_PID
some_input
sleep 5
check "no show while the inhibitor holds it" test ! -e "$passes"
kill "$inhibitor"; ends_within "$inhibitor" 5
some_input
check "the show comes once the inhibitor is gone" wait_until 15 test -e "$passes"
show=$(show_of "$waiting") && end_show "$show"
rm -f "$passes"

# The settings dialog holds its title's lock on Wayland: a show refuses to start while it is
# open, so an idle period passes without one; after it closes the next idle time brings one.
start_bg "${on_sway[@]}" "$program" /c
dialog=$LAST_PID
check "the dialog holds its title's lock" wait_until 20 lock_held "window-lumorascreensaver%20setting"
timeout 10 "${on_sway[@]}" "$program" /c 2>>"$ARTIFACTS/program.log"; rc=$?
check "a second dialog is refused" test "$rc" = 0
some_input
sleep 5
check "no show while the dialog is open" test ! -e "$passes"
kill "$dialog"; ends_within "$dialog" 5
some_input
check "after the dialog the idle time brings the show" wait_until 15 test -e "$passes"
show=$(show_of "$waiting") && end_show "$show"

kill "$waiting"
check "--idle ends on SIGTERM and lets the lock go" ends_within "$waiting" 5
check "... the lock is free" wait_until 5 eval '! lock_held idle'

# The README's fragments: sway reads its configuration lines, the autostart entry is valid and
# the one the package ships, and each runs, seconds standing for minutes and the program named
# by its path. sway runs its lines as its own user, so their shows leave their passes in a
# folder that user may write.
fences() { awk -v kind="$1" '$0 == "```" kind { on = 1; n++; next } /^```/ { on = 0 } on { print > (dir "/" kind n) }' dir="$WORK" "$E2E_ROOT/README.md"; }
fences swayconfig; fences ini
shared=$WORK/shared; mkdir -p "$shared"; chmod 0777 "$shared"
as_run() { sed -e "s|600|2|; s|--idle 10|--idle 2|; s|lumorascr|env QT_QPA_PLATFORM=wayland LUMORA_IDLE_SECONDS=1 LUMORA_TRACE_PASSES=$shared/passes $program|g" "$@"; }
for fragment in "$WORK"/swayconfig*; do
    chmod 0644 "$fragment"
    check "sway reads the README's $(head -c 40 "$fragment")" \
        "${SWAY_AS_USER[@]}" env -i HOME="$WORK" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -C -c "$fragment" 2>>"$ARTIFACTS/program.log"
    rm -f "$shared/passes"
    swaymsg "$(as_run "$fragment")" >/dev/null
    check "... and with it the show comes after idle time" wait_until 20 test -e "$shared/passes"
    for pid in $(pgrep -f "$program --idle") $(pgrep -f "swayidle.*$program"); do kill "$pid"; done
    show=$(pgrep -f "$program /s" | head -n 1) && end_show "$show"
done
entry=$WORK/lumorascr.desktop
cp "$WORK/ini1" "$entry"
check "the README's autostart entry is valid" desktop-file-validate "$entry"
check "... and the one the package ships" cmp "$entry" "$E2E_ROOT/packaging/autostart/lumorascr.desktop"
rm -f "$shared/passes"
start_bg bash -c "$(as_run <(sed -n 's/^Exec=//p' "$entry"))"
check "... and its command brings the show after idle time" wait_until 20 test -e "$shared/passes"
for pid in $(pgrep -f "$program --idle"); do kill "$pid"; done
show=$(pgrep -f "$program /s" | head -n 1) && end_show "$show"

# The compositor going away ends the waiting with status 1.
"${on_sway[@]}" "$program" --idle 60 2>"$WORK/gone.err" &
waiting=$!
wait_until 10 lock_held idle
sway_stop
ends_within "$waiting" 5; wait "$waiting"; rc=$?
check "when the compositor goes --idle ends with status 1" test "$rc" = 1
check "... and says so" grep -q "compositor closed the connection" "$WORK/gone.err"
finish
