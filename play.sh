#!/usr/bin/env bash
# Installs what is missing, builds VANTORIX in Release, makes the game's data and starts
# the game in a window from the data folder. ESC or closing the window quits.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps

build=build/play
jobs=${JOBS:-$(nproc)}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVIK_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target VANTORIX game_data
cd "$build/game_data"
ORVIK_HOST=sdl exec ./VANTORIX
