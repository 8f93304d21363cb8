#!/usr/bin/env bash
# Inside an X server: runs the saver, the preview and the settings dialog of the program in
# folder $1 and takes screenshots into folder $2.
set -uo pipefail
demo=$1
shots=$2
shot() { import -window root "$shots/$1.png" && echo "  $shots/$1.png"; }

"$demo/lumorascr" /s &
saver=$!
sleep 3; shot saver-first-frame
sleep 10; shot saver-second-frame
xdotool key space
for _ in $(seq 50); do kill -0 $saver 2>/dev/null || break; sleep 0.1; done
kill $saver 2>/dev/null || true

xlogo -geometry 420x300+40+40 -bg '#d0d0d0' &
host_app=$!
sleep 1
host=$(xdotool search --sync --class xlogo | head -n 1)
"$demo/lumorascr" /p "$host" &
preview=$!
sleep 2; shot preview-in-host
kill $host_app 2>/dev/null || true
sleep 1
kill $preview 2>/dev/null || true

"$demo/lumorascr" /c &
dialog=$!
sleep 2; shot settings-dialog
kill $dialog 2>/dev/null || true
wait 2>/dev/null || true
