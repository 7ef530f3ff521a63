# Started at 59 s, the demo plays from the video into the tunnel and shows
# them on screen; Escape then ends it with status 0.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
"$QUARNEL" --window --scale 2 --start 59000 >"$WORK/out" 2>"$WORK/err" &
pid=$!
win=$(wait_for_window Quarnel 15) || fail "no window appeared"
sleep 2.2  # the one-second pause, then about a second of the video
video=$(brightness Quarnel)
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
