#!/usr/bin/env bash
# Disk full: on a small tmpfs that cannot hold a second copy of the song, in-place `embed` and
# `set-tags` must fail with exit 1 and a reason that says the disk is full, leave the song as it
# was and leave nothing else behind. Needs to mount a tmpfs (root); skipped with a message where
# that is not allowed.
# Usage: tools/ci_diskfull.sh [path/to/vexalo-sync]
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:-build/cli/vexalo-sync}")

work=$(mktemp -d /tmp/vexalo-diskfull-XXXXXX)
mnt="$work/disk"
mkdir "$mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rm -rf "$work"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=6m tmpfs "$mnt" 2>/dev/null; then
  echo "ci_diskfull: skipped: cannot mount a tmpfs here (needs root)"
  exit 0
fi

# A song of 4 MB on a 6 MB disk: the rewrite's second copy does not fit.
fixture=tests/fixtures/stereo_44k.mp3
: > "$work/song.mp3"
while [ "$(stat -c %s "$work/song.mp3")" -lt $((4 * 1024 * 1024)) ]; do cat "$fixture" >> "$work/song.mp3"; done
printf '\xa2\xe200000512\xa2\xd0\r\nfirst line\r\n' > "$work/lyrics.snc"

check() {
  local name=$1
  shift
  cp "$work/song.mp3" "$mnt/song.mp3"
  local before used status=0
  before=$(sha256sum < "$mnt/song.mp3")
  used=$(df --output=used "$mnt" | tail -1)
  "$tool" "$@" > "$work/out" 2> "$work/err" || status=$?
  if [ "$status" -ne 1 ]; then
    echo "ci_diskfull: $name exited $status, not 1" >&2
    cat "$work/err" >&2
    exit 1
  fi
  if ! grep -q "No space left on device" "$work/err"; then
    echo "ci_diskfull: $name did not say why:" >&2
    cat "$work/err" >&2
    exit 1
  fi
  if [ "$(sha256sum < "$mnt/song.mp3")" != "$before" ]; then
    echo "ci_diskfull: $name changed the song" >&2
    exit 1
  fi
  if [ "$(ls -A "$mnt")" != "song.mp3" ] || [ "$(df --output=used "$mnt" | tail -1)" != "$used" ]; then
    echo "ci_diskfull: $name left something behind: $(ls -A "$mnt")" >&2
    exit 1
  fi
  echo "ci_diskfull: $name on a full disk: exit 1, \"$(tr '\n' ' ' < "$work/err" | sed 's/ *$//')\"; song intact, nothing left"
}

check "embed in place" embed "$mnt/song.mp3" "$work/lyrics.snc" -o "$mnt/song.mp3" --force
check "set-tags" set-tags "$mnt/song.mp3" --title "Full Disk"
