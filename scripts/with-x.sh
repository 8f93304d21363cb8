#!/usr/bin/env bash
# Runs a command inside one Xvfb server with openbox as window manager (1024x768 unless
# LUMORA_SCREEN says otherwise). With --keep-display and a $DISPLAY already set, runs it there.
set -euo pipefail
if [ "${1:-}" = "--keep-display" ]; then
    shift
    if [ -n "${DISPLAY:-}" ]; then exec "$@"; fi
fi
screen=${LUMORA_SCREEN:-1024x768x24}
exec xvfb-run -a -s "-screen 0 ${screen} -nolisten tcp" bash -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
    "$@"; rc=$?
    kill $wm 2>/dev/null || true
    exit $rc' with-x "$@"
