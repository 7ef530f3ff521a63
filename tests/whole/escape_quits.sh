# The demo opens full screen, presents frames, prints the opening's console
# lines and ends with status 0 on Escape.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
"$QUARNEL" >"$WORK/out" 2>"$WORK/err" &
pid=$!
win=$(wait_for_window Quarnel 15) || fail "no window appeared"
# The opening fades in from white: once frames are presented the screen is
# bright even with the letterbox bars around it. Start-up and the one-second
# pause come first, so wait for it.
shown=0
for ((i = 0; i < 40 && shown <= 100; i++)); do
  kill -0 $pid 2>/dev/null || fail "the program ended by itself: $(cat "$WORK/err")"
  sleep 0.25
  shown=$(brightness Quarnel)
done
(( shown > 100 )) || fail "no bright frame on the screen (mean $shown)"
xdotool key --clearmodifiers Escape
wait_exit $pid 1
[[ "$status" == 0 ]] || fail "status after Escape: $status; stderr: $(cat "$WORK/err")"
# The opening scene prints its music time each frame.
grep -q "^sphere\.\.\. [0-9]\+$" "$WORK/out" || fail "no console line of the opening: $(head -3 "$WORK/out")"
echo "ok"
