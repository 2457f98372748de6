#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, then the same core tests under AddressSanitizer
# with UndefinedBehaviorSanitizer and the playback tests under ThreadSanitizer.
# VEXALO_QUICK=1 skips the sanitizer builds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/check_layers.sh
bash tools/setup.sh
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

if [ "${VEXALO_QUICK:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXALO_SANITIZE=address \
    -DVEXALO_BUILD_GUI=OFF -DVEXALO_BUILD_BENCH=OFF
  cmake --build build-asan -j "$jobs"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXALO_SANITIZE=thread \
    -DVEXALO_BUILD_GUI=OFF -DVEXALO_BUILD_BENCH=OFF
  cmake --build build-tsan -j "$jobs" --target test_playback
  if [ -x build-tsan/tests/test_playback ]; then
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/test_playback
  fi
  bash tools/fuzz.sh "codec decode sync_table sync_text" 20  # libFuzzer harnesses, 20 s each on their corpora
fi
