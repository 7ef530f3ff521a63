# Without data/code.mp3 the program shows "Error: Could not load music" and exits 1.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir code.mp3)
cd "$dir"
"$QUARNEL" --window >"$WORK/out" 2>"$WORK/err" &
pid=$!
box=$(wait_for_window Error 15) || fail "no message box appeared; stderr: $(cat "$WORK/err")"
grep -qx "Error: Could not load music" "$WORK/err" || fail "stderr: $(cat "$WORK/err")"
kill -0 $pid 2>/dev/null || fail "ended before the message box was dismissed"
# Without a window manager the box gets the keyboard only when focused.
xdotool windowfocus "$box"
xdotool key Return
wait_exit $pid 5
[[ "$status" == 1 ]] || fail "status: $status"
echo "ok"
