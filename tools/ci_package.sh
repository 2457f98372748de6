#!/usr/bin/env bash
# CI: builds the Debian package from build/ (made by tools/test.sh), installs it with apt, runs
# both programs from their installed paths, and removes the package again. As root, or via sudo.
# A vexalo-caption package that was installed before is left alone: then only the package is built.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
fail() {
  echo "ci_package: $*" >&2
  exit 1
}

[ -f build/CPackConfig.cmake ] || fail "build/ is not configured; run tools/test.sh first"
rm -f build/vexalo-caption_*.deb
(cd build && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
deb=build/vexalo-caption_${version}_amd64.deb
[ -f "$deb" ] || fail "cpack wrote no $deb"
echo "ci_package: $deb, Depends: $(dpkg-deb -f "$deb" Depends)"

# The package must carry both programs, the skin, the help, the desktop entry and the icon, and
# depend on the libraries the programs link and on the Hangul font.
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/vexalo-caption ./usr/bin/vexalo-sync ./usr/share/vexalo-caption/skin/143.png \
  ./usr/share/vexalo-caption/help/index.html ./usr/share/applications/vexalo-caption.desktop \
  ./usr/share/icons/hicolor/256x256/apps/vexalo-caption.png; do
  grep -qx "$path" <<<"$contents" || fail "$deb lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libmad0 libid3tag0 libsdl2 libwxgtk3.2 fonts-nanum; do
  grep -q "$lib" <<<"$depends" || fail "Depends has no $lib: $depends"
done

if dpkg-query -W -f='${Status}' vexalo-caption 2>/dev/null | grep -q "install ok installed"; then
  echo "ci_package: vexalo-caption is installed on this machine already; not installing over it"
  exit 0
fi

remove() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq vexalo-caption >/dev/null
}
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
trap remove EXIT

fixture=$PWD/tests/fixtures/stereo_44k.mp3
config=$(mktemp -d)
# Away from the checkout, so that nothing is found relative to it.
(
  cd /
  /usr/bin/vexalo-sync version
  /usr/bin/vexalo-sync decode "$fixture" | grep -q . || fail "installed vexalo-sync decodes nothing"
  out=$(SDL_AUDIODRIVER=dummy VEXALO_CONFIG_DIR=$config xvfb-run -a -s "-screen 0 1280x1024x24" \
    /usr/bin/vexalo-caption --self-test decode-screenshot "$fixture" 2>&1) || fail "installed window self-test failed: $out"
  grep -q "resources from /usr/share/vexalo-caption$" <<<"$out" || fail "installed window did not use /usr/share/vexalo-caption: $out"
)
rm -rf "$config"

trap - EXIT
remove
[ ! -e /usr/bin/vexalo-caption ] && [ ! -e /usr/bin/vexalo-sync ] || fail "the programs are still there after removal"
echo "ci_package: built, installed, ran and removed in $(($(date +%s) - started)) s"
