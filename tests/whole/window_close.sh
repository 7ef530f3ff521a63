# A window-close request ends the process at once with status 0.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
"$QUARNEL" --window --scale 2 >"$WORK/out" 2>"$WORK/err" &
pid=$!
win=$(wait_for_window Quarnel 15) || fail "no window appeared"
sleep 2
"$CLOSE_WINDOW" "$win" || fail "could not send the close request"
wait_exit $pid 2
[[ "$status" == 0 ]] || fail "status after close: $status; stderr: $(cat "$WORK/err")"
echo "ok"
