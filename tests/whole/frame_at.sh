# --frame-at renders one frame without display or sound, as PNG or raw.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
unset DISPLAY
"$QUARNEL" --frame-at 130000 --out "$WORK/f.raw" || fail "raw frame failed"
[[ $(stat -c %s "$WORK/f.raw") == 307200 ]] || fail "raw size $(stat -c %s "$WORK/f.raw")"
cmp -s "$WORK/f.raw" <(head -c 307200 /dev/zero) || fail "the frame after the programme is not black"
"$QUARNEL" --frame-at 1000 --out "$WORK/f.png" || fail "png frame failed"
head -c 8 "$WORK/f.png" | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a' || fail "not a PNG"
"$QUARNEL" --frame-at -5 --out "$WORK/x.raw" 2>"$WORK/err" && fail "a negative time was accepted"
grep -q -- "--frame-at needs" "$WORK/err" || fail "message: $(cat "$WORK/err")"
"$QUARNEL" --frame-at 10 --out /nonexistent/dir/f.raw 2>"$WORK/err" && fail "an unwritable file was accepted"
grep -q "could not write" "$WORK/err" || fail "message: $(cat "$WORK/err")"
echo "ok"
