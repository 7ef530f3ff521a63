# --data DIR reads the data from DIR, names in any case; when files are
# missing one message names every one of them, the folder looked in and the
# whole data set, and the program exits with status 1 before writing anything.
source "$(dirname "$0")/lib/common.sh"
dir=$(make_workdir)
mine="$WORK/My Data"
mkdir -p "$mine" "$WORK/elsewhere"
ln -s "$(readlink -f "$dir/data/code.mp3")" "$mine/CODE.MP3"
ln -s "$(readlink -f "$dir/data/quarnel.avi")" "$mine/Quarnel.Avi"
ln -s "$(readlink -f "$dir/data/tunnel.raw")" "$mine/TUNNEL.RAW"
ln -s "$(readlink -f "$dir/data/credits.raw")" "$mine/credits.RAW"
ln -s "$(readlink -f "$dir/data/velina.raw")" "$mine/Velina.raw"

# The same frames from the other folder, run where there is no data/ at all.
(cd "$dir" && "$QUARNEL" --frame-at 45000 --out "$WORK/video.raw" && "$QUARNEL" --frame-at 95000 --frame-counter 32 --out "$WORK/flash.raw") >/dev/null ||
  fail "frames from data/ failed"
cd "$WORK/elsewhere"
# The generator takes no option for a folder: --help says what it does, others are refused.
"$BUILD_DIR/quarnel-data" --help | grep -q "never overwritten" || fail "quarnel-data --help"
"$BUILD_DIR/quarnel-data" -x 2>"$WORK/err"
status=$?
[[ $status == 1 && $(cat "$WORK/err") == "quarnel-data: unknown option -x (see --help)" && -z $(ls) ]] ||
  fail "quarnel-data -x: status $status, $(cat "$WORK/err"), made: $(ls)"
# A file that is there under another case is the user's: only the one truly
# missing is written, and nothing else in the folder is touched.
mkdir "$WORK/gen" && touch "$WORK/gen/"{CODE.MP3,Quarnel.AVI,CREDITS.raw,VELINA.RAW} && echo mine >"$WORK/gen/tunnel.raw.partial"
"$BUILD_DIR/quarnel-data" "$WORK/gen" 2>/dev/null || fail "quarnel-data into a folder of the user's"
[[ $(LC_ALL=C ls "$WORK/gen" | tr '\n' ' ') == "CODE.MP3 CREDITS.raw Quarnel.AVI VELINA.RAW tunnel.raw tunnel.raw.partial " &&
   $(cat "$WORK/gen/tunnel.raw.partial") == mine ]] || fail "quarnel-data wrote: $(ls "$WORK/gen")"
display=$DISPLAY
unset DISPLAY
"$QUARNEL" --data "$mine" --frame-at 45000 --out "$WORK/video2.raw" >/dev/null 2>"$WORK/err" ||
  fail "--data failed: $(cat "$WORK/err")"
"$QUARNEL" --data "$mine/" --frame-at 95000 --frame-counter 32 --out "$WORK/flash2.raw" >/dev/null 2>"$WORK/err" ||
  fail "--data with a trailing slash failed: $(cat "$WORK/err")"
cmp -s "$WORK/video.raw" "$WORK/video2.raw" || fail "the video frame differs with --data"
cmp -s "$WORK/flash.raw" "$WORK/flash2.raw" || fail "the flash frame differs with --data"
"$QUARNEL" --data "$mine" --bench --from 66000 --to 66500 >/dev/null 2>"$WORK/err" || fail "--bench with --data: $(cat "$WORK/err")"

# Two files missing: both named with the path tried, the folder, the whole set.
rm "$mine/Quarnel.Avi" "$mine/Velina.raw"
for mode in "--capture $WORK/x.mp4" "--frames $WORK/frames" "--bench" "--frame-at 1000 --out $WORK/x.png"; do
  # shellcheck disable=SC2086
  "$QUARNEL" --data "$mine" $mode >"$WORK/out" 2>"$WORK/err"
  status=$?
  [[ $status == 1 ]] || fail "$mode: status $status"
  for want in "$mine/quarnel.avi" "$mine/velina.raw" "looked in: $mine" \
    "code.mp3, quarnel.avi, tunnel.raw, credits.raw and velina.raw"; do
    grep -qF -- "$want" "$WORK/err" || fail "$mode: the message lacks \"$want\": $(cat "$WORK/err")"
  done
  grep -qF "$mine/code.mp3" "$WORK/err" && fail "$mode: a file that is there was called missing"
done
[[ ! -e "$WORK/x.mp4" && ! -e "$WORK/x.mp4.part" && ! -e "$WORK/x.png" && ! -e "$WORK/frames" ]] ||
  fail "something was written: $(ls "$WORK")"

# A folder that is not there: all five files, and why.
"$QUARNEL" --data nowhere --bench 2>"$WORK/err" >/dev/null && fail "--data nowhere was accepted"
grep -qF "looked in: nowhere ($WORK/elsewhere/nowhere), which is not a folder" "$WORK/err" ||
  fail "message: $(cat "$WORK/err")"
[[ $(grep -c "^  nowhere/" "$WORK/err") == 5 ]] || fail "not every file listed: $(cat "$WORK/err")"

# Playing with --data and a missing file: the same text, in a message box too.
export DISPLAY=$display
"$QUARNEL" --window --data "$mine" >/dev/null 2>"$WORK/err" &
pid=$!
box=$(wait_for_window Error 15) || fail "no message box appeared; stderr: $(cat "$WORK/err")"
grep -qF "$mine/quarnel.avi" "$WORK/err" || fail "stderr: $(cat "$WORK/err")"
xdotool windowfocus "$box"
xdotool key Return
wait_exit $pid 5
[[ "$status" == 1 ]] || fail "playing with missing data: status $status"
echo "ok"
