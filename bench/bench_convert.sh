#!/usr/bin/env bash
# vexalo-sync convert of a 5,000-line LRC file (UTF-8 with a mark, Hangul, word marks on every
# tenth line, an offset) into enhanced LRC, plain LRC and SRT, each as a whole run of the tool:
# start-up, reading, encoding detection, conversion and the safe write. Goal: under 50 ms. The
# tool's own start-up (vexalo-sync version) is timed beside it.
# Usage: bash bench/bench_convert.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=$build/cli/vexalo-sync
[ -x "$tool" ] || { echo "build vexalo-sync first ($tool)" >&2; exit 1; }
command -v hyperfine > /dev/null || { echo "needs hyperfine" >&2; exit 1; }
work=$(mktemp -d /tmp/vexalo-bench-convert-XXXXXX)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work/song.lrc" <<'PY'
import sys
def stamp(t, open_, close):
    return "%s%02d:%02d.%02d%s" % (open_, t // 6000, t // 100 % 60, t % 100, close)
lines = ["\ufeff[ar:\uac00\uc218]", "[ti:Long Song]", "[offset:+120]"]
i = 0
while len(lines) < 5000:
    t = 100 + i * 110
    if i % 10 == 0:
        lines.append(stamp(t, "[", "]") + stamp(t, "<", ">") + "\uc0ac\ub791\ud574\uc694 " +
                     stamp(t + 40, "<", ">") + "word number %d" % i)
    else:
        lines.append(stamp(t, "[", "]") + "\uc0ac\ub791\ud574\uc694 line of lyrics number %d" % i)
    i += 1
open(sys.argv[1], "w", encoding="utf-8", newline="\r\n").write("\n".join(lines) + "\n")
PY
ls -l "$work/song.lrc"
hyperfine -N -w 3 -r 30 \
  "$tool version" \
  "$tool convert $work/song.lrc -o $work/out.lrc --enhanced --force" \
  "$tool convert $work/song.lrc -o $work/plain.lrc --force" \
  "$tool convert $work/song.lrc -o $work/out.srt --force" 2>&1 | grep -E 'Benchmark|Time|Range'
echo "goal: each convert under 50 ms"
