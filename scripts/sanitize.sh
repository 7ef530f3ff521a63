#!/usr/bin/env bash
# The sanitizer run of CI: everything built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan, then
#   - every unit test (tests/*_test.cpp), among them the headless render of
#     every 7th millisecond of the whole programme (app_render_all_test);
#   - the whole-program tests that need no screen and no real time: the
#     bad-input matrix, single frames and the golden frames (which also prove
#     that the sanitized build draws the same bytes).
# Any sanitizer report fails the run. The whole-program tests that drive a
# window under Xvfb are timed against a real display and stay in ./test.sh:
# the sanitized binary is several times slower, and the X and GL libraries
# it loads leak at exit in ways that are not ours.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan

# Float-to-integer conversions out of range are undefined too, and not part
# of -fsanitize=undefined: every truncation of the effects is checked.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_SANITIZE=ON -DQUARNEL_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=float-cast-overflow -fno-sanitize-recover=float-cast-overflow" >/dev/null
cmake --build "$build" -j2

# halt_on_error with -fno-sanitize-recover: the first report ends the process
# with a failure status, so a test cannot pass over it.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QUARNEL_RENDER_STEP=7

ctest --test-dir "$build" -j2 --output-on-failure --timeout 900 -E '^whole_'

export QUARNEL="$PWD/$build/quarnel" BUILD_DIR="$PWD/$build" SDL_AUDIODRIVER=dummy
for script in tests/whole/bad_input*.sh tests/whole/golden_frames.sh; do
  [[ -f "$script" ]] || continue
  echo "== sanitized: $script"
  bash "$PWD/$script"
done
echo "sanitizer run: clean"
