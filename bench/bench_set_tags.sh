#!/usr/bin/env bash
# set-tags on a 100 MB MP3 against cp of the same file. The file is made in /tmp at run time:
# a tag with a picture in front of the fixture's audio repeated to 100 MB. Prints both times
# (median of several runs) and their ratio; the goal is set-tags within 1.5x of cp.
# Usage: bash bench/bench_set_tags.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/cli/vexalo-sync
[ -x "$tool" ] || { echo "build vexalo-sync first ($tool)" >&2; exit 1; }
work=$(mktemp -d /tmp/vexalo-bench-tags-XXXXXX)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$root/tests/fixtures" "$work/big.mp3" <<'PY'
import sys
fixtures, out = sys.argv[1], sys.argv[2]
tagged = open(fixtures + "/tags_v23_full.mp3", "rb").read()
b = tagged[6:10]
size = 10 + ((b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3])
audio = open(fixtures + "/stereo_44k.mp3", "rb").read()
with open(out, "wb") as f:
    f.write(tagged[:size])
    written = size
    while written < 100 * 1024 * 1024:
        f.write(audio)
        written += len(audio)
PY
ls -l "$work/big.mp3"

runs=7
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_of() {  # command... -> seconds
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.6f\n", b - a}'
}

cp "$work/big.mp3" "$work/edit.mp3"
cp_times=$(for i in $(seq $runs); do time_of cp "$work/big.mp3" "$work/copy.mp3"; done | median)
tag_times=$(for i in $(seq $runs); do time_of "$tool" set-tags "$work/edit.mp3" --title "Run $i" --genre 17; done | median)
"$tool" tags "$work/edit.mp3" | head -2
printf 'cp of 100 MB:        %.3f s\n' "$cp_times"
printf 'set-tags on 100 MB:  %.3f s\n' "$tag_times"
awk -v t="$tag_times" -v c="$cp_times" 'BEGIN {printf "ratio set-tags / cp: %.2f\n", t / c}'
