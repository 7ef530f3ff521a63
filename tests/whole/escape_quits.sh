# The demo opens full screen, presents frames and ends with status 0 on Escape.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
"$QUARNEL" >"$WORK/out" 2>"$WORK/err" &
pid=$!
win=$(wait_for_window Quarnel 15) || fail "no window appeared"
sleep 2  # past the one-second pause, into the frame loop
kill -0 $pid 2>/dev/null || fail "the program ended by itself: $(cat "$WORK/err")"
# The opening fades in from white: a presented frame is bright even with the
# letterbox bars around it.
shown=$(brightness Quarnel)
(( shown > 100 )) || fail "no bright frame on the screen (mean $shown)"
xdotool key --clearmodifiers Escape
wait_exit $pid 1
[[ "$status" == 0 ]] || fail "status after Escape: $status; stderr: $(cat "$WORK/err")"
echo "ok"
