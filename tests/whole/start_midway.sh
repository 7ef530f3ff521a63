# Started at 59 s, the demo plays from the video into the tunnel and shows
# them on screen; Escape then ends it with status 0.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
"$QUARNEL" --window --scale 2 --start 59000 >"$WORK/out" 2>"$WORK/err" &
pid=$!
win=$(wait_for_window Quarnel 15) || fail "no window appeared"
# Start-up and the one-second pause first; then the video fills the screen.
video=0
for ((i = 0; i < 40 && video <= 10; i++)); do
  sleep 0.25
  video=$(brightness Quarnel)
done
sleep 2.5  # past 61 s: the tunnel
tunnel=$(brightness Quarnel)
kill -0 $pid 2>/dev/null || fail "the program ended by itself: $(cat "$WORK/err")"
xdotool key --clearmodifiers Escape
wait_exit $pid 2
[[ "$status" == 0 ]] || fail "status after Escape: $status; stderr: $(cat "$WORK/err")"
[[ ! -s "$WORK/err" ]] || fail "unexpected messages: $(cat "$WORK/err")"
(( video > 10 )) || fail "the video segment looks black (mean $video)"
(( tunnel > 10 )) || fail "the tunnel segment looks black (mean $tunnel)"
echo "ok: mean brightness $video in the video, $tunnel in the tunnel"
