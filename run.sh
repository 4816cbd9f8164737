#!/usr/bin/env bash
# Installs what is missing, builds Dornwatch and starts it.
# Arguments are passed to dornwatch (for example --data DIR).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDW_TESTS=OFF -DDW_BENCH=OFF >/dev/null
cmake --build build/release --target dornwatch
exec build/release/dornwatch "$@"
