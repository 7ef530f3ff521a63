# --frames writes exactly the frames asked for, each byte for byte the frame
# --frame-at draws at its music time and frame-counter state, and the sound
# of the same span as audio.wav.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
unset DISPLAY

# Across the start of scene B at 67000 ms, where no flash can come: every
# frame equals --frame-at with the counter at 0.
"$QUARNEL" --frames "$WORK/a" --from 66800 --to 67200 --fps 30 >"$WORK/out" 2>"$WORK/err" ||
  fail "--frames failed: $(cat "$WORK/err")"
[[ ! -s "$WORK/out" ]] || fail "the effects' console lines reached standard output"
n=$(ls "$WORK/a" | grep -c '^frame-[0-9]\{6\}\.png$')
[[ $n == 12 ]] || fail "$n frames for 400 ms at 30 fps, expected 12: $(ls "$WORK/a")"
[[ ! -e "$WORK/a/frame-000012.png" ]] || fail "a frame past the end"
# Frames 0 ... COUNT-1 of FOLDER, from FROM ms at 30 fps, each as --frame-at draws it alone.
same_as_frame_at() {  # folder, from, count
  for ((i = 0; i < $3; i++)); do
    t=$(($2 + i * 1000 / 30))
    "$QUARNEL" --frame-at $t --out "$WORK/ref.png" >/dev/null || fail "--frame-at $t failed"
    cmp -s "$WORK/ref.png" "$1/$(printf 'frame-%06d.png' $i)" || fail "$1: frame $i differs from --frame-at $t"
  done
}
same_as_frame_at "$WORK/a" 66800 12
# 400 ms of 16-bit stereo at 44100 Hz after a 44-byte header.
[[ $(stat -c %s "$WORK/a/audio.wav") == $((44 + 17640 * 4)) ]] ||
  fail "audio.wav has $(stat -c %s "$WORK/a/audio.wav") bytes"

# The opening across 11000 ms, where the title card adds its late lines: a
# run draws what single frames draw, so nothing is stamped twice or carried on.
"$QUARNEL" --frames "$WORK/d" --from 10950 --to 11100 --fps 30 >/dev/null 2>"$WORK/err" ||
  fail "--frames failed: $(cat "$WORK/err")"
same_as_frame_at "$WORK/d" 10950 5

# Flash rhythm: from 90000 ms the counter reaches 32 at frame 32, the flash
# resets it, and it reaches 32 again at frame 64.
"$QUARNEL" --frames "$WORK/b" --from 90000 --to 92200 --fps 30 2>"$WORK/err" ||
  fail "--frames failed: $(cat "$WORK/err")"
for pair in "31 31" "32 32" "33 1" "63 31" "64 32" "65 1"; do
  read -r i counter <<<"$pair"
  t=$((90000 + i * 1000 / 30))
  "$QUARNEL" --frame-at $t --frame-counter $counter --out "$WORK/ref.png" >/dev/null || fail "--frame-at $t failed"
  cmp -s "$WORK/ref.png" "$WORK/b/$(printf 'frame-%06d.png' $i)" ||
    fail "frame $i differs from --frame-at $t --frame-counter $counter"
done
"$QUARNEL" --frame-at 91066 --out "$WORK/plain.png" >/dev/null
! cmp -s "$WORK/plain.png" "$WORK/b/frame-000032.png" || fail "frame 32 shows no flash"

# --scale enlarges each pixel.
"$QUARNEL" --frames "$WORK/c" --from 1000 --to 1010 --scale 2 2>/dev/null || fail "--frames --scale 2 failed"
size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$WORK/c/frame-000000.png")
[[ "$size" == "640,480" ]] || fail "scaled frame is $size"
echo "ok"
