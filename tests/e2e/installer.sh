#!/usr/bin/env bash
# The Windows installer under Wine: a silent install puts the saver and its holiday file into
# the system folder, registers the uninstaller and (unless /KEEPSAVER) makes it the current
# saver; the installed saver draws; the silent uninstall removes exactly what was installed,
# gives the saver choice back and keeps the users' picture lists. The Wine prefix is left as it
# was found, also when a check fails.
. "$(dirname "$0")/lib.sh"

have_windows_build || { echo "skipped: no Windows build"; exit 77; }
setup=$(ls "$WINDOWS_BUILD"/LumoraScr-*-win64-setup.exe 2>/dev/null | head -n 1)
[ -n "$setup" ] || { fail "the Windows build has an installer"; finish; exit; }
check "the zip holds the JPEG decoder's licence notices" bash -c "python3 -m zipfile -l \
    '${setup%-setup.exe}.zip' | grep -c '^libjpeg-turbo-\(LICENSE.md\|README.ijg\) ' | grep -qx 2"
. "$E2E_ROOT/scripts/wine-env.sh"
export WINE_TIMEOUT=120

w() { timeout --kill-after=10 "$WINE_TIMEOUT" wine "$@" 2>>"$ARTIFACTS/wine.log"; }
DESKTOP='HKCU\Control Panel\Desktop'
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraScr'
SYS="$WINEPREFIX/drive_c/windows/system32"
PROGRAM_DIR="$WINEPREFIX/drive_c/Program Files/LumoraScr"
PROGRAM_DIR_DOS=$(w winepath -s 'C:\Program Files' | tr -d '\r')'\LumoraScr'
APPDATA_DIR=$(w winepath -u "$(w cmd /c 'echo %APPDATA%' | tr -d '\r')")/LumoraScr
OTHER_SAVER='C:\windows\system32\other.scr'
ABSENT='<absent>'

# The data of registry value $2 of key $1, or <absent>.
reg_get() {
    w reg query "$1" /v "$2" | tr -d '\r' |
        awk -F '    ' -v name="$2" '$2 == name { print $4; found = 1 } END { if (!found) print "<absent>" }'
}
reg_put() { # key, value name, data or <absent>
    if [ "$3" = "$ABSENT" ]; then w reg delete "$1" /v "$2" /f >/dev/null
    else w reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; fi
}
key_exists() { w reg query "$1" >/dev/null; }
names_saver() { [ "$(echo "${1##*\\}" | tr A-Z a-z)" = lumorascr.scr ]; }

# Everything of the prefix that the installer, the uninstaller or this test may touch.
TOUCHED=("$SYS/LumoraScr.scr" "$SYS/Calender.dat" "$SYS/LumoraScr.ini" "$PROGRAM_DIR" "$APPDATA_DIR")
prefix_state() {
    local p
    for p in "${TOUCHED[@]}"; do
        [ -e "$p" ] && find "$p" -type f -exec md5sum {} + | sort
    done
    echo "saver: $(reg_get "$DESKTOP" SCRNSAVE.EXE)"
    w reg query "$UNINSTALL" /s | tr -d '\r'
}

# Keep what the prefix holds now, and put it back on the way out whatever happens.
mkdir -p "$WORK/kept"
BEFORE=$(prefix_state)
KEPT_SAVER=$(reg_get "$DESKTOP" SCRNSAVE.EXE)
KEPT_KEY=0
key_exists "$UNINSTALL" && w reg export "$UNINSTALL" "$(w winepath -w "$WORK/kept/key.reg")" /y >/dev/null &&
    KEPT_KEY=1
for p in "${TOUCHED[@]}"; do
    [ -e "$p" ] && tar -C / -cf "$WORK/kept/$(echo "$p" | md5sum | cut -c1-8).tar" "${p#/}"
done
restore_prefix() {
    local p
    for p in "${TOUCHED[@]}"; do rm -rf "$p"; done
    for t in "$WORK"/kept/*.tar; do [ -f "$t" ] && tar -C / -xf "$t"; done
    reg_put "$DESKTOP" SCRNSAVE.EXE "$KEPT_SAVER"
    w reg delete "$UNINSTALL" /f >/dev/null
    [ "$KEPT_KEY" = 1 ] && w reg import "$(w winepath -w "$WORK/kept/key.reg")" >/dev/null
}
trap 'restore_prefix; cleanup' EXIT
for p in "${TOUCHED[@]}"; do rm -rf "$p"; done
w reg delete "$UNINSTALL" /f >/dev/null

convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/orange.bmp"
read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')

# Starts the installed saver and waits until its first frame is revealed whole (the 640x480
# picture centred, sampled on a 60x44 grid); leaves the screenshot.
run_installed_saver() {
    xdotool mousemove 500 400
    wine_start 'C:\windows\system32\LumoraScr.scr' /s
    local pid=$LAST_PID shot="" i
    for i in $(seq 120); do
        shot=$(screenshot installed-saver)
        convert "$shot" -crop 600x440+$((W / 2 - 300))+$((H / 2 - 220)) +repage -sample 60x44 \
            "$WORK/sample.png"
        [ "$(count_colour "$WORK/sample.png" 60x44+0+0 255,128,0 30)" -ge 2640 ] && break
        shot=""
        sleep 0.5
    done
    check "the installed saver reveals the listed picture whole" test -n "$shot"
    xdotool key a
    check "the installed saver ends on a key" ends_within "$pid" 10
    kill "$pid" 2>/dev/null
}

# What the finish page's ticked option runs: Explorer opening the shortcut starts the dialog.
open_list_as_finish_page() {
    w explorer.exe 'C:\Program Files\LumoraScr\画像リスト.lnk' >/dev/null &
    local dialog
    dialog=$(wait_window "LumoraScreenSaver Setting" 60)
    check "the finish page's shortcut opens the picture list" test -n "$dialog"
    [ -n "$dialog" ] || return
    xdotool mousemove --window "$dialog" 360 324 click 1    # "閉じる": the program ends
    check "the picture list closes" wait_until 20 sh -c \
        "! xdotool search --name '^LumoraScreenSaver Setting\$' >/dev/null 2>&1"
    timeout 20 wineserver -w   # the dialog has let go of the installed program
}

# One install and uninstall: label, the saver chosen before, the installer's switches, the
# saver after the install ("ours" for this program), the saver after the uninstall.
cycle() {
    local label=$1 before=$2 switches=$3 installed=$4 after=$5 saver
    reg_put "$DESKTOP" SCRNSAVE.EXE "$before"
    # shellcheck disable=SC2086
    w "$setup" $switches >/dev/null
    check "$label: the program is in the system folder" cmp "$WINDOWS_BUILD/LumoraScr.scr" "$SYS/LumoraScr.scr"
    check "$label: the holiday file is in the system folder" cmp "$WINDOWS_BUILD/Calender.dat" "$SYS/Calender.dat"
    check "$label: the uninstaller is in its folder" test -f "$PROGRAM_DIR/uninstall.exe"
    check "$label: the picture list's shortcut is beside it" test -f "$PROGRAM_DIR/画像リスト.lnk"
    check "$label: so are the JPEG decoder's licence notices" \
        test -s "$PROGRAM_DIR/libjpeg-turbo-LICENSE.md" -a -s "$PROGRAM_DIR/libjpeg-turbo-README.ijg"
    check "$label: Programs and Features lists it" test "$(reg_get "$UNINSTALL" DisplayName)" = LumoraScr
    check "$label: with its uninstaller" \
        test "$(reg_get "$UNINSTALL" UninstallString)" = '"C:\Program Files\LumoraScr\uninstall.exe"'
    saver=$(reg_get "$DESKTOP" SCRNSAVE.EXE)
    if [ "$installed" = ours ]; then
        check "$label: it is the current saver ($saver)" names_saver "$saver"
    else
        check "$label: the current saver stays $installed ($saver)" test "$saver" = "$installed"
    fi

    # A user's lists: in the profile (the user's own file, which the saver reads) and beside the
    # program.
    mkdir -p "$APPDATA_DIR" && write_list "$APPDATA_DIR/LumoraScr.ini" '\' "$WORK/orange.bmp"
    printf '[Image]\r\nCount=0\r\n' >"$SYS/LumoraScr.ini"
    local lists
    lists=$(md5sum "$SYS/LumoraScr.ini" "$APPDATA_DIR/LumoraScr.ini")
    [ "$label" = "silent install" ] && run_installed_saver
    [ "$label" = "/KEEPSAVER" ] && open_list_as_finish_page

    w "$PROGRAM_DIR_DOS\\uninstall.exe" /S "_?=$PROGRAM_DIR_DOS" >/dev/null
    check "$label: the program is gone" test ! -e "$SYS/LumoraScr.scr"
    check "$label: the holiday file is gone" test ! -e "$SYS/Calender.dat"
    check "$label: the uninstall key is gone" test "$(key_exists "$UNINSTALL" && echo there)" = ""
    check "$label: the saver choice is $after" test "$(reg_get "$DESKTOP" SCRNSAVE.EXE)" = "$after"
    check "$label: both picture lists stay as they were" \
        test "$(md5sum "$SYS/LumoraScr.ini" "$APPDATA_DIR/LumoraScr.ini" 2>&1)" = "$lists"
    # Run from its own folder (_?=), the uninstaller cannot remove itself: that is left to us.
    check "$label: only the uninstaller itself is left in its folder" \
        test "$(ls -A "$PROGRAM_DIR" 2>&1)" = uninstall.exe
    rm -rf "$PROGRAM_DIR" "$SYS/LumoraScr.ini" "$APPDATA_DIR"
}

#     label                    saver before     switches        after install    after uninstall
cycle "silent install"         "$OTHER_SAVER"   /S              ours             "$OTHER_SAVER"
cycle "/KEEPSAVER"             "$OTHER_SAVER"   "/S /KEEPSAVER" "$OTHER_SAVER"   "$OTHER_SAVER"
cycle "no saver chosen before" "$ABSENT"        /S              ours             "$ABSENT"

restore_prefix
trap cleanup EXIT
check "the Wine prefix is as it was found" test "$(prefix_state)" = "$BEFORE"
finish
