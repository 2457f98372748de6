#!/usr/bin/env bash
# Decoding speed and memory: `vexalo-sync decode` on a 10-minute 44.1 kHz 128 kbit/s stereo MP3,
# against the bare libmad loop (bench_decode_bare, the floor) and `mpg123 -s`.
# Usage: bash bench/bench_decode.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool=$build/cli/vexalo-sync
bare=$build/bench/bench_decode_bare
for p in "$tool" "$bare"; do
  [ -x "$p" ] || { echo "missing $p: build the project first" >&2; exit 1; }
done
for p in sox lame mpg123 hyperfine; do
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
echo "song: $song ($(stat -c %s "$song") bytes)"

json=$(mktemp /tmp/vexalo-bench-XXXXXX.json)
hyperfine --warmup 1 --runs "${RUNS:-7}" --export-json "$json" \
  -n bare-libmad "$bare $song" \
  -n vexalo-sync "$tool decode $song" \
  -n mpg123 "mpg123 -q -s $song"

rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
echo
echo "peak RSS (KiB): bare-libmad $(rss "$bare" "$song"), vexalo-sync $(rss "$tool" decode "$song"), mpg123 $(rss mpg123 -q -s "$song")"
/usr/bin/python3 - "$json" <<'PY'
import json, sys
res = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
def cpu(x):  # user + system time of each run: less disturbed by other load than wall time
    return min(u + s for u, s in zip(x["user"], x["system"])) if "user" in x and isinstance(x["user"], list) else x["user"] + x["system"]
b = res["bare-libmad"]
print(f"{'':12s} {'mean wall':>10s} {'min wall':>9s} {'min cpu':>8s}   ratios to bare libmad (mean / min / cpu)")
for name in ("bare-libmad", "vexalo-sync", "mpg123"):
    x = res[name]
    print(f"{name:12s} {x['mean']*1000:8.1f}ms {x['min']*1000:7.1f}ms {cpu(x)*1000:6.1f}ms   "
          f"{x['mean']/b['mean']:5.3f}x / {x['min']/b['min']:5.3f}x / {cpu(x)/cpu(b):5.3f}x")
PY
rm -f "$json"
