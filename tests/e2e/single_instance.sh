#!/usr/bin/env bash
# An open window titled "LumoraScreenSaver Setting" stops a new start in every mode; one titled
# "Preview" does not.
. "$(dirname "$0")/lib.sh"

make_linux_folder "$WORK/linux"
program=$WORK/linux/lumorascr

xlogo -title "LumoraScreenSaver Setting" >/dev/null 2>&1 &
blocker=$!; BACKGROUND+=("$blocker")
wait_window "LumoraScreenSaver Setting" >/dev/null
for mode in "/s" "/p 0" "/c" ""; do
    start_bg "$program" $mode
    check "linux: '$mode' refused while a settings dialog is open" ends_within "$LAST_PID" 3
done
kill "$blocker"

xlogo -title "Preview" >/dev/null 2>&1 &
blocker=$!; BACKGROUND+=("$blocker")
wait_window "Preview" >/dev/null
start_bg "$program" /c
dialog=$LAST_PID
check "linux: a preview's window does not stop the settings dialog" wait_window "LumoraScreenSaver Setting" 10
screenshot linux-dialog >/dev/null
start_bg "$program" /s
check "linux: the real settings dialog stops a new saver" ends_within "$LAST_PID" 3
kill "$dialog" "$blocker"

if have_windows_build; then
    make_windows_folder "$WORK/windows"
    scr=$WORK/windows/LumoraScr.scr
    wine_start "$scr" /p 0
    preview=$LAST_PID
    check "windows: the preview opens a window titled Preview" wait_window "Preview" 20
    wine_start "$scr" /c
    dialog=$LAST_PID
    check "windows: a preview's window does not stop the settings dialog" \
        wait_window "LumoraScreenSaver Setting" 20
    screenshot windows-dialog >/dev/null
    for mode in "/s" "/p 0" "/c" ""; do
        wine_start "$scr" $mode
        check "windows: '$mode' refused while the settings dialog is open" ends_within "$LAST_PID" 15
    done
    kill "$dialog" "$preview"
fi
finish
