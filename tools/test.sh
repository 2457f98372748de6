#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite and the kill -9 and disk-full checks of in-place
# rewrites, then the same core tests under AddressSanitizer with UndefinedBehaviorSanitizer and
# under ThreadSanitizer, and the fuzzers on their corpora.
# VEXALO_QUICK=1 skips the sanitizer builds and the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/check_layers.sh
bash tools/setup.sh
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")
bash tools/ci_crash.sh build/cli/vexalo-sync 20
bash tools/ci_diskfull.sh build/cli/vexalo-sync

if [ "${VEXALO_QUICK:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXALO_SANITIZE=address \
    -DVEXALO_BUILD_GUI=OFF -DVEXALO_BUILD_BENCH=OFF
  cmake --build build-asan -j "$jobs"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")
  bash tools/ci_tsan.sh "$jobs"
  bash tools/fuzz.sh all 20  # every libFuzzer harness, 20 s each on its corpus, two at a time
fi
