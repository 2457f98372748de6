#!/usr/bin/env bash
# Decoding speed and memory: `vexalo-sync decode` on a 10-minute 44.1 kHz 128 kbit/s stereo MP3,
# against the bare libmad loop (bench_decode_bare, the floor) and `mpg123 -s`.
# The three run in turn, RUNS times each, so that load from elsewhere falls on all of them alike;
# the summary gives mean and best wall time, best CPU time (user + system) and peak RSS.
# Usage: bash bench/bench_decode.sh [BUILD_DIR]   (default: build; RUNS=7 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-7}
tool=$build/cli/vexalo-sync
bare=$build/bench/bench_decode_bare
for p in "$tool" "$bare"; do
  [ -x "$p" ] || { echo "missing $p: build the project first" >&2; exit 1; }
done
for p in sox lame mpg123; do
  command -v "$p" >/dev/null || { echo "missing program: $p" >&2; exit 1; }
done

song=/tmp/vexalo-bench-10min.mp3
if [ ! -s "$song" ]; then
  wav=$(mktemp /tmp/vexalo-bench-XXXXXX.wav)
  # Pink noise has a music-like spectrum, so the Huffman and synthesis work is not trivial.
  sox -n -r 44100 -b 16 -c 2 "$wav" synth 600 pinknoise gain -8
  lame --quiet --noreplaygain -b 128 -m j "$wav" "$song"
  rm -f "$wav"
fi
echo "song: $song ($(stat -c %s "$song") bytes), $runs runs each"
"$tool" decode "$song" | sed 's/^/  /'

results=$(mktemp /tmp/vexalo-bench-XXXXXX.txt)
trap 'rm -f "$results"' EXIT
run() {  # name command...
  local name=$1
  shift
  /usr/bin/time -f "$name %e %U %S %M" "$@" 2>>"$results" >/dev/null
}
"$bare" "$song" >/dev/null  # warm the page cache
for _ in $(seq "$runs"); do
  run bare-libmad "$bare" "$song"
  run vexalo-sync "$tool" decode "$song"
  run mpg123 mpg123 -q -s "$song"
done

/usr/bin/python3 - "$results" <<'PY'
import sys
rows = {}
for line in open(sys.argv[1]):
    f = line.split()
    if len(f) == 5 and f[0] in ("bare-libmad", "vexalo-sync", "mpg123"):
        rows.setdefault(f[0], []).append((float(f[1]), float(f[2]) + float(f[3]), int(f[4])))
def stats(name):
    r = rows[name]
    return sum(x[0] for x in r) / len(r), min(x[0] for x in r), min(x[1] for x in r), max(x[2] for x in r)
b = stats("bare-libmad")
print(f"{'':12s} {'mean wall':>9s} {'best wall':>9s} {'best cpu':>8s} {'peak RSS':>10s}   ratio to bare libmad (mean / best wall / best cpu)")
for name in ("bare-libmad", "vexalo-sync", "mpg123"):
    s = stats(name)
    print(f"{name:12s} {s[0]:8.3f}s {s[1]:8.3f}s {s[2]:7.3f}s {s[3]/1024:7.1f} MiB   "
          f"{s[0]/b[0]:5.3f}x / {s[1]/b[1]:5.3f}x / {s[2]/b[2]:5.3f}x")
PY
