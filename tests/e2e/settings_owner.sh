#!/usr/bin/env bash
# Whose list is read and written. Linux: an installed tree with a system-wide default list; a
# second, real user opens the dialog, saves, and gets a file of their own while the default and
# the install tree stay untouched. Windows (under Wine): a read-only LumoraScr.ini beside the
# program is read as the default and left unchanged by 登録, which writes the user's own file.
. "$(dirname "$0")/lib.sh"
mkdir -p "$WORK/Pictures"
picture=$WORK/Pictures/a.jpg
convert -size 64x48 xc:'rgb(0,128,255)' "JPEG:$picture"

press_register() { # $1 dialog window
    sleep 1
    xdotool mousemove --window "$1" 40 324 click 1
}

linux_second_user() {
    local user=nobody
    if [ "$(id -u)" != 0 ] || ! id "$user" >/dev/null 2>&1 || ! command -v runuser >/dev/null; then
        echo "skipped the second user: needs root, runuser and the user '$user'"
        return
    fi
    local prefix=$WORK/prefix home=$WORK/home
    mkdir -p "$prefix/bin" "$prefix/share/lumorascr" "$XDG_CONFIG_DIRS/lumorascr" "$home"
    cp "$LINUX_BUILD/lumorascr" "$prefix/bin/"
    cp "$E2E_ROOT/data/Calender.dat" "$prefix/share/lumorascr/"
    write_list "$XDG_CONFIG_DIRS/lumorascr/LumoraScr.ini" / "$picture"
    chown "$user" "$home"
    chmod 755 "$WORK"
    chmod -R a+rX "$WORK"
    local default_sum
    default_sum=$(md5sum <"$XDG_CONFIG_DIRS/lumorascr/LumoraScr.ini")
    # The other user reaches this display through a copy of its key.
    local key=$WORK/xauth
    xauth extract "$key" "$DISPLAY" 2>/dev/null && chmod 644 "$key"
    start_bg runuser -u "$user" -- env DISPLAY="$DISPLAY" XAUTHORITY="$key" HOME="$home" \
        XDG_CONFIG_HOME="$home/config" XDG_CONFIG_DIRS="$XDG_CONFIG_DIRS" \
        LANG="$LANG" LC_ALL="$LC_ALL" LOCPATH="$LOCPATH" "$prefix/bin/lumorascr" /c
    local pid=$LAST_PID dialog
    dialog=$(wait_window "LumoraScreenSaver Setting" 20) || { fail "linux: the other user's dialog opens"; return; }
    screenshot "linux-second-user-dialog" >/dev/null
    press_register "$dialog"
    check "linux: 登録 saves and closes the dialog" ends_within "$pid" 10
    local own=$home/config/lumorascr/LumoraScr.ini
    check "linux: the user's own file holds the default list" grep -qa "^1=True.a\.jpg" "$own"
    check "linux: the user's own file is theirs" test "$(stat -c %U "$own" 2>/dev/null)" = "$user"
    check "linux: the default list is unchanged" \
        test "$(md5sum <"$XDG_CONFIG_DIRS/lumorascr/LumoraScr.ini")" = "$default_sum"
    check "linux: nothing was written in the install tree" \
        test "$(find "$prefix" -type f | wc -l)" = 2
}

windows_read_only_default() {
    have_windows_build || { echo "skipped Windows: no Windows build"; return; }
    local dir=$WORK/win
    make_windows_folder "$dir" "$picture"
    chmod a-w "$dir/LumoraScr.ini"
    local sum appdata
    sum=$(md5sum <"$dir/LumoraScr.ini")
    appdata=$( . "$E2E_ROOT/scripts/wine-env.sh"; winepath -u "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')" 2>/dev/null)
    [ -n "$appdata" ] || { fail "windows: the per-user folder is known"; return; }
    if [ -e "$appdata/LumoraScr" ]; then
        fail "windows: the prefix already holds $appdata/LumoraScr; left alone"
        return
    fi
    wine_start "$dir/LumoraScr.scr" /c
    local pid=$LAST_PID dialog
    dialog=$(wait_window "LumoraScreenSaver Setting" 30) || { fail "windows: the dialog opens"; return; }
    screenshot "windows-read-only-dialog" >/dev/null
    press_register "$dialog"
    check "windows: 登録 saves and closes the dialog" ends_within "$pid" 15
    check "windows: the read-only file is unchanged" test "$(md5sum <"$dir/LumoraScr.ini")" = "$sum"
    check "windows: the user's own file holds the list" \
        grep -qa "^1=True.a\.jpg" "$appdata/LumoraScr/LumoraScr.ini"
    # The prefix is left as it was found.
    rm -rf "$appdata/LumoraScr"
    ( . "$E2E_ROOT/scripts/wine-env.sh"; wineserver -k ) 2>/dev/null
}

linux_second_user
windows_read_only_default
finish
