# Shared by the end-to-end scripts: run inside an X server with a window manager (see
# scripts/with-x.sh). Arguments of every script: the Linux build folder, the Windows build folder.
set -uo pipefail
E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
LINUX_BUILD=${1:-$E2E_ROOT/build/linux}
WINDOWS_BUILD=${2:-}
E2E_NAME=$(basename "$0" .sh)
ARTIFACTS=${LUMORA_TEST_ARTIFACTS:-$E2E_ROOT/build/test-artifacts}/$E2E_NAME
mkdir -p "$ARTIFACTS"
WORK=$(mktemp -d "/tmp/lumora-$E2E_NAME.XXXXXX")
# Each run has its own per-user and system settings folders, so no test sees another's list.
export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/xdg
# The program is a Wayland client wherever a compositor runs; these runs test it on their own
# X server unless they start a compositor of their own (sway_lib.sh).
unset WAYLAND_DISPLAY
PASSED=0
FAILED=0
BACKGROUND=()

cleanup() {
    for p in "${BACKGROUND[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT

[ -n "${DISPLAY:-}" ] || { echo "skipped: no X display"; exit 77; }
# Both programs run under a Japanese locale, as on the systems the interface is made for.
. "$E2E_ROOT/scripts/ja-locale.sh"

ok() { PASSED=$((PASSED + 1)); echo "ok: $*"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $*"; }
check() { local what=$1; shift; if "$@" >/dev/null; then ok "$what"; else fail "$what"; fi; }
finish() {
    echo "$E2E_NAME: $PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}

have_windows_build() { [ -n "$WINDOWS_BUILD" ] && [ -f "$WINDOWS_BUILD/LumoraScr.scr" ]; }

# A program folder of its own for the Linux program: $1 folder; the picture list from the
# remaining arguments (picture files).
make_linux_folder() {
    local dir=$1; shift
    mkdir -p "$dir"
    cp "$LINUX_BUILD/lumorascr" "$dir/"
    cp "$E2E_ROOT/data/Calender.dat" "$dir/"
    write_list "$dir/LumoraScr.ini" / "$@"
}

make_windows_folder() {
    local dir=$1; shift
    mkdir -p "$dir"
    cp "$WINDOWS_BUILD/LumoraScr.scr" "$WINDOWS_BUILD/Calender.dat" "$dir/"
    write_list "$dir/LumoraScr.ini" '\' "$@"
}

# Writes a settings file listing the pictures; Windows paths go through Z: as Wine maps them.
write_list() {
    local file=$1 sep=$2; shift 2
    {
        printf '[Image]\r\nCount=%d\r\n' $#
        local i=0 f folder name
        for f in "$@"; do
            i=$((i + 1))
            folder=$(dirname "$f"); name=$(basename "$f")
            if [ "$sep" = '\' ]; then folder="Z:${folder//\//\\}"; fi
            printf '%d=True\t%s\t%s%s\t%s\t%s%s\r\n' $i "$name" "$folder" "$sep" "$name" "$folder" "$sep"
        done
    } >"$file"
}

wine_start() { # runs a Windows program in the background; sets LAST_PID
    ( . "$E2E_ROOT/scripts/wine-env.sh"; exec wine "$@" ) >>"$ARTIFACTS/wine.log" 2>&1 &
    LAST_PID=$!
    BACKGROUND+=("$LAST_PID")
}

start_bg() { "$@" >>"$ARTIFACTS/program.log" 2>&1 & LAST_PID=$!; BACKGROUND+=("$LAST_PID"); }

# Waits up to $2 seconds (default 5) for process $1 to end.
ends_within() {
    local pid=$1 limit=${2:-5} i
    for i in $(seq $((limit * 10))); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
still_running() { kill -0 "$1" 2>/dev/null; }

# Runs the command "$2..." every 0.2 s until it succeeds, for up to $1 seconds.
wait_until() {
    local limit=$1 i; shift
    for i in $(seq $((limit * 5))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}

# Windows can vanish while a query walks them: xdotool and xwininfo then stop with an X error
# (BadWindow). Such a failed query says nothing, so the helpers below ask again, and a window
# whose own query fails is gone.

# Waits up to $2 seconds for a window whose title is exactly $1; prints its id.
wait_window() {
    local title=$1 limit=${2:-10} i id
    for i in $(seq $((limit * 5))); do
        id=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

# Waits up to $2 seconds for a window of class $1; prints its id.
wait_class() {
    local class=$1 limit=${2:-10} i id
    for i in $(seq $((limit * 5))); do
        id=$(xdotool search --onlyvisible --class "$class" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

window_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# The whole window tree, asked again while a vanishing window spoils the walk.
window_tree() {
    local i out
    for i in 1 2 3 4 5; do
        out=$(xwininfo -root -tree 2>/dev/null) && { echo "$out"; return 0; }
        sleep 0.1
    done
    return 1
}

screenshot() { import -window root "$ARTIFACTS/$1.png" 2>/dev/null; echo "$ARTIFACTS/$1.png"; }

# Takes screenshot $1 until the test "$3..." holds for it (the file's path is in $SHOT), for up
# to $2 seconds; prints the path of the last one.
wait_screen() {
    local name=$1 limit=$2 i; shift 2
    local end=$((SECONDS + limit))
    for i in $(seq 1000); do
        SHOT=$(screenshot "$name")
        "$@" >/dev/null 2>&1 && break
        [ $SECONDS -ge $end ] && break
        sleep 0.3
    done
    echo "$SHOT"
}

# True when screenshot $SHOT has at least $4 pixels close to R,G,B ($2) within $3 in WxH+X+Y ($1).
shows_colour() { [ "$(count_colour "$SHOT" "$1" "$2" "$3")" -ge "$4" ]; }

# Counts pixels of $1 inside the rectangle WxH+X+Y ($2) close to the colour R,G,B ($3) within $4.
count_colour() {
    local shot=$1 geometry=$2 rgb=$3 tolerance=${4:-40}
    convert "$shot" -crop "$geometry" +repage -depth 8 txt:- 2>/dev/null |
        sed -n 's/^[0-9]*,[0-9]*: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
        awk -v want="$rgb" -v tol="$tolerance" '
            BEGIN { split(want, w, ",") }
            { d = 0; for (i = 1; i <= 3; i++) { x = $i - w[i]; d += x < 0 ? -x : x } if (d <= tol) n++ }
            END { print n + 0 }'
}

# The Debian package of the Linux build; made when missing or older than the programs, so that
# a test run on its own checks a new one. Prints its path (empty when it could not be made).
package_file() {
    local version deb
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$LINUX_BUILD/CMakeCache.txt")
    deb=$LINUX_BUILD/lumorascr_${version}_amd64.deb
    if [ ! -f "$deb" ] || [ "$LINUX_BUILD/lumorascr" -nt "$deb" ] ||
        [ "$LINUX_BUILD/lumora-tool" -nt "$deb" ]; then
        cmake --build "$LINUX_BUILD" --target package >"$ARTIFACTS/package.log" 2>&1
    fi
    [ -f "$deb" ] && echo "$deb"
}
