# Without an audio device the program shows "Error: Could not init", names
# --no-sound on standard error, and exits 1 once the box is dismissed.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
cd "$dir"
# ALSA with no sound card: libasound's own lines about it stay off standard error.
drivers=(no-such-driver)
grep -qs '^ *[0-9]' /proc/asound/cards || drivers+=(alsa)
for driver in "${drivers[@]}"; do
  SDL_AUDIODRIVER=$driver "$QUARNEL" --window >"$WORK/out" 2>"$WORK/err" &
  pid=$!
  box=$(wait_for_window Error 15) || fail "no message box appeared; stderr: $(cat "$WORK/err")"
  xdotool windowfocus "$box"
  xdotool key Return
  wait_exit $pid 5
  [[ "$status" == 1 ]] || fail "status: $status"
  [[ "$(head -n 1 "$WORK/err")" == "Error: Could not init" ]] || fail "stderr: $(cat "$WORK/err")"
  grep -q -- "--no-sound" "$WORK/err" || fail "no hint about --no-sound: $(cat "$WORK/err")"
  grep -q "^ALSA lib" "$WORK/err" && fail "$driver: libasound's lines came through: $(head -2 "$WORK/err")"
done
echo "ok"
