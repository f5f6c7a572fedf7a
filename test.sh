#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test (the fuzz targets among them, for a
# bounded run each); builds and runs a program against the installed engine; then builds
# the threaded tests with ThreadSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

build=build/test
jobs=${JOBS:-$(nproc)}
# Line tables (-g1) are all the sanitizers' reports need, at a third less compile time
# than full debug information.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
      -DCMAKE_C_FLAGS_DEBUG="-g1 -O1" -DORVIK_SANITIZE=ON -DORVIK_WERROR=ON -DORVIK_FUZZ_JOBS="$jobs" >/dev/null
# The fuzz build (clang, a build of its own) first and alone, so that no more than $jobs
# compilers ever run at once.
if cmake --build "$build" --target help | grep '^engine_fuzz_build:' >/dev/null; then
  cmake --build "$build" -j "$jobs" --target engine_fuzz_build
fi
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest --output-on-failure -j "$jobs")

# A program written only against the public headers, built against the installed engine
# (not the source tree) once through its CMake package and once through pkg-config.
installed="$PWD/$build/installed"
rm -rf "$installed"
cmake --install "$build" --prefix "$installed" >/dev/null
cmake -S tests/install/public_api -B "$build/public_api" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_PREFIX_PATH="$installed" >/dev/null
cmake --build "$build/public_api" -j "$jobs"
orvik_pc() { PKG_CONFIG_PATH="$installed/lib/pkgconfig" pkg-config "$@" orvik; }
c++ -std=c++20 -g -O1 $(orvik_pc --cflags) tests/install/public_api/public_api_program.cpp \
    -o "$build/public_api/public_api_program_pc" $(orvik_pc --libs)
root=$PWD
scratch=$(mktemp -d)
for program in public_api_program public_api_program_pc; do
  (cd "$scratch" && ORVIK_HOST=headless "$root/$build/public_api/$program")
done
rm -rf "$scratch"

scripts/thread-check
