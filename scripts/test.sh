#!/usr/bin/env bash
# Builds and runs the whole test suite three times: a normal optimised build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DEKX_BUILD_BENCH=ON
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure -j"$jobs"
bash scripts/python_tests.sh build/release   # the Python package against the Release library

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DEKX_SANITIZE=ON -DEKX_BUILD_BENCH=OFF -DEKX_BUILD_DEMO=OFF
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
bash scripts/fuzz.sh

# The Windows DLLs and every test, cross-built with mingw-w64 and run under Wine.
bash scripts/windows.sh build/windows
