#!/usr/bin/env bash
# Builds the demo's web page into build-web/site/ and serves it at
# http://127.0.0.1:8320/ (Ctrl+C stops the server):
#   ./web.sh [--port N]    build and serve
#   ./web.sh --build       only build
# The same C++ as the native program, compiled with Emscripten; the C
# libraries it links are built once from Debian's sources (scripts/web-libs.sh).
set -euo pipefail
cd "$(dirname "$0")"
build_only=0
port=8320
while [[ $# -gt 0 ]]; do
  case "$1" in
    --build) build_only=1 ;;
    --port) port=${2:?--port needs a number}; shift ;;
    *) echo "usage: $0 [--build] [--port N]" >&2; exit 1 ;;
  esac
  shift
done

scripts/install-deps.sh web
export NODE_PATH=/usr/share/nodejs
# The default data set comes from the native generator, always the same bytes.
[[ -f build/CMakeCache.txt ]] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=OFF -DQUARNEL_BENCH=OFF >/dev/null
cmake --build build -j2 --target data >/dev/null
scripts/web-libs.sh
[[ -f build-web/wasm/CMakeCache.txt ]] || emcmake cmake -S . -B build-web/wasm -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web/wasm -j2

# The site: page, module, the fonts the native build draws its text with
# (what fontconfig resolves "Arial", "Arial Black" and other names to) and
# the default data. files.json gives the loading bar the sizes to expect.
site=build-web/site
rm -rf "$site.new"
mkdir -p "$site.new/data" "$site.new/fonts"
cp web/index.html web/style.css web/player.js build-web/wasm/quarnel.js build-web/wasm/quarnel.wasm "$site.new/"
for name in code.mp3 quarnel.avi tunnel.raw credits.raw velina.raw; do cp "build/data/$name" "$site.new/data/"; done
cp /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf \
  /usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  "$site.new/fonts/"
(cd "$site.new" && find data fonts -type f -printf '"%p": %s\n' | paste -sd, | sed 's/^/{/; s/$/}/') >"$site.new/files.json"
rm -rf "$site"
mv "$site.new" "$site"
echo "site: $site ($(du -sh "$site" | cut -f1))"

[[ $build_only -eq 1 ]] && exit 0
echo "serving http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port"
