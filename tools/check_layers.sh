#!/usr/bin/env bash
# Checks the include graph between top-level folders: every `#include "folder/..."` must point to
# a lower layer (or, between two engine folders, one way only), and no folders may form a cycle.
# Layers, low to high: common <- engines and formats <- commands <- form <- app, cli (and the
# tests, benchmarks and fuzzers above them all). Exit 1 with the offending includes listed.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer=(
  [common]=0
  [decode]=1 [playback]=1 [sync]=1 [syncmp3]=1 [tags]=1 [lyrics]=1
  [commands]=2
  [form]=3
  [app]=4 [cli]=4
  [tests]=5 [bench]=5 [fuzz]=5
)

# The tree's sources: git's list in a checkout (build folders left out by .gitignore), else find.
sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files --cached --others --exclude-standard -- '*.h' '*.hpp' '*.c' '*.cc' '*.cpp'
  else
    find . -path './build*' -prune -o -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' \
      -o -name '*.cpp' \) -print | sed 's|^\./||'
  fi
}

# "from to file:line" for every include of another top-level folder's header.
edges=$(sources |
  while IFS= read -r file; do
    from=${file%%/*}
    [ "$from" != "$file" ] && [ -f "$file" ] || continue
    { grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z0-9_]+/' "$file" || true; } |
      sed -E 's|^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([A-Za-z0-9_]+)/.*|\2 \1|' |
      while read -r to line; do
        [ "$to" != "$from" ] && [ -d "$to" ] && echo "$from $to $file:$line"
      done
  done)

status=0
unknown=$( (echo "$edges" | awk 'NF {print $1; print $2}'; sources | awk -F/ 'NF > 1 {print $1}') |
  sort -u | while read -r dir; do [ -n "${layer[$dir]+x}" ] || echo "$dir"; done)
if [ -n "$unknown" ]; then
  echo "check_layers: folders without a layer (add them to tools/check_layers.sh):" $unknown >&2
  status=1
fi

while read -r from to where; do
  [ -n "$from" ] || continue
  [ -n "${layer[$from]+x}" ] && [ -n "${layer[$to]+x}" ] || continue
  if [ "${layer[$to]}" -gt "${layer[$from]}" ]; then
    echo "check_layers: $where: $from/ includes $to/, a higher layer" >&2
    status=1
  fi
done <<<"$edges"

# A cycle between folders (two engine folders that include each other, or longer rings).
pairs=$(echo "$edges" | awk 'NF {print $1, $2}' | sort -u)
if [ -n "$pairs" ] && ! loop=$(echo "$pairs" | tsort 2>&1 >/dev/null); then
  echo "check_layers: the folders include each other in a cycle:" >&2
  echo "$loop" | grep -v 'input contains a loop' | sed 's/^tsort: /  /' >&2
  while read -r a b; do
    if grep -qx "$b $a" <<<"$pairs"; then
      echo "$edges" | awk -v a="$a" -v b="$b" '$1 == a && $2 == b {print "  " $3 ": " a "/ includes " b "/"}' >&2
    fi
  done <<<"$pairs"
  status=1
fi

[ "$status" -eq 0 ] && echo "check_layers: $(echo "$pairs" | grep -c .) folder dependencies, no cycle, none upward"
exit "$status"
