#!/usr/bin/env bash
# Sets everything up, checks the tree, builds both programs, the Debian package and the Windows
# download and installer, and runs every test: the core and platform suites natively (Qt
# offscreen and on Xvfb), the same suites and the fuzz targets under the sanitizers, the Windows
# build's suites under Wine, and the end-to-end runs of both programs and of both packages.
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

# The core and platform suites again, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (build/sanitize); then every fuzz target over its checked-in corpus
# and a short fuzzing run from a fixed seed. Any finding fails the run.
step "Building with the sanitizers (clang, build/sanitize)"
sanitized=0
timeout 1200 cmake --preset sanitize -DLUMORA_WERROR=ON >/dev/null &&
    timeout 1800 cmake --build build/sanitize -j"$(nproc)" \
        --target core_tests platform_tests fuzz_holiday_rules fuzz_command_line \
        fuzz_settings_file fuzz_picture_list fuzz_picture || sanitized=1
if [ $sanitized -eq 0 ]; then
    step "Running the suites under the sanitizers, replaying and fuzzing the fuzz targets"
    timeout 1500 bash scripts/with-x.sh \
        ctest --test-dir build/sanitize --output-on-failure --timeout 600 \
        -R '^(core_tests|platform_tests|platform_tests_offscreen|fuzz_.*)$' || sanitized=1
fi

step "Running the tests"
LUMORA_TEST_ARTIFACTS="$root/build/test-artifacts" \
    timeout 3000 bash scripts/with-x.sh \
    ctest --test-dir build/linux --output-on-failure --timeout 600 "$@"
rc=$?
echo "Screenshots and logs of the end-to-end runs: build/test-artifacts/"
[ $sanitized -eq 0 ] || { echo "The sanitizer stage failed (see above)."; [ $rc -ne 0 ] || rc=1; }
printf 'Whole run: %dm%02ds\n' $((SECONDS / 60)) $((SECONDS % 60))
exit $rc
