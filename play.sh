#!/usr/bin/env bash
# Installs what is missing, builds, writes the default data that data/ lacks, and plays the demo.
# Options are passed on to the program (see ./play.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh play
# A fresh build folder leaves out the tests and benchmarks (and what they need);
# one that ./test.sh set up keeps them.
flags=()
[[ -f build/CMakeCache.txt ]] || flags=(-DQUARNEL_TESTS=OFF -DQUARNEL_BENCH=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${flags[@]}" >/dev/null
cmake --build build -j2 --target quarnel quarnel-data
build/quarnel-data data
exec build/quarnel "$@"
