#!/usr/bin/env bash
# Builds the Linux program (build/linux) and, unless --linux-only, the Windows one (build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
werror=ON
linux_only=0
for a in "$@"; do
    case "$a" in
        --linux-only) linux_only=1 ;;
        --no-werror) werror=OFF ;;
    esac
done
timeout 1200 cmake --preset linux -DLUMORA_WERROR=$werror >/dev/null
timeout 1800 cmake --build build/linux -j"$jobs"
if [ $linux_only -eq 0 ]; then
    timeout 1200 cmake --preset windows -DLUMORA_WERROR=$werror >/dev/null
    timeout 1800 cmake --build build/windows -j"$jobs"
fi
