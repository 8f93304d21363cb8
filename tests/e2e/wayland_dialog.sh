#!/usr/bin/env bash
# The settings dialog as a Wayland client on headless sway: it opens by itself (no X display),
# shows the stored list in Japanese, and 登録 saves the list and closes it.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway_lib.sh"
pointer=$LINUX_BUILD/tests/virtual_pointer
[ -x "$pointer" ] || { echo "skipped: no virtual pointer helper"; exit 77; }
sway_start
convert -size 640x480 xc:'rgb(255,128,0)' "BMP3:$WORK/sunset.bmp"
make_linux_folder "$WORK/linux" "$WORK/sunset.bmp"
touch -d '2000-01-01' "$WORK/linux/LumoraScr.ini"

# The dialog's window in sway's tree: "X Y" of its content on the layout.
dialog_at() {
    swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n.get("name") == "LumoraScreenSaver Setting" and n.get("pid"):
        r, w = n["rect"], n["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"]); sys.exit(0)
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin)); sys.exit(1)'
}

start_bg env -u DISPLAY "$WORK/linux/lumorascr" /c
pid=$LAST_PID
check "the dialog opens as a Wayland window" wait_until 30 dialog_at
read -r x y < <(dialog_at)
sleep 1
output_shot dialog HEADLESS-1
check "the dialog shows the list (its window is on the screenshot)" \
    test "$(count_colour "$SHOT" 200x100+$((x + 20))+$((y + 40)) 255,255,255 30)" -ge 2000
"$pointer" click $((x + 40)) $((y + 324)) 1792 720 >>"$ARTIFACTS/pointer.log" 2>&1
check "登録 saves and closes the dialog" ends_within "$pid" 20
check "the list was written again with its entry" \
    sh -c "[ '$WORK/linux/LumoraScr.ini' -nt '$WORK/sunset.bmp' ] && grep -qa '^Count=1' '$WORK/linux/LumoraScr.ini' && grep -qa 'sunset.bmp' '$WORK/linux/LumoraScr.ini'"
kill "$pid" 2>/dev/null
finish
