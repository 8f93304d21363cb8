# Sourced after lib.sh: a headless sway compositor of its own with two outputs, HEADLESS-1
# (1280x720 at 0,0, scale 1) and HEADLESS-2 (1024x768 at 1280,0, scale 2), no input devices,
# no XWayland. sway refuses to run as root: a root run starts it as nobody, in a runtime folder
# owned by nobody, and root's clients connect through that folder. Skipped (exit 77) without
# sway. sway_start exports WAYLAND_DISPLAY and XDG_RUNTIME_DIR and SWAYSOCK; sway_stop (also
# run on exit) ends it and waits until it is gone.

SWAY_PID=
SWAY_OUTPUTS="HEADLESS-1 HEADLESS-2"

sway_config() {
    cat <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x720 position 0 0 scale 1
output HEADLESS-2 resolution 1024x768 position 1280 0 scale 2
default_border none
CONF
}

# The prefix that runs a command as the compositor's user (nobody when the tests run as root).
SWAY_AS_USER=()
[ "$(id -u)" = 0 ] && SWAY_AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)

sway_start() {
    command -v sway >/dev/null && command -v grim >/dev/null ||
        { echo "skipped: sway and grim are needed"; exit 77; }
    local run=$WORK/sway-run home=$WORK/sway-home
    mkdir -p "$run" "$home"
    chmod 0700 "$run"
    [ "$(id -u)" = 0 ] && chown 65534:65534 "$run" "$home" && chmod o+x "$WORK"
    sway_config >"$home/config"
    "${SWAY_AS_USER[@]}" env -i XDG_RUNTIME_DIR="$run" HOME="$home" PATH=/usr/bin:/bin \
        WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_RENDERER=pixman sway -c "$home/config" >"$ARTIFACTS/sway.log" 2>&1 &
    SWAY_PID=$!
    trap 'sway_stop; cleanup' EXIT
    export XDG_RUNTIME_DIR=$run
    local i sock
    for i in $(seq 150); do
        sock=$(ls "$run" 2>/dev/null | grep -m1 '^wayland-[0-9]*$')
        [ -n "$sock" ] && [ -S "$run/$sock" ] && ls "$run"/sway-ipc.* >/dev/null 2>&1 && break
        kill -0 "$SWAY_PID" 2>/dev/null || break
        sock=
        sleep 0.2
    done
    [ -n "$sock" ] || { echo "FAILED: sway did not start (see sway.log)"; exit 1; }
    export WAYLAND_DISPLAY=$sock
    SWAYSOCK=$(ls "$run"/sway-ipc.* | head -n 1)
    export SWAYSOCK
    wait_until 10 sway_outputs_are "$SWAY_OUTPUTS" ||
        { echo "FAILED: sway shows no two outputs"; exit 1; }
}

sway_stop() {
    if [ -n "$SWAY_PID" ]; then
        kill "$SWAY_PID" 2>/dev/null
        ends_within "$SWAY_PID" 10 || kill -9 "$SWAY_PID" 2>/dev/null
        wait "$SWAY_PID" 2>/dev/null
    fi
    SWAY_PID=
}

# The active outputs' names, sorted, one line.
sway_outputs() {
    swaymsg -t get_outputs -r 2>/dev/null |
        python3 -c 'import json,sys; print(" ".join(sorted(o["name"] for o in json.load(sys.stdin) if o["active"])))'
}
sway_outputs_are() { [ "$(sway_outputs)" = "$1" ]; }

# Screenshot of output $2 into $ARTIFACTS/$1.png; sets SHOT.
output_shot() { SHOT=$ARTIFACTS/$1.png; grim -o "$2" "$SHOT" 2>/dev/null; }
