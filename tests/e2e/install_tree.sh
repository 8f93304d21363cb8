#!/usr/bin/env bash
# The build installed as a developer would, with the README's command under a home of its own
# and with DESTDIR and a prefix: every file in place, and the installed tool reads its own
# tree's holiday rules from any folder.
. "$(dirname "$0")/lib.sh"

installed_files() { # $1 the installed prefix
    local path
    for path in bin/lumorascr bin/lumora-tool share/lumorascr/Calender.dat \
        share/man/man6/lumorascr.6.gz share/man/man1/lumora-tool.1.gz \
        share/applications/lumorascr-settings.desktop \
        share/applications/screensavers/lumorascr.desktop \
        share/xscreensaver/config/lumorascr.xml share/doc/lumorascr/copyright \
        share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/lumorascr.png; do
        [ -f "$1/$path" ] || { echo "missing: $1/$path"; return 1; }
    done
    [ "$(readlink -f "$1/libexec/xscreensaver/lumorascr")" = "$(readlink -f "$1/bin/lumorascr")" ]
}
year=$(date +%Y)
reads_its_own_rules() { # $1 the installed prefix
    printf 'FIX,12,24,点検の日\r\n' >>"$1/share/lumorascr/Calender.dat"
    local out
    out=$(cd / && "$1/bin/lumora-tool" holidays "$year-01-01" "$year-12-31") &&
        grep -qx "$year-01-01,元日" <<<"$out" && grep -qx "$year-12-24,点検の日" <<<"$out"
}

export HOME=$WORK/home
mkdir -p "$HOME"
cd "$E2E_ROOT" || exit 1
if [ "$LINUX_BUILD" -ef build/linux ]; then
    cmake --install build/linux --prefix ~/.local >"$ARTIFACTS/install.log" 2>&1
else
    cmake --install "$LINUX_BUILD" --prefix ~/.local >"$ARTIFACTS/install.log" 2>&1
fi
check "--prefix: every file is installed" installed_files "$HOME/.local"
check "--prefix: the tool reads the installed rules" reads_its_own_rules "$HOME/.local"

DESTDIR=$WORK/stage cmake --install "$LINUX_BUILD" --prefix /opt/lumorascr >>"$ARTIFACTS/install.log" 2>&1
check "DESTDIR: every file is installed" installed_files "$WORK/stage/opt/lumorascr"
check "DESTDIR: the tool reads the staged rules" reads_its_own_rules "$WORK/stage/opt/lumorascr"
finish
