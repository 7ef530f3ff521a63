#!/usr/bin/env bash
# Installs the Debian packages Quarnel needs, if any are missing:
#   scripts/install-deps.sh play   what building and playing need
#   scripts/install-deps.sh web    that, and what building the web page needs (web.sh)
#   scripts/install-deps.sh test   all of these, and what the tests and benchmarks need (the default)
set -euo pipefail

# The X core fonts are what SDL's X11 message box draws its text with.
packages=(
  build-essential cmake pkg-config
  libsdl2-dev libmpg123-dev libhwy-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2
  libmp3lame-dev libpng-dev xfonts-base
)
# The web page: Emscripten (which needs node-acorn), Debian's source packages
# through apt-get source (dpkg-dev), the fonts the page ships, and Chromium
# with npm for the page's tests.
web=(emscripten node-acorn dpkg-dev xz-utils python3 fonts-dejavu-core chromium npm)
case "${1:-test}" in
  play) ;;
  web) packages+=("${web[@]}") ;;
  test) packages+=("${web[@]}" googletest libgtest-dev libbenchmark-dev libx11-dev xvfb xauth xdotool x11-utils ffmpeg procps) ;;
  *) echo "usage: $0 [play|test|web]" >&2; exit 1 ;;
esac

missing=()
for p in "${packages[@]}"; do
  # A node.js from elsewhere brings its own npm, which Debian's would fight.
  [[ "$p" == npm ]] && command -v npm >/dev/null && continue
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
