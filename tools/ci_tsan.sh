#!/usr/bin/env bash
# Every core test binary (not the window tests) built and run under ThreadSanitizer.
# Usage: tools/ci_tsan.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXALO_SANITIZE=thread \
  -DVEXALO_BUILD_GUI=OFF -DVEXALO_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs"
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j "$jobs")
