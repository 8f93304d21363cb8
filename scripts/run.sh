#!/usr/bin/env bash
# Sets everything up, builds the Linux program and runs the saver with the bundled sample
# pictures: on $DISPLAY when there is one, otherwise under Xvfb, leaving screenshots in
# out/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
timeout 1800 bash scripts/setup.sh
bash scripts/build.sh --linux-only

# A program folder of its own: the program, the holiday file, the samples and a picture list.
demo="$root/out/demo"
mkdir -p "$demo"
cp build/linux/lumorascr "$demo/"
cp data/Calender.dat "$demo/"
bash scripts/make-samples.sh "$demo/samples" >/dev/null
{
    printf '[Image]\r\n'
    n=0
    for f in "$demo"/samples/*; do
        n=$((n + 1))
        name=$(basename "$f")
        printf '%d=True\t%s\t%s/\t%s\t%s/\r\n' "$n" "$name" "$demo/samples" "$name" "$demo/samples"
    done
    printf 'Count=%d\r\n' "$n"
} >"$demo/LumoraScr.ini"

# Japanese weekday names in the clock when no Japanese locale is set.
case "${LANG:-}" in ja_JP*) ;; *) . scripts/ja-locale.sh ;; esac
if [ -n "${DISPLAY:-}" ]; then
    echo "Starting the saver on $DISPLAY: press a key or move the mouse to end it."
    exec "$demo/lumorascr" /s
fi
shots="$root/out/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
echo "No display: running under Xvfb; screenshots go to $shots"
LUMORA_SCREEN=${LUMORA_SCREEN:-1280x720x24} bash scripts/with-x.sh bash scripts/demo-shots.sh "$demo" "$shots"
ls -1 "$shots"
