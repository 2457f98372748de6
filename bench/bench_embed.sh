#!/usr/bin/env bash
# vexalo-sync embed on a 100 MB MP3 against cp of the same file, and the peak memory the embed
# needs beyond the tool's own start-up. The file is made in /tmp at run time from a fixture's
# audio repeated to 100 MB. Both embeds write the SYLT and USLT frames beside the TXXX frame (the
# default); the second reads its lyrics from an LRC file. Goals: within 1.5x of cp, peak memory
# growth under 10 MB.
# Usage: bash bench/bench_embed.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/cli/vexalo-sync
[ -x "$tool" ] || { echo "build vexalo-sync first ($tool)" >&2; exit 1; }
work=$(mktemp -d /tmp/vexalo-bench-embed-XXXXXX)
trap 'rm -rf "$work"' EXIT

audio=$root/tests/fixtures/stereo_44k.mp3
size=$(stat -c %s "$audio")
copies=$(( (100 * 1024 * 1024 + size - 1) / size ))
for _ in $(seq "$copies"); do cat "$audio"; done > "$work/big.mp3"
ls -l "$work/big.mp3"
# About 28 KB of lyrics, close to the largest block a SyncMP3 file can carry.
/usr/bin/python3 - "$work/lyrics.snc" "$work/lyrics.lrc" <<'PY'
import sys
out = bytearray()
i = 0
while len(out) < 28000:
    out += b"\xa2\xe2%02d%02d%02d%02d\xa2\xd0\r\n" % (0, (i // 60) % 100, i % 60, i % 100)
    out += b"line of lyrics number %d\r\n" % i
    i += 1
open(sys.argv[1], "wb").write(out)
lrc = bytearray()
for i in range(len(out) // 40):
    lrc += b"[%02d:%02d.%02d]line of lyrics number %d\r\n" % ((i // 60) % 100, i % 60, i % 100, i)
    if len(lrc) > 24000:
        break
open(sys.argv[2], "wb").write(lrc)
PY

runs=11
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_of() {  # command... -> seconds of one run
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
# Alternate the two, each after a sync: the embed flushes its file to disk before it renames
# it, and must not also wait for the writeback of the copy made just before.
cp_times=() embed_times=() lrc_times=()
for _ in $(seq $runs); do
  sync
  cp_times+=("$(time_of cp "$work/big.mp3" "$work/copy.mp3")")
  sync
  embed_times+=("$(time_of "$tool" embed "$work/big.mp3" "$work/lyrics.snc" -o "$work/out.mp3" --force)")
  sync
  lrc_times+=("$(time_of "$tool" embed "$work/big.mp3" "$work/lyrics.lrc" -o "$work/lrc.mp3" --force)")
done
cp_s=$(printf '%s\n' "${cp_times[@]}" | median)
embed_s=$(printf '%s\n' "${embed_times[@]}" | median)
lrc_s=$(printf '%s\n' "${lrc_times[@]}" | median)
printf 'cp:    median %.3f s over %d runs\n' "$cp_s" "$runs"
printf 'embed: median %.3f s over %d runs (TXXX, SYLT, USLT: %s)\n' "$embed_s" "$runs" \
  "$("$tool" extract "$work/out.mp3" --format lrc | wc -l) lines"
printf 'embed of the LRC file: median %.3f s\n' "$lrc_s"
printf 'ratio embed / cp: %.2f, LRC %.2f (goal <= 1.5)\n' "$(echo "$embed_s / $cp_s" | bc -l)" \
  "$(echo "$lrc_s / $cp_s" | bc -l)"

if command -v hyperfine > /dev/null; then
  # cp into a temporary file and mv over the target: the same safe replace the embed does.
  hyperfine -w 2 -r 10 --prepare sync "cp $work/big.mp3 $work/copy.mp3" \
    "cp $work/big.mp3 $work/.tmp.mp3 && mv $work/.tmp.mp3 $work/copymv.mp3" \
    "$tool embed $work/big.mp3 $work/lyrics.snc -o $work/out.mp3 --force" 2>&1 | grep -E 'Benchmark|Time|faster' || true
fi

peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}'; }
base_kb=$(peak "$tool" version)
embed_kb=$(peak "$tool" embed "$work/big.mp3" "$work/lyrics.snc" -o "$work/out.mp3" --force)
printf 'peak memory: start-up %d KB, embed %d KB, growth %d KB (goal < 10240)\n' \
  "$base_kb" "$embed_kb" $((embed_kb - base_kb))

[ -x "$build/bench/bench_embed" ] && "$build/bench/bench_embed" "$work/big.mp3" "$work/inproc.mp3" 5
