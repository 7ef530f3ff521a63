# --frame-at renders one frame without display or sound, as PNG or raw.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
unset DISPLAY
"$QUARNEL" --frame-at 130000 --out "$WORK/f.raw" || fail "raw frame failed"
[[ $(stat -c %s "$WORK/f.raw") == 307200 ]] || fail "raw size $(stat -c %s "$WORK/f.raw")"
cmp -s "$WORK/f.raw" <(head -c 307200 /dev/zero) || fail "the frame after the programme is not black"
# The PNG holds the raw frame's colours, red, green and blue in that order.
"$QUARNEL" --frame-at 1000 --out "$WORK/f.png" || fail "png frame failed"
"$QUARNEL" --frame-at 1000 --out "$WORK/f1.raw" || fail "raw frame failed"
ffmpeg -v error -i "$WORK/f.png" -f rawvideo -pix_fmt bgr0 -y "$WORK/png.bgr0" || fail "not a PNG"
cmp -s <(od -An -v -tx1 -w4 "$WORK/f1.raw" | cut -c1-9) <(od -An -v -tx1 -w4 "$WORK/png.bgr0" | cut -c1-9) ||
  fail "the PNG's colours differ from the raw frame's"
echo "ok"
