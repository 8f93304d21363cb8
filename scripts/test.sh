#!/usr/bin/env bash
# Sets everything up, checks the tree, builds both programs and the Debian package and runs
# every test: the core and platform suites natively (Qt offscreen and on Xvfb), the Windows
# build's suites under Wine, and the end-to-end runs of both programs and of the package.
# Prints the test runner's summary.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# Each stage's heading says how long the run has taken so far.
step() { printf '\n== %s  [%dm%02ds]\n' "$*" $((SECONDS / 60)) $((SECONDS % 60)); }

step "Installing packages"
timeout 1800 bash scripts/setup.sh || exit 1
step "Checking the tree (case clashes, the README's commands, the icons)"
bash scripts/check-tree.sh || exit 1
step "Building"
bash scripts/build.sh || exit 1
step "Packaging (build/linux/lumorascr_*_amd64.deb)"
timeout 600 cmake --build build/linux --target package >build/linux/package.log 2>&1 ||
    { tail -n 30 build/linux/package.log; exit 1; }
step "Preparing Wine (Japanese locale, prefix in .cache/wine)"
( . scripts/wine-env.sh ) || exit 1
trap '. "$root/scripts/wine-env.sh" >/dev/null 2>&1; timeout 30 wineserver -k >/dev/null 2>&1 || true' EXIT

# The generated Japanese locale is visible to the native tests too (the weekday names).
export LOCPATH="$root/.cache/locale"

step "Running the tests"
LUMORA_TEST_ARTIFACTS="$root/build/test-artifacts" \
    timeout 3000 bash scripts/with-x.sh \
    ctest --test-dir build/linux --output-on-failure --timeout 600 "$@"
rc=$?
echo "Screenshots and logs of the end-to-end runs: build/test-artifacts/"
printf 'Whole run: %dm%02ds\n' $((SECONDS / 60)) $((SECONDS % 60))
exit $rc
