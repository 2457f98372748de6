#!/usr/bin/env bash
# Playback benchmarks: CPU share of a whole-view playback under SDL's dummy driver at 1x (goal
# < 2% of one core) and at 0.5x through the time stretcher (goal < 10%), and the time to draw the
# window view on a memory canvas. Build first: cmake --build build --target
# bench_playback bench_draw_window
set -euo pipefail
cd "$(dirname "$0")/.."
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} build/bench/bench_playback "${1:-10}"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} build/bench/bench_playback "${1:-10}" 50
build/bench/bench_draw_window
