#!/usr/bin/env bash
# The window's figures under a virtual X server: launch to frame shown (the splash takes 2 s),
# how soon the window answers while a 10-minute song decodes, and peak memory with it loaded.
# Usage: bash bench/bench_gui.sh [BUILD_DIR]   (default: build; RUNS=5 launches)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-5}
program=$(realpath "$build/app/vexalo-caption")
[ -x "$program" ] || { echo "missing $program: build the project first" >&2; exit 1; }
export SDL_AUDIODRIVER=dummy

song=/tmp/vexalo-bench-10min.mp3
if [ ! -s "$song" ]; then
  wav=$(mktemp /tmp/vexalo-bench-XXXXXX.wav)
  sox -n -r 44100 -b 16 -c 2 "$wav" synth 600 pinknoise gain -8
  lame --quiet --noreplaygain -b 128 -m j "$wav" "$song"
  rm -f "$wav"
fi

echo "launch to frame shown, $runs runs:"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for i in $(seq 1 "$1"); do
    start=$(date +%s%N)
    log=$(mktemp)
    VEXALO_REPORT_SHOWN=1 "$0" >"$log" 2>/dev/null &
    pid=$!
    until grep -q frame-shown "$log"; do sleep 0.005; done
    echo "  $(( ($(date +%s%N) - start) / 1000000 )) ms"
    kill $pid; wait $pid 2>/dev/null || true
    rm -f "$log"
  done' "$program" "$runs"

echo "while $song decodes:"
VEXALO_SELFTEST_LIMIT=300 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$program" --self-test bench-latency "$song" 2>/dev/null | grep -v "^self-test" | sed 's/^/  /'
