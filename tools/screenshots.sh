#!/usr/bin/env bash
# Takes screenshots of the editor's main states under a virtual X server and writes them to
# docs/ for the README: no song, the whole waveform after decoding, the window view while
# playing, and the tag editor open; then the states the window tests reach, into build/screens.
# Needs a built build/app/vexalo-caption.
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/app/vexalo-caption
song=tests/fixtures/stereo_44k.mp3
[ -x "$program" ] || { echo "build the program first (cmake --build build)" >&2; exit 1; }
mkdir -p docs
export SDL_AUDIODRIVER=dummy

shoot() {  # pose output [file]
  local pose=$1 out=$2 file=${3:-}
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    log=$(mktemp)
    "$0" --self-test "$1" $3 >"$log" 2>/dev/null &
    pid=$!
    for _ in $(seq 1 200); do grep -q "^ready" "$log" && break; sleep 0.1; done
    read -r _ x y w h < <(grep "^ready" "$log")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$2"
    wait $pid || true
    rm -f "$log"' "$program" "$pose" "$out" "$file"
  echo "wrote $out"
}

shoot pose-empty docs/screenshot-empty.png
shoot pose-whole docs/screenshot-whole-view.png "$song"
shoot pose-window-playing docs/screenshot-window-playing.png "$song"
shoot pose-tag-editor docs/screenshot-tag-editor.png "$song"

# The states the window tests reach, for a person to look at (not for the README):
# build/screens/TEST/*.png, taken where each test holds or names a picture.
long=tests/fixtures/long_44k.mp3
for entry in user-view-menu:$song cursor-stamps:$long pause-readouts:$long slider-drag-stopped:$long \
             open-clears-readouts:$long slider-drag-playing:$long live-panel-stamp:$song \
             help-windows-close: editor-wraps-long-lines: controls-fit-texts:$song hangul-file-name:$song \
             tag-editor-hangul:$song keyboard-shortcuts: text-open-encoding:; do
  test=${entry%%:*} file=${entry#*:}
  out=build/screens/$test
  rm -rf "$out" && mkdir -p "$out"
  if VEXALO_SELFTEST_SHOTS=$PWD/$out VEXALO_SELFTEST_HOLD=1 \
     xvfb-run -a -s "-screen 0 1280x1024x24" "$program" --self-test "$test" $file >/dev/null 2>&1; then
    echo "wrote $out ($(ls "$out" | wc -l) pictures)"
  else
    echo "self-test $test failed; its pictures are in $out" >&2
  fi
done
