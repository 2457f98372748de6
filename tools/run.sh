#!/usr/bin/env bash
# Sets up, builds and starts the editor. Arguments are passed on (e.g. an MP3 file to open).
# Without a display it starts the window inside a virtual X server (xvfb-run) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the editor inside xvfb-run (invisible; Ctrl+C ends it)." >&2
  echo "For the command-line tool, see: build/cli/vexalo-sync --help" >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/app/vexalo-caption "$@"
fi
exec build/app/vexalo-caption "$@"
