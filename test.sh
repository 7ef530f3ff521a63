#!/usr/bin/env bash
# Installs what is missing, builds everything (the web page too) and runs the
# whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=ON -DQUARNEL_BENCH=ON -DQUARNEL_WEB_TESTS=ON >/dev/null
cmake --build build -j2
# The web page, and puppeteer-core to drive Debian's Chromium through its tests.
./web.sh --build
(cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)
ctest --test-dir build -j2 --output-on-failure --timeout 300
