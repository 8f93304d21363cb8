#!/usr/bin/env bash
# Runs a command with every core kept busy beside it: one spinning process per core, ended when
# the command ends and in any case after LUMORA_LOAD_LIMIT seconds (default 1800).
# Example: bash scripts/under-load.sh bash scripts/with-x.sh ctest --test-dir build/linux -R e2e_
set -uo pipefail
limit=${LUMORA_LOAD_LIMIT:-1800}
burners=()
for _ in $(seq "$(nproc)"); do
    timeout "$limit" sh -c 'while :; do :; done' &
    burners+=($!)
done
stop() { for p in "${burners[@]}"; do kill "$p" 2>/dev/null; done; }
trap stop EXIT
"$@"
