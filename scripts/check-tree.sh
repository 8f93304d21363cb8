#!/usr/bin/env bash
# Checks of the tree itself, before anything is built: no two paths that differ only in case
# (a checkout on a case-insensitive disk would lose one), every command of the README's "Using
# it" is run verbatim by CI or a test, and the committed icons are what make-icon.py draws.
set -uo pipefail
cd "$(dirname "$0")/.."
failed=0

pairs=$(git ls-files | sort -f | uniq -Di)
if [ -n "$pairs" ]; then
    echo "Paths that differ only in case:"; echo "$pairs"; failed=1
fi

# The lines of the ```sh blocks of "## Using it", each looked for in the scripts and the tests.
while IFS= read -r command; do
    grep -rqF --exclude=check-tree.sh -- "$command" scripts tests .ci ||
        { echo "README command run by no script or test: $command"; failed=1; }
done < <(awk '/^## / { section = ($0 == "## Using it") }
              section && /^```sh$/ { inside = 1; next } /^```/ { inside = 0 }
              section && inside && NF' README.md)

icons=$(mktemp -d)
python3 scripts/make-icon.py "$icons/LumoraScr.ico" "$icons"
same=1
cmp -s "$icons/LumoraScr.ico" src/platform/win32/LumoraScr.ico || same=0
for size in 16 32 48 256; do
    cmp -s "$icons/lumorascr-$size.png" "packaging/icons/lumorascr-$size.png" || same=0
done
[ $same -eq 1 ] || { echo "The icons differ from what scripts/make-icon.py draws"; failed=1; }
rm -rf "$icons"

[ $failed -eq 0 ] && echo "tree: no case clashes, README commands all run, icons as drawn"
exit $failed
