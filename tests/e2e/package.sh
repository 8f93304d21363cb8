#!/usr/bin/env bash
# The Debian package as a user gets it: its files and lintian's verdict; unpacked into a fresh
# root (never installed), its tool reads that root's holiday rules from any folder and after the
# tree is moved, its program shows a --directory folder, runs as a hack under a real XScreenSaver
# daemon showing the daemon's image folder, and XScreenSaver's settings read its description.
. "$(dirname "$0")/lib.sh"
for needed in dpkg-deb lintian xscreensaver xscreensaver-settings strace; do
    command -v "$needed" >/dev/null || { echo "skipped: $needed is not installed"; exit 77; }
done

deb=$(package_file)
[ -n "$deb" ] || { fail "the package was built"; finish; exit; }
version=$(dpkg-deb -f "$deb" Version)

# Its files, its dependencies, and lintian.
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$WORK/contents"
for path in usr/bin/lumorascr usr/bin/lumora-tool usr/share/lumorascr/Calender.dat \
    usr/share/man/man6/lumorascr.6.gz usr/share/man/man1/lumora-tool.1.gz \
    usr/share/applications/lumorascr-settings.desktop \
    usr/share/applications/screensavers/lumorascr.desktop \
    usr/share/xscreensaver/config/lumorascr.xml usr/libexec/xscreensaver/lumorascr \
    usr/share/lumorascr/autostart/lumorascr.desktop \
    usr/share/doc/lumorascr/copyright usr/share/doc/lumorascr/changelog.gz \
    usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/lumorascr.png; do
    check "the package holds /$path" grep -qx "./$path" "$WORK/contents"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 qt6-qpa-plugins qt6-wayland "fonts-ipafont-gothic | fonts-noto-cjk" \
    qt6-image-formats-plugins libheif1 liblcms2-2; do
    check "it depends on $dependency" grep -qF "$dependency" <<<"$depends"
done
lintian --tag-display-limit 0 "$deb" >"$ARTIFACTS/lintian.txt" 2>&1
grep -E '^[EW]:' "$ARTIFACTS/lintian.txt"
check "lintian reports no error" bash -c "! grep -q '^E:' '$ARTIFACTS/lintian.txt'"

dpkg -x "$deb" "$WORK/root"
for program in lumorascr lumora-tool; do
    check "$program is stripped" bash -c "file -L '$WORK/root/usr/bin/$program' | grep -q ', stripped'"
done
# gzip -9n: no file name, no time stamp, the best compression.
gzip_header_clean() { [ "$(od -An -tu1 -j3 -N6 "$1" | tr -s ' ')" = " 0 0 0 0 0 2" ]; }
for page in man/man6/lumorascr.6.gz man/man1/lumora-tool.1.gz doc/lumorascr/changelog.gz; do
    check "$page is compressed with gzip -9n" gzip_header_clean "$WORK/root/usr/share/$page"
done

# The tool finds the holiday rules of its own tree, whatever the working folder, also after
# the tree is moved: a rule added to the root's file shows in its list.
year=$(date +%Y)
printf 'FIX,12,24,点検の日\r\n' >>"$WORK/root/usr/share/lumorascr/Calender.dat"
holidays_of() { (cd / && "$1/usr/bin/lumora-tool" holidays "$year-01-01" "$year-12-31"); }
has_the_roots_rules() {
    local out; out=$(holidays_of "$1") || return 1
    grep -qx "$year-01-01,元日" <<<"$out" && grep -qx "$year-12-24,点検の日" <<<"$out"
}
check "the unpacked tool lists the year's holidays from its own tree" has_the_roots_rules "$WORK/root"
mv "$WORK/root" "$WORK/moved"
root=$WORK/moved
check "after the tree is moved it still does" has_the_roots_rules "$root"
hack_link_help=$(cd / && env -u DISPLAY "$root/usr/libexec/xscreensaver/lumorascr" --help)
check "through XScreenSaver's hack folder the program finds its tree's rules" \
    grep -qF "holiday rules  $root/usr/share/lumorascr/Calender.dat" <<<"$hack_link_help"
check "--version prints $version" test "$(env -u DISPLAY "$root/usr/bin/lumorascr" --version)" = "lumorascr $version"

# Waits up to $1 seconds for at least $4 pixels within $6 of colour $3 in the rectangle $2 of
# the screen; the last screenshot is $ARTIFACTS/$5.png.
wait_colour() {
    local limit=$1 geometry=$2 rgb=$3 least=$4 name=$5 tolerance=${6:-30} i
    for i in $(seq "$limit"); do
        [ "$(count_colour "$(screenshot "$name")" "$geometry" "$rgb" "$tolerance")" -ge "$least" ] && return 0
        sleep 1
    done
    return 1
}
read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
middle=40x40+$((W / 2 - 20))+$((H / 2 - 60))

# --directory: the folder's pictures instead of the stored list (there is none here).
mkdir -p "$WORK/blue"
convert -size 640x480 xc:'rgb(0,90,255)' -type TrueColor "BMP3:$WORK/blue/one.bmp"
xdotool mousemove 500 400
start_bg "$root/usr/bin/lumorascr" /s --directory "$WORK/blue"
pid=$LAST_PID
check "/s --directory shows the folder's picture" wait_colour 20 "$middle" 0,90,255 1500 directory
xdotool key a
check "and a key ends it" ends_within "$pid" 5

# Under XScreenSaver, with the README's programs line and an image folder chosen for the daemon.
mkdir -p "$WORK/home" "$WORK/pictures"
convert -size 640x480 xc:'rgb(255,128,0)' -type TrueColor "BMP3:$WORK/pictures/orange.bmp"
cat >"$WORK/home/.xscreensaver" <<CONF
timeout:	1:00:00
lock:		False
splash:		False
fade:		False
unfade:		False
mode:		one
selected:	0
imageDirectory:	$WORK/pictures
programs:								      \\
  "LumoraScr"  lumorascr --root  \n\\
CONF
as_user=(env)
if [ "$(id -u)" -eq 0 ]; then # the daemon launches no hack as root
    chmod 755 "$WORK"
    chown -R nobody "$WORK/home"
    if [ -n "${XAUTHORITY:-}" ]; then cp "$XAUTHORITY" "$WORK/xauth"; chmod 644 "$WORK/xauth"; fi
    as_user=(runuser -u nobody -- env "XAUTHORITY=$WORK/xauth")
fi
as_user+=(HOME="$WORK/home" DISPLAY="$DISPLAY" PATH="$root/usr/bin:$PATH")
"${as_user[@]}" xscreensaver -no-splash >"$ARTIFACTS/xscreensaver.log" 2>&1 &
BACKGROUND+=($!)
command_daemon() { "${as_user[@]}" xscreensaver-command "$@" >/dev/null 2>&1; }
for _ in $(seq 50); do command_daemon -version && break; sleep 0.2; done
# An open settings dialog refuses the starts a user makes, but not the hack the daemon runs.
start_bg "$root/usr/bin/lumorascr" /c
dialog=$LAST_PID
check "the settings dialog is open" wait_window "LumoraScreenSaver Setting" 20
command_daemon -activate
check "the hack shows the daemon's image folder, the dialog open" wait_colour 20 "$middle" 255,128,0 1500 hack
day=$(date +%-d)
days=$(date -d "$(date +%Y-%m-01) +1 month -1 day" +%-d)
cell_x=$(((W - (20 * days + 10 * (days - 1))) / 2 + 30 * (day - 1)))
check "with today's number in green" wait_colour 10 "20x20+${cell_x}+$((H - 22))" 0,255,0 4 hack 90
command_daemon -deactivate
hack_running() { pgrep -f "$root/usr/bin/lumorascr --root" >/dev/null; }
hack_gone() { for _ in $(seq 50); do hack_running || return 0; sleep 0.1; done; return 1; }
check "the hack ends when the daemon stops it" hack_gone
kill "$dialog" 2>/dev/null

# XScreenSaver's settings: find where they look for the hack's description (this machine's
# build reads a folder of its own), put the package's there for the run, and look.
placed="" made_folder="" backup=""
restore_xml() {
    [ -n "$placed" ] && rm -f "$placed"
    [ -n "$backup" ] && mv "$backup" "$placed"
    [ -n "$made_folder" ] && rmdir "$made_folder" 2>/dev/null
    cleanup
}
trap restore_xml EXIT
# Starts the settings under strace, writing to $1, until they have looked for the description;
# SETTINGS is then their process.
settings_traced() {
    "${as_user[@]}" strace -f -e trace=openat -o "$1" xscreensaver-settings >>"$ARTIFACTS/settings.log" 2>&1 &
    BACKGROUND+=($!)
    local i
    for i in $(seq 100); do grep -q 'lumorascr\.xml' "$1" 2>/dev/null && break; sleep 0.2; done
    SETTINGS=$(awk 'NR == 1 { print $1 }' "$1")
}
end_settings() { [ -n "$SETTINGS" ] && kill "$SETTINGS" 2>/dev/null; ends_within "$SETTINGS" 5; }
settings_traced "$WORK/home/trace1"
end_settings
folder=$(sed -n 's|.*openat([^"]*"\(.*\)/lumorascr\.xml".*|\1|p' "$WORK/home/trace1" | head -n 1)
check "XScreenSaver's settings look for the hack's description" test -n "$folder"
if [ -n "$folder" ]; then
    echo "XScreenSaver's settings read hack descriptions from $folder"
    [ -d "$folder" ] || { mkdir -p "$folder" && made_folder=$folder; }
    placed=$folder/lumorascr.xml
    [ -e "$placed" ] && { backup=$WORK/saved.xml; cp -p "$placed" "$backup"; }
    cp "$root/usr/share/xscreensaver/config/lumorascr.xml" "$placed"
    chmod 644 "$placed"
    settings_traced "$WORK/home/trace2"
    check "they read the package's description" \
        grep -q "lumorascr\.xml\", O_RDONLY) = [0-9]" "$WORK/home/trace2"
    window=""
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --name "^XScreenSaver: " 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.2
    done
    sleep 2
    screenshot settings-pane >/dev/null
    # Its options, behind the pane's "Settings..." button.
    if [ -n "$window" ]; then
        read -r X Y WIDTH HEIGHT < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $4 }
            /Absolute upper-left Y/ { y = $4 } /Width:/ { w = $2 } /Height:/ { h = $2 }
            END { print x, y, w, h }')
        xdotool mousemove $((X + WIDTH * 795 / 1000)) $((Y + HEIGHT * 823 / 1000)) click 1
        sleep 2
        screenshot settings-options >/dev/null
    fi
    end_settings
fi
command_daemon -exit
finish
