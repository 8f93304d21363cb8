#!/usr/bin/env bash
# The Linux program as a Wayland client on headless sway with two outputs (the second at
# scale 2): /s covers each output with its own frame; a key, a pointer move over 10 pixels
# and another surface taking the keyboard end it, a smaller move does not; an output added or
# resized is followed at the next mark; the compositor going away ends it with status 1.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/monitor_lib.sh"
. "$(dirname "$0")/sway_lib.sh"
pointer=$LINUX_BUILD/tests/virtual_pointer
[ -x "$pointer" ] || { echo "skipped: no virtual pointer helper"; exit 77; }
command -v wtype >/dev/null || { echo "skipped: wtype is needed"; exit 77; }
sway_start
make_monitor_picture
make_linux_folder "$WORK/linux" "$WORK/orange.bmp"
# The program must find the compositor by itself, not through an X display.
start_saver() { start_bg env -u DISPLAY "$WORK/linux/lumorascr" /s; }

# Pixels of today's colour in the day row of output shot $1 ($2 its height).
today_pixels() { count_colour "$1" "$(identify -format %w "$1")x60+0+$(($2 - 60))" 0,255,0 90; }
second_shows() { # the scale-2 output: the picture, the clock, a larger day row than the first's
    local shot=$1
    [ "$(count_colour "$shot" 40x40+492+324 255,128,0 30)" -ge 1500 ] &&
        [ "$(count_colour "$shot" 300x60+362+690 255,255,255 60)" -ge 30 ] &&
        [ "$(today_pixels "$shot" 768)" -gt $(( $(today_pixels "$ARTIFACTS/$2-1.png" 720) * 11 / 10 )) ]
}
frame_fills() { # shot $1 of $2 x $3 pixels: the picture at its centre, the clock below
    [ "$(identify -format %wx%h "$1")" = "$2x$3" ] &&
        [ "$(count_colour "$1" 40x40+$(($2 / 2 - 20))+$(($3 / 2 - 60)) 255,128,0 30)" -ge 1500 ] &&
        [ "$(count_colour "$1" $(($2 / 2))x60+$(($2 / 4))+$(($3 - 60)) 255,255,255 60)" -ge 30 ]
}
both_shown() { # $1 name
    output_shot "$1-1" HEADLESS-1 && monitor_frame_shows "$SHOT" 1280 720 &&
        output_shot "$1-2" HEADLESS-2 && second_shows "$SHOT" "$1"
}

start_saver
pid=$LAST_PID
check "the show covers the first output (1280x720): picture, bands, day row, clock" \
    wait_until 30 both_shown show
check "the scale-2 output (1024x768 pixels) shows its own frame with a larger day row" \
    second_shows "$ARTIFACTS/show-2.png" show
"$pointer" move 3 2 >>"$ARTIFACTS/pointer.log" 2>&1
sleep 1
check "a pointer appearing and moving 5 pixels does not end it" still_running "$pid"
"$pointer" move 8 6 >>"$ARTIFACTS/pointer.log" 2>&1
check "a pointer move of 14 pixels ends it" ends_within "$pid" 10
kill "$pid" 2>/dev/null

start_saver
pid=$LAST_PID
wait_until 30 both_shown key >/dev/null
start_saver
check "a second /s while the show runs is refused, the first goes on" \
    eval 'ends_within $LAST_PID 20 && still_running $pid'
# sway's headless outputs cannot be switched off; one is added and one changes size and scale.
swaymsg create_output >/dev/null
swaymsg output HEADLESS-2 mode 800x600 scale 1 >/dev/null
check "a new output (1920x1080) gets its frame at the next mark: picture, day row, clock" \
    wait_until 25 eval 'output_shot added HEADLESS-3 && monitor_frame_shows "$SHOT" 1920 1080'
check "the output that changed size and scale shows a frame of its new size" \
    wait_until 15 eval 'output_shot resized HEADLESS-2 && frame_fills "$SHOT" 800 600'
check "the show goes on" still_running "$pid"
wtype -s 500 x
check "a key ends it" ends_within "$pid" 10
wait "$pid"
check "with exit status 0" test $? = 0

# Another overlay taking the keyboard (a locker) ends the show rather than stay above it.
start_saver
pid=$LAST_PID
wait_until 30 eval 'output_shot taken HEADLESS-1 && monitor_frame_shows "$SHOT" 1280 720' >/dev/null
# A keyboard for the seat for a while (a modifier only: no key reaches the show).
wtype -M shift -s 8000 -m shift &
BACKGROUND+=("$!")
sleep 1.5
check "a keyboard appearing does not end it" still_running "$pid"
"$LINUX_BUILD/tests/keyboard_taker" 3 >>"$ARTIFACTS/taker.log" 2>&1
check "another surface taking the keyboard ends it" ends_within "$pid" 5
kill "$pid" 2>/dev/null

# Drawing into an X11 window stays X11's, whatever compositor runs.
env -u DISPLAY "$WORK/linux/lumorascr" --root >"$ARTIFACTS/root.log" 2>&1
check "--root without an X display says so instead of opening a Wayland show" \
    grep -q "cannot open the X display" "$ARTIFACTS/root.log"

# The compositor going away ends the show with a line saying so and status 1.
start_saver
pid=$LAST_PID
wait_until 30 eval 'output_shot last HEADLESS-1 && monitor_frame_shows "$SHOT" 1280 720'
sway_stop
check "the compositor going away ends the program" ends_within "$pid" 10
wait "$pid"
check "with exit status 1" test $? = 1
# Whichever of the two connections (the program's own, Qt's) notices first ends the program
# with its line and status 1.
check "and a line that says so" grep -qE \
    "connection to the Wayland compositor was lost|Wayland connection broke" "$ARTIFACTS/program.log"

finish
