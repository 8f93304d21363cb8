#!/usr/bin/env bash
# Two Windows saves of the list at once, from two Wine prefixes (whose processes have the same
# ids): every save succeeds, and the file ends up holding one of the two lists whole.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WINDOWS_BUILD=${2:-}
TESTS=$WINDOWS_BUILD/tests/platform_tests.exe
[ -n "$WINDOWS_BUILD" ] && [ -f "$TESTS" ] || { echo "skipped: no Windows build"; exit 77; }
WORK=$(mktemp -d /tmp/lumora-concurrent-saves.XXXXXX)
( . "$ROOT/scripts/wine-env.sh" ) # the shared prefix, made when missing
shared=$ROOT/.cache/wine
# The second prefix: the shared one's files linked, not copied, except the registry, which
# its own Wine server writes; that server is stopped before the prefix goes.
second=$WORK/prefix
cp -al "$shared" "$second"
for f in "$shared"/*.reg; do cp --remove-destination "$f" "$second/"; done
trap '( export WINEPREFIX=$second; . "$ROOT/scripts/wine-env.sh"; wineserver -k ) 2>/dev/null
      rm -rf "$WORK"' EXIT
mkdir "$WORK/list"
file="Z:${WORK//\//\\}\\list\\LumoraScr.ini"
pids=()
for tag in first second; do
    prefix=$shared; [ $tag = second ] && prefix=$second
    ( export WINEPREFIX=$prefix; . "$ROOT/scripts/wine-env.sh"
      LUMORA_SHARED_SAVE=$file LUMORA_SAVE_TAG=$tag exec timeout 240 wine "$TESTS" \
          --gtest_filter=Win32SharedSave.EverySaveSucceeds ) >"$WORK/$tag.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in 0 1; do
    tag=$([ $i = 0 ] && echo first || echo second)
    if wait "${pids[$i]}" && grep -q '^\[  PASSED  \] 1 test' "$WORK/$tag.log" &&
        ! grep -q SKIPPED "$WORK/$tag.log"; then
        echo "ok: every save from the $tag prefix succeeded"
    else
        echo "FAILED: the saves from the $tag prefix"; tail -20 "$WORK/$tag.log"; failed=1
    fi
done
# One list whole: 2000 entries, all of one tag, and nothing else beside the file.
if tr -d '\r' <"$WORK/list/LumoraScr.ini" | awk -F= '
        $1 == "Count" { count = $2 } $1 ~ /^[0-9]+$/ { split($2, v, " "); tags[v[1]]++; n++ }
        END { t = 0; for (k in tags) t++; exit !(count == 2000 && n == 2000 && t == 1) }'; then
    echo "ok: the file holds one list whole"
else
    echo "FAILED: the file holds no one list whole"; head -3 "$WORK/list/LumoraScr.ini"; failed=1
fi
leftovers=$(ls "$WORK/list" | grep -c '^LumoraScr\.ini\.')
[ "$leftovers" -eq 0 ] && echo "ok: no leftover beside the file" ||
    { echo "FAILED: $leftovers leftovers beside the file"; failed=1; }
exit $failed
