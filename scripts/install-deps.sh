#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Lumora needs.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache git
  libsdl2-dev libepoxy-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 libegl1
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libvorbis-dev libkissfft-dev libimgui-dev
  libstb-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  unar glslang-tools ffmpeg
  libassimp-dev assimp-testmodels
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
echo "installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
