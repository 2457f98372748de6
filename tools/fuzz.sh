#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (in build-fuzz) and runs them on their corpora.
#   tools/fuzz.sh NAME SECONDS    one harness (fuzz/fuzz_NAME.cpp) for SECONDS
#   tools/fuzz.sh all SECONDS     every harness for SECONDS each, two at a time
#   tools/fuzz.sh "A B" SECONDS   the harnesses named
# Seeds: fuzz/corpus/NAME (committed) and, for the harnesses that read MP3 files, tests/fixtures.
# New inputs go to build-fuzz/corpus/NAME. A crash, a leak, a hang (one input over 10 s) or a
# broken property stops that harness, keeps its input under build-fuzz/artifacts/NAME/ and makes
# the script exit 1. Each run's summary gives its executions, coverage (cov) and features (ft).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh NAME|all SECONDS" >&2
  exit 2
fi
seconds=$2

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXALO_BUILD_FUZZ=ON \
  -DVEXALO_BUILD_GUI=OFF -DVEXALO_BUILD_TESTS=OFF -DVEXALO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"

if [ "$1" = all ]; then
  names=$(cd fuzz && ls fuzz_*.cpp | sed -e 's/^fuzz_//' -e 's/\.cpp$//' | grep -vx support)
else
  names=$1
fi

# Per harness: the longest input worth trying, and whether the MP3 fixtures seed it.
options() {
  case $1 in
    codec) echo "-max_len=2048" ;;
    sync_text) echo "-max_len=4096" ;;
    sync_table) echo "-max_len=30720" ;;
    # The tag library allocates the inflated length a compressed frame declares (up to 4 GB) before
    # inflating; the pages are never touched, so only a real RSS growth counts for these two.
    syncmp3 | tag_writer) echo "-malloc_limit_mb=4200" ;;
    *) echo "" ;;
  esac
}
seeds() {
  echo "fuzz/corpus/$1"
  case $1 in syncmp3 | tag_writer | decode) echo tests/fixtures ;; esac
}

run() {
  local name=$1 program=build-fuzz/fuzz/fuzz_$1
  if [ ! -x "$program" ]; then
    echo "$name: no such harness ($program)" >&2
    return 1
  fi
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/artifacts/$name" "fuzz/corpus/$name"
  # shellcheck disable=SC2046
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$name/" $(options "$name") \
    "build-fuzz/corpus/$name" $(seeds "$name") >"build-fuzz/fuzz_$name.log" 2>&1
}

summary() {
  local name=$1 status=$2 log=build-fuzz/fuzz_$1.log
  local done execs
  done=$(sed -nE 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+(.*) exec\/s.*/\1/p' "$log" | tail -1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -eq 0 ]; then
    printf 'fuzz %-11s ok      %s execs, %s\n' "$name" "${execs:-?}" "${done:-?}"
  else
    printf 'fuzz %-11s FAILED  (exit %s) after %s execs; input kept in build-fuzz/artifacts/%s/\n' \
      "$name" "$status" "${execs:-?}" "$name"
    grep -E -A4 'property broken|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log" | head -20 | sed 's/^/  /'
  fi
}

failed=0
set -- $names
while [ $# -gt 0 ]; do
  # Two at a time: one per core.
  first=$1
  shift
  second=${1:-}
  [ -n "$second" ] && shift
  run "$first" &
  pid1=$!
  if [ -n "$second" ]; then
    run "$second" &
    pid2=$!
  fi
  status=0
  wait "$pid1" || status=$?
  summary "$first" "$status"
  [ "$status" -eq 0 ] || failed=1
  if [ -n "$second" ]; then
    status=0
    wait "$pid2" || status=$?
    summary "$second" "$status"
    [ "$status" -eq 0 ] || failed=1
  fi
done
exit "$failed"
