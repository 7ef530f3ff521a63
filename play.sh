#!/usr/bin/env bash
# Installs what is missing, builds, writes the default data that data/ lacks, and plays the demo.
# Options are passed on to the program (see ./play.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target quarnel quarnel-data
build/quarnel-data data
exec build/quarnel "$@"
