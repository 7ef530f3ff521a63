#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for a bounded
# time. Usage: scripts/fuzz.sh [SECONDS per target, default 60] [target ...]
# New inputs go to build-fuzz/corpus/<target> (the seeds in fuzz/corpus stay
# as they are); a crash leaves its input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(raw_image video_reader soundtrack)
build=build-fuzz

cmake -S fuzz -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export SDL_AUDIODRIVER=dummy
failed=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  log="$build/$t.log"
  echo "== $t: ${seconds}s"
  if "$build/${t}_fuzz" "$build/corpus/$t" "fuzz/corpus/$t" -max_total_time="$seconds" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t/" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
    echo "   ok: $runs executions, $cov, corpus $(ls "$build/corpus/$t" | wc -l) files"
  else
    failed=1
    echo "   FOUND A FAULT; see $log and $build/artifacts/$t/"
    grep -m5 -E 'ERROR|SUMMARY|runtime error' "$log" || true
  fi
done
exit $failed
