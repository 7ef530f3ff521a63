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

# A terminating signal while the box shows ends the program with status 1 and
# takes the box with it; after SIGKILL the box goes too.
set -m  # background jobs of a script would otherwise start with SIGINT ignored
# Live processes in the program's group or the box's (the dead may wait for init to reap them).
left() { pgrep -r R,S,D,T -g "$pid,$box" "$@"; }
for row in INT:1 QUIT:1 TERM:1 HUP:1 KILL:137; do
  sig=${row%:*}
  "$QUARNEL" --window >/dev/null 2>"$WORK/err" &
  pid=$!
  wait_for_window Error 15 >/dev/null || fail "$sig: no message box appeared; stderr: $(cat "$WORK/err")"
  box=$(pgrep -P $pid)
  kill -$sig $pid
  wait_exit $pid 3
  [[ "$status" == "${row#*:}" ]] || fail "$sig: status $status"
  for ((i = 0; i < 20; i++)); do left >/dev/null || break; sleep 0.1; done
  left >/dev/null && fail "$sig: processes were left: $(left -a)"
done
echo "ok"
