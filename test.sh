#!/usr/bin/env bash
# Installs what is missing, builds every target with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the fuzz targets for a bounded time and
# then every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup
jobs=$(nproc)

export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

# libFuzzer targets need clang; they build into a folder of their own.
cmake -S . -B build/fuzz -G Ninja -DDW_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs"
(cd build/fuzz && ctest --output-on-failure -j "$jobs" -L fuzz)

cmake -S . -B build/test -G Ninja -DDW_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/test -j "$jobs"
cd build/test
ctest --output-on-failure -j "$jobs" --timeout 600
