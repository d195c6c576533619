#!/usr/bin/env bash
# Installs the Debian packages the engine, its tests and the sample game need.
# Quick and silent when everything is already there. With arguments, installs
# those packages instead.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  libsdl1.2-dev libsdl-mixer1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev zlib1g-dev libvorbis-dev libjpeg-dev liblua5.1-0-dev libfontconfig-dev libfreetype-dev libx11-xcb-dev libxcb-sync-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
  fonts-dejavu-core xvfb xdotool x11-utils patchelf strace
)
if [ $# -gt 0 ]; then packages=("$@"); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
