# Frames at fixed music times and frame-counter states keep their exact bytes,
# with the kernels' SIMD forms at the best target this processor runs, at the
# lowest SIMD target (QUARNEL_SIMD=baseline) and in their plain forms.
# After an intended change, tests/golden/regenerate.sh rewrites the list.
source "$(dirname "$0")/lib/common.sh"
list="$(dirname "$0")/../golden/frames.txt"
cd "$BUILD_DIR"
unset DISPLAY
failed=0
checked=0
for simd in "" baseline plain; do
  while read -r ms counter sum; do
    [[ -z "$ms" || "$ms" == \#* ]] && continue
    QUARNEL_SIMD=$simd ./quarnel --frame-at "$ms" --frame-counter "$counter" --out "$WORK/f.raw" >/dev/null ||
      fail "frame $ms failed"
    got=$(md5sum <"$WORK/f.raw" | cut -d' ' -f1)
    checked=$((checked + 1))
    if [[ "$got" != "$sum" ]]; then
      echo "frame at $ms ms (counter $counter, QUARNEL_SIMD=$simd): $got, expected $sum" >&2
      failed=$((failed + 1))
    fi
  done <"$list"
done
[[ $failed -eq 0 ]] || fail "$failed of $checked golden frames changed"
echo "ok: $checked frames"
