#!/usr/bin/env bash
# Installs the Debian packages Quarnel needs, if any are missing:
#   scripts/install-deps.sh play   what building and playing need
#   scripts/install-deps.sh test   that, and what the tests and benchmarks need (the default)
set -euo pipefail

# The X core fonts are what SDL's X11 message box draws its text with.
packages=(
  build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev libhwy-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2
  libmp3lame-dev libpng-dev xfonts-base
)
case "${1:-test}" in
  play) ;;
  test) packages+=(googletest libgtest-dev libbenchmark-dev libx11-dev xvfb xauth xdotool x11-utils ffmpeg procps) ;;
  *) echo "usage: $0 [play|test]" >&2; exit 1 ;;
esac

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
