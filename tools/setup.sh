#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need (as root, or via sudo).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libwxgtk3.2-dev libmad0-dev libid3tag0-dev
  zlib1g-dev libsdl2-dev libsoundtouch-dev libgtest-dev fonts-nanum xvfb xauth xdotool imagemagick lame sox mpg123
  madplay ffmpeg python3-mutagen python3-numpy python3-pil hyperfine ccache libuchardet-dev
  clang libclang-rt-14-dev dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
