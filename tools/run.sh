#!/usr/bin/env bash
# Sets up, builds and starts the editor (or, without a window to show, the command-line tool's help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -x build/app/vexalo-caption ]; then
  exec build/app/vexalo-caption "$@"
fi
exec build/cli/vexalo-sync --help
