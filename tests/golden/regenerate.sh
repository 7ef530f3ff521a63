#!/usr/bin/env bash
# Rewrites tests/golden/frames.txt from the current build. Run it only when a
# change to the pictures is intended, and say why in the commit:
#   tests/golden/regenerate.sh build
# Each line: music time, frame counter, md5 of the 307200-byte raw frame.
# The frames are rendered from the default data set in BUILD/data.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
list="$here/frames.txt"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
grep -v '^#' "$list" | while read -r ms counter _; do
  [[ -n "$ms" ]] || continue
  (cd "$build" && ./quarnel --frame-at "$ms" --frame-counter "$counter" --out "$tmp/f.raw" >/dev/null)
  echo "$ms $counter $(md5sum <"$tmp/f.raw" | cut -d' ' -f1)"
done >"$tmp/new"
{ grep '^#' "$list"; cat "$tmp/new"; } >"$tmp/all"
mv "$tmp/all" "$list"
echo "wrote $(wc -l <"$tmp/new") frames to $list"
