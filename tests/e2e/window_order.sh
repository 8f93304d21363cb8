#!/usr/bin/env bash
# The saver stays above other windows and hides the pointer; run from the developer's folder
# (Windows: D:\TOVIK...) it does neither.
. "$(dirname "$0")/lib.sh"

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"
# The window manager state of the full-screen window(s) the saver shows.
saver_asks_above() {
    local id
    for id in $(window_tree | awk -v g="${W}x${H}+0+0" 'index($0, g) { print $1 }'); do
        xprop -id "$id" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE && return 0
    done
    return 1
}
pointer_visible() { python3 "$E2E_ROOT/tests/e2e/cursor_visible.py" >/dev/null; }
pointer_hidden() { ! pointer_visible; }

# Opens another window over the saver, activates it and reports whether it shows.
other_window_shows() { # $1 label
    xlogo -geometry 300x200+100+100 >/dev/null 2>&1 &
    local other=$!
    BACKGROUND+=("$other")
    local id
    id=$(wait_class xlogo 20) || { kill "$other"; return 1; }
    xdotool windowactivate "$id" 2>/dev/null; xdotool windowraise "$id" 2>/dev/null
    # The logo's white ground at its lower left corner.
    SHOT=$(wait_screen "$1" 20 shows_colour 20x40+104+250 255,255,255 20 700)
    kill "$other"
    shows_colour 20x40+104+250 255,255,255 20 700
}
saver_shown() { window_tree | grep -q "${W}x${H}+0+0"; }

saver_run() { # $1 label, $2 start command, $3 seconds it may take to show, $4 "normal" or "developer"
    local label=$1 start=$2 limit=$3 expect=$4
    xdotool mousemove 500 400
    $start
    local pid=$LAST_PID
    if [ "$expect" = normal ]; then
        check "$label: the pointer is hidden while the saver runs" wait_until "$limit" pointer_hidden
        check "$label: the saver asks the window manager to keep it above others" \
            wait_until "$limit" saver_asks_above
    else
        wait_until "$limit" saver_shown
        sleep 1 # what must not happen gets its chance
        check "$label: the pointer stays visible" pointer_visible
        if saver_asks_above; then fail "$label: the saver is not kept above"; else ok "$label: the saver is not kept above"; fi
        check "$label: another window can come in front" other_window_shows "$label-other-window"
    fi
    # Another window may have taken the keyboard focus; a click on the saver still reaches it.
    xdotool click 1
    check "$label: a click ends it" ends_within "$pid" 15
    kill "$pid" 2>/dev/null
    check "$label: the pointer is visible again afterwards" pointer_visible
}

make_linux_folder "$WORK/linux" "$WORK/orange.bmp"
saver_run linux "start_bg $WORK/linux/lumorascr /s" 30 normal

if have_windows_build; then
    make_windows_folder "$WORK/windows" "$WORK/orange.bmp"
    saver_run windows "wine_start $WORK/windows/LumoraScr.scr /s" 60 normal

    # The developer's folder: drive D: of the Wine prefix mapped to a folder holding TOVIK.
    . "$E2E_ROOT/scripts/wine-env.sh"
    drive="$WINEPREFIX/dosdevices/d:"
    if [ -e "$drive" ] || [ -L "$drive" ]; then
        echo "skipping the developer-folder run: drive D: is already mapped"
    else
        make_windows_folder "$WORK/ddrive/TOVIK" "$WORK/orange.bmp"
        ln -s "$WORK/ddrive" "$drive"
        saver_run developer "wine_start D:\\TOVIK\\LumoraScr.scr /s" 60 developer
        rm -f "$drive"
    fi
fi
finish
