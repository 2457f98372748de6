#!/usr/bin/env bash
# Crash consistency of in-place rewrites: kills `vexalo-sync embed` (in place) and `set-tags`
# with SIGKILL at random moments on a file of some tens of MB and checks each time that the file
# holds exactly its old or its new content and that nothing else is left in its folder, except,
# after a kill in the instant between linking and renaming, the complete new copy under its hidden
# temporary name, which the next writer into the folder must remove.
# Usage: tools/ci_crash.sh [path/to/vexalo-sync] [runs per command]
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:-build/cli/vexalo-sync}")
runs=${2:-20}
megabytes=${VEXALO_CRASH_MB:-40}

work=$(mktemp -d /tmp/vexalo-crash-XXXXXX)
trap 'rm -rf "$work"' EXIT
dir="$work/song"
mkdir "$dir"

# A long song made of the fixture's frames, with an ID3v2.3 tag in front.
fixture=tests/fixtures/stereo_44k.mp3
: > "$work/base.mp3"
while [ "$(stat -c %s "$work/base.mp3")" -lt $((megabytes * 1024 * 1024)) ]; do
  cat "$fixture" "$fixture" "$fixture" "$fixture" "$fixture" "$fixture" "$fixture" "$fixture" >> "$work/base.mp3"
done
"$tool" set-tags "$work/base.mp3" --title "Crash Test" --artist "Vexalo" >/dev/null
printf '\xa2\xe200000512\xa2\xd0\r\nfirst line\r\n\xa2\xe200011050\xa2\xd0\r\nsecond line\r\n' > "$work/lyrics.snc"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
digest() { sha256sum < "$1" | cut -d' ' -f1; }

# run NAME ARGS...: ARGS with @ for the file's path.
check_command() {
  local name=$1
  shift
  local args=() a
  local f="$dir/song.mp3"
  for a in "$@"; do args+=("${a//@/$f}"); done

  cp "$work/base.mp3" "$f"
  local old new start took
  old=$(digest "$f")
  start=$(now_ms)
  "$tool" "${args[@]}" >/dev/null
  took=$(($(now_ms) - start))
  new=$(digest "$f")
  if [ "$old" = "$new" ]; then
    echo "ci_crash: $name did not change the file" >&2
    exit 1
  fi

  local run killed_old=0 killed_new=0 finished=0 swept=0 pid status delay held left leftover
  for run in $(seq 1 "$runs"); do
    cp "$work/base.mp3" "$f"
    delay=$((RANDOM % (took * 11 / 10 + 1)))
    "$tool" "${args[@]}" >/dev/null 2>&1 &
    pid=$!
    sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))"
    kill -KILL "$pid" 2>/dev/null || true
    status=0
    wait "$pid" 2>/dev/null || status=$?
    held=$(digest "$f")
    left=$(ls -A "$dir")
    if [ "$left" != "song.mp3" ]; then
      # A writer killed between linking its finished file under a hidden name and renaming it
      # over the target leaves that complete copy; the next writer into the folder removes it.
      if [ "$(printf '%s\n' "$left" | grep -cvx 'song.mp3')" != 1 ] ||
         ! printf '%s\n' "$left" | grep -qx "\.song\.mp3\.vexalo-$pid-[A-Za-z0-9]\{6\}"; then
        echo "ci_crash: $name run $run (killed after ${delay} ms) left: $left" >&2
        exit 1
      fi
      leftover=$(printf '%s\n' "$left" | grep -vx 'song.mp3')
      if [ "$(digest "$dir/$leftover")" != "$new" ]; then
        echo "ci_crash: $name run $run (killed after ${delay} ms) left an incomplete $leftover" >&2
        exit 1
      fi
      "$tool" "${args[@]}" >/dev/null
      left=$(ls -A "$dir")
      if [ "$left" != "song.mp3" ]; then
        echo "ci_crash: $name: the next writer did not remove $leftover (left: $left)" >&2
        exit 1
      fi
      swept=$((swept + 1))
    fi
    if [ "$held" = "$old" ]; then
      [ "$status" -eq 137 ] || { echo "ci_crash: $name run $run ended ($status) without a change" >&2; exit 1; }
      killed_old=$((killed_old + 1))
    elif [ "$held" = "$new" ]; then
      if [ "$status" -eq 137 ]; then killed_new=$((killed_new + 1)); else finished=$((finished + 1)); fi
    else
      echo "ci_crash: $name run $run (killed after ${delay} ms): the file is neither the old nor the new content" >&2
      exit 1
    fi
  done
  echo "ci_crash: $name on $megabytes MB (${took} ms a run): $runs kills, old content $killed_old," \
    "new content $killed_new, finished first $finished; no file left" \
    "behind but a complete copy under its hidden name $swept times, each removed by the next writer"
}

check_command "embed in place" embed @ "$work/lyrics.snc" -o @ --force
check_command "set-tags" set-tags @ --title "Killed Title" --comment "written while being killed"
