# --capture writes a video file players take as it is: one H.264 stream of
# 960 x 720 and one AAC stream, as long as asked, the pictures as --frame-at
# draws them (capture_frames.sh checks the flash rhythm of the same loop), the
# sound in step.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
unset DISPLAY

# "key=value" lines of the first stream of a kind (v or a), frames counted by decoding.
probe() {
  ffprobe -v error -count_frames -select_streams "$2" \
    -show_entries stream=codec_name,width,height,pix_fmt,avg_frame_rate,nb_read_frames -of default=nw=1 "$1"
}
# Seconds from the first packet's start to the last one's end, for one stream.
stream_seconds() {
  ffprobe -v error -select_streams "$2" -show_entries packet=pts_time,duration_time -of csv=p=0 "$1" |
    awk -F, 'NR == 1 || $1 < lo { lo = $1 } $1 + $2 > hi { hi = $1 + $2 } END { printf "%.3f", hi - lo }'
}
about() { awk -v x="$1" -v want="$2" -v tol="$3" 'BEGIN { exit !(x >= want - tol && x <= want + tol) }'; }
# Picture n of a capture, back at 320 x 240 (the middle pixel of each 3 x 3 block).
picture() { ffmpeg -v error -y -i "$1" -vf "select=eq(n\,$2),scale=320:240:flags=neighbor" -frames:v 1 "$3"; }
# Average PSNR in dB of two pictures ("inf" when equal).
psnr() {
  ffmpeg -hide_banner -nostats -i "$1" -i "$2" -lavfi "[0][1]psnr" -f null - 2>&1 |
    sed -n 's/.*average:\([0-9.inf]*\).*/\1/p'
}
above() { [[ "$1" == inf ]] || awk -v x="$1" -v y="$2" 'BEGIN { exit !(x > y) }'; }

for ext in mp4 mkv; do
  out="$WORK/demo.$ext"
  "$QUARNEL" --capture "$out" --from 66000 --to 68000 --fps 30 >"$WORK/out" 2>"$WORK/err" ||
    fail "$ext capture failed: $(cat "$WORK/err")"
  [[ ! -s "$WORK/out" ]] || fail "$ext: the effects' console lines reached standard output"
  [[ ! -e "$out.part" ]] || fail "$ext: the temporary file was left"
  grep -q "wrote $out" "$WORK/err" || fail "$ext: no closing line: $(cat "$WORK/err")"
  [[ $(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$out" | sort | tr '\n' ' ') == "audio video " ]] ||
    fail "$ext: streams are not one video and one audio"
  video=$(probe "$out" v)
  for want in codec_name=h264 width=960 height=720 pix_fmt=yuv420p avg_frame_rate=30/1 nb_read_frames=60; do
    grep -qx "$want" <<<"$video" || fail "$ext video: wanted $want, got: $video"
  done
  grep -qx codec_name=aac <<<"$(probe "$out" a)" || fail "$ext audio is not AAC"
  v=$(stream_seconds "$out" v)
  a=$(stream_seconds "$out" a)
  about "$v" 2 0.05 || fail "$ext video lasts $v s"
  about "$a" 2 0.05 || fail "$ext audio lasts $a s"

  # Picture 45 is music time 67500: the tunnel with the sphere over it.
  # Neighbouring frames differ a lot (the tunnel moves fast), so a match
  # also proves the frame is the right one.
  picture "$out" 45 "$WORK/p45.png"
  "$QUARNEL" --frame-at 67500 --out "$WORK/r45.png" >/dev/null || fail "--frame-at failed"
  "$QUARNEL" --frame-at 67466 --out "$WORK/r44.png" >/dev/null || fail "--frame-at failed"
  match=$(psnr "$WORK/p45.png" "$WORK/r45.png")
  other=$(psnr "$WORK/p45.png" "$WORK/r44.png")
  above "$match" 28 || fail "$ext picture 45 is not the frame at 67500 ms (PSNR $match dB)"
  above "$match" "$(awk -v o="$other" 'BEGIN { print o + 10 }')" ||
    fail "$ext picture 45 is as close to the frame before ($other dB) as to its own ($match dB)"
done

# Sound in step: a soundtrack silent until 1.5 s and then a tone, captured
# from 500 ms, must sound 1.000 s after the first picture is shown.
mkdir -p "$WORK/tone"
for f in "$dir"/data/*; do ln -s "$(readlink -f "$f")" "$WORK/tone/"; done
rm "$WORK/tone/code.mp3"
ffmpeg -v error -f lavfi -i "anullsrc=r=44100:cl=stereo:d=1.5" -f lavfi -i "sine=f=440:r=44100:d=1.5" \
  -filter_complex "[1]volume=0.5,aformat=channel_layouts=stereo[t];[0][t]concat=n=2:v=0:a=1" \
  -c:a libmp3lame -b:a 128k "$WORK/tone/code.mp3" || fail "could not make the test soundtrack"
for ext in mp4 mkv; do
  out="$WORK/tone.$ext"
  "$QUARNEL" --data "$WORK/tone" --capture "$out" --from 500 --to 2500 --fps 30 2>"$WORK/err" ||
    fail "$ext tone capture failed: $(cat "$WORK/err")"
  sound=$(ffmpeg -hide_banner -nostats -i "$out" -vn -af silencedetect=n=-30dB:d=0.2 -f null - 2>&1 |
    sed -n 's/.*silence_end: \([0-9.]*\).*/\1/p' | head -1)
  first=$(ffprobe -v error -select_streams v -show_entries stream=start_time -of csv=p=0 "$out")
  [[ -n "$sound" ]] || fail "$ext: the tone was not found"
  lag=$(awk -v s="$sound" -v f="$first" 'BEGIN { printf "%.4f", s - f }')
  about "$lag" 1 0.01 || fail "$ext: the tone starts $lag s after the first picture, not 1.000 s"
done
echo "ok"
