#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=ON -DQUARNEL_BENCH=ON >/dev/null
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 300
