#!/usr/bin/env bash
# Installs the Debian packages Quarnel needs to build, play and test, if any are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2
  libmp3lame-dev libpng-dev libx11-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils ffmpeg
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
