# With no display server the demo stops at once with a clear message and
# status 1, instead of playing on a driver that shows nothing; that the
# message box could not be shown is said too.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
timeout 20 "$QUARNEL" --no-sound >"$WORK/out" 2>"$WORK/err"
status=$?
[[ $status == 1 ]] || fail "status $status"
grep -qx "Error: Could not open display" "$WORK/err" || fail "stderr: $(cat "$WORK/err")"
grep -q "^quarnel: the message box could not be shown (.\+)$" "$WORK/err" || fail "no word on the box: $(cat "$WORK/err")"
echo "ok"
