#!/usr/bin/env bash
# The README's way for a user: install the package with its apt-get command, run its commands,
# and purge the package again (answering apt-get's question as a person would), so the machine
# is left as it was. Skipped when the package is installed already or apt-get cannot be run.
. "$(dirname "$0")/lib.sh"
if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
    echo "skipped: installing needs root or sudo without a password"; exit 77
fi
command -v sudo >/dev/null || { echo "skipped: sudo is not installed"; exit 77; }
if dpkg-query -W -f='${Status}' lumorascr 2>/dev/null | grep -q 'install ok installed'; then
    echo "skipped: lumorascr is installed on this machine; it is left alone"; exit 77
fi
deb=$(package_file)
check "the package is the one the README names" test "$(basename "$deb")" = lumorascr_1.0.0_amd64.deb

purge() {
    if dpkg-query -W -f='${Status}' lumorascr 2>/dev/null | grep -q 'install ok'; then
        echo y | sudo apt-get purge lumorascr >>"$ARTIFACTS/apt.log" 2>&1
    fi
    cleanup
}
trap purge EXIT

cd "$E2E_ROOT" || exit 1
if [ "$LINUX_BUILD" -ef build/linux ]; then cd build/linux; else cd "$LINUX_BUILD"; fi
echo y | sudo apt-get install ./lumorascr_1.0.0_amd64.deb >"$ARTIFACTS/apt.log" 2>&1
check "apt-get installs the package" test "$(command -v lumorascr)" = /usr/bin/lumorascr
cd "$WORK" || exit 1
check "lumorascr --help names the installed rules" \
    bash -c 'lumorascr --help | grep -qF "holiday rules  /usr/share/lumorascr/Calender.dat"'
holidays=$(lumora-tool holidays 2026-01-01 2026-12-31)
check "lumora-tool lists the year's holidays" grep -qx "2026-05-06,振替休日" <<<"$holidays"
check "the installed rules pass their check" lumora-tool check-rules /usr/share/lumorascr/Calender.dat
check "the XScreenSaver description is installed" test -f /usr/share/xscreensaver/config/lumorascr.xml
# The README's copy of the autostart entry, in a home of the test's own.
(
    export HOME=$WORK/home
    mkdir -p ~/.config/autostart
    cp /usr/share/lumorascr/autostart/lumorascr.desktop ~/.config/autostart/
)
check "the autostart entry copies into ~/.config/autostart" \
    desktop-file-validate "$WORK/home/.config/autostart/lumorascr.desktop"
echo y | sudo apt-get purge lumorascr >>"$ARTIFACTS/apt.log" 2>&1
check "apt-get purges it again" bash -c '! dpkg-query -W -f="\${Status}" lumorascr 2>/dev/null | grep -q "install ok"'
check "and nothing of it is left" test ! -e /usr/bin/lumorascr -a ! -e /usr/share/lumorascr
finish
