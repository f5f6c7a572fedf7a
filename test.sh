#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test (the fuzz targets among them, for a
# bounded run each); then builds the threaded tests with ThreadSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

build=build/test
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
      -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DORVIK_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest --output-on-failure -j "$jobs")
scripts/thread-check
