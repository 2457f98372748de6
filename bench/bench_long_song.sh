#!/usr/bin/env bash
# A 60-minute 44.1 kHz song: peak memory of `vexalo-sync decode` against 40 MB + 1.1 x the stored
# bytes, then (with the window built) how soon the window answers while it decodes (goal 50 ms).
# The song is six copies of the 10-minute benchmark song, one after the other.
# Usage: bash bench/bench_long_song.sh [BUILD_DIR]   (default: build; RUNS=3 decodes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-3}
tool=$build/cli/vexalo-sync
[ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 1; }

short=/tmp/vexalo-bench-10min.mp3
if [ ! -s "$short" ]; then
  wav=$(mktemp /tmp/vexalo-bench-XXXXXX.wav)
  sox -n -r 44100 -b 16 -c 2 "$wav" synth 600 pinknoise gain -8
  lame --quiet --noreplaygain -b 128 -m j "$wav" "$short"
  rm -f "$wav"
fi
song=/tmp/vexalo-bench-60min.mp3
[ -s "$song" ] || cat "$short" "$short" "$short" "$short" "$short" "$short" >"$song"
echo "song: $song ($(stat -c %s "$song") bytes)"

results=$(mktemp /tmp/vexalo-bench-XXXXXX.txt)
facts=$(mktemp /tmp/vexalo-bench-XXXXXX.txt)
trap 'rm -f "$results" "$facts"' EXIT
for _ in $(seq "$runs"); do
  /usr/bin/time -f "%e %U %S %M" "$tool" decode "$song" >"$facts" 2>>"$results"
done
sed 's/^/  /' "$facts"
/usr/bin/python3 - "$results" "$facts" <<'PY'
import sys
runs = [l.split() for l in open(sys.argv[1]) if len(l.split()) == 4]
stored = next(int(l.split()[1]) for l in open(sys.argv[2]) if l.startswith("storedBytes:"))
peak = max(int(r[3]) for r in runs) * 1024
goal = 40e6 + 1.1 * stored
print(f"decode: best wall {min(float(r[0]) for r in runs):.2f} s, best cpu "
      f"{min(float(r[1]) + float(r[2]) for r in runs):.2f} s")
print(f"peak RSS {peak / 1e6:.1f} MB; stored {stored / 1e6:.1f} MB; goal 40 MB + 1.1 x stored = "
      f"{goal / 1e6:.1f} MB: {'met' if peak < goal else 'NOT met'}")
PY

program=$build/app/vexalo-caption
if [ -x "$program" ]; then
  echo "window while $song decodes:"
  SDL_AUDIODRIVER=dummy VEXALO_SELFTEST_LIMIT=900 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$(realpath "$program")" --self-test bench-latency "$song" 2>/dev/null | grep -v "^self-test" | sed 's/^/  /'
fi
