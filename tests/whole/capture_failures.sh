# A run that cannot finish -- unwritable place, full disk, file-size limit,
# any terminating signal -- says why, exits with status 1 and leaves no file
# under the final name (an older file there stays as it was) and no
# temporary file (NAME.XXXXXX.part beside it).
source "$(dirname "$0")/lib/common.sh"
trap 'mountpoint -q "$WORK/full" && umount "$WORK/full"; kill $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT
dir=$(make_workdir)
cd "$dir"
unset DISPLAY

expect_failure() {  # what, expected message part, final file, command...
  local what=$1 message=$2 final=$3
  shift 3
  "$@" >/dev/null 2>"$WORK/err"
  local status=$?
  [[ $status == 1 ]] || fail "$what: status $status, stderr: $(cat "$WORK/err")"
  grep -q -- "$message" "$WORK/err" || fail "$what: message: $(cat "$WORK/err")"
  no_temporary "$what" "$final"
}

no_temporary() {  # what, final name
  local left=("$2".??????.part)
  [[ ! -e "${left[0]}" ]] || fail "$1: the temporary file was left: ${left[*]}"
}

# Unwritable places fail at once, before any frame is drawn.
touch "$WORK/plain-file"
expect_failure "folder is a file" "$WORK/plain-file/x.mp4 cannot be examined (Not a directory)" "$WORK/plain-file/x.mp4" \
  "$QUARNEL" --capture "$WORK/plain-file/x.mp4" --to 2000

# A full disk: a 300 KB file system (where this machine lets us mount one)
# holding an older capture; 2 s of 960 x 720 video do not fit.
mkdir -p "$WORK/full"
if mount -t tmpfs -o size=300k tmpfs "$WORK/full" 2>/dev/null; then
  echo "older" >"$WORK/full/demo.mp4"
  expect_failure "full disk" "could not write $WORK/full/demo.mp4: No space left on device" "$WORK/full/demo.mp4" \
    "$QUARNEL" --capture "$WORK/full/demo.mp4" --from 66000 --to 68000 --fps 30
  [[ $(cat "$WORK/full/demo.mp4") == older ]] || fail "full disk: the older file was changed"
  expect_failure "full disk, frames" "could not write $WORK/full/f/.*No space left on device" "$WORK/full/f" \
    "$QUARNEL" --frames "$WORK/full/f" --from 66000 --to 70000 --fps 30
  [[ ! -e "$WORK/full/f" ]] || fail "full disk, frames: a folder was left"
  # A single frame or the benchmark's figures: the older file stays too.
  for out in old.raw old.json; do
    echo "older" >"$WORK/full/$out"
    args=(--frame-at 100000 --out "$WORK/full/$out")
    [[ $out == *.json ]] && args=(--bench-json "$WORK/full/$out" --to 1000)
    head -c 400000 /dev/zero >"$WORK/full/filler" 2>/dev/null  # the disk is full now
    expect_failure "full disk, $out" "could not write $WORK/full/$out" "$WORK/full/$out" "$QUARNEL" "${args[@]}"
    [[ $(cat "$WORK/full/$out") == older ]] || fail "full disk, $out: the older file was changed"
    rm -f "$WORK/full/filler"
  done
  umount "$WORK/full"
else
  echo "note: no tmpfs mount here; the full disk is simulated by the file-size limit alone"
fi

# A file-size limit (the same failure as a fixed-size file): writes fail with EFBIG.
mkdir -p "$WORK/limit"
expect_failure "size limit" "could not write $WORK/limit/demo.mkv: File too large" "$WORK/limit/demo.mkv" \
  bash -c "ulimit -f 200 && exec \"\$0\" \"\$@\"" "$QUARNEL" --capture "$WORK/limit/demo.mkv" --from 66000 --to 68000 --fps 30
[[ ! -e "$WORK/limit/demo.mkv" ]] || fail "size limit: a file was left under the final name"

# A data file that is there but unreadable stops the run in the effect that
# loads it (its own message, on standard output); the partial file goes too.
bad="$WORK/bad"
mkdir -p "$bad/data"
for f in "$dir"/data/*; do ln -s "$(readlink -f "$f")" "$bad/data/"; done
rm "$bad/data/quarnel.avi"  # the link, not the generated file
head -c 5000 /dev/urandom >"$bad/data/quarnel.avi"
(cd "$bad" && "$QUARNEL" --capture "$WORK/bad.mp4" --to 2000 >"$WORK/out" 2>"$WORK/err")
status=$?
[[ $status == 1 ]] || fail "bad video: status $status"
grep -q "could not" "$WORK/out" || fail "bad video: message: $(cat "$WORK/out" "$WORK/err")"
[[ ! -e "$WORK/bad.mp4" ]] || fail "bad video: a file was left: $(ls "$WORK")"
no_temporary "bad video" "$WORK/bad.mp4"
# A damaged one plays what decodes, and the decoder's complaints stay unprinted.
cp "$(readlink -f "$dir/data/quarnel.avi")" "$bad/data/quarnel.avi"
perl -e 'open F, "+<", $ARGV[0]; for ($o = 200000; $o < -s F; $o += 50000) { seek F, $o, 0; print F "U" x 64 }' "$bad/data/quarnel.avi"
(cd "$bad" && "$QUARNEL" --capture "$WORK/damaged.mp4" --from 21000 --to 23000 >/dev/null 2>"$WORK/err") ||
  fail "damaged video: $(cat "$WORK/err")"
grep -q "@ 0x" "$WORK/err" && fail "damaged video: the library's log came through: $(head -3 "$WORK/err")"

# Every signal that would end the process, mid-capture: stopped between
# frames, the temporary file removed.
set -m  # background jobs of a script would otherwise start with SIGINT ignored
for sig in INT TERM HUP QUIT PIPE USR1; do
  out="$WORK/sig-$sig.mp4"
  "$QUARNEL" --capture "$out" --from 0 --to 60000 >/dev/null 2>"$WORK/err" &
  pid=$!
  for ((i = 0; i < 200; i++)); do
    part=("$out".??????.part)
    [[ $(stat -c %s "${part[0]}" 2>/dev/null || echo 0) -gt 100000 ]] && break
    sleep 0.05
  done
  [[ -e "${part[0]}" ]] || fail "$sig: the capture never started writing: $(cat "$WORK/err")"
  kill -$sig $pid
  wait_exit $pid 20
  [[ "$status" == 1 ]] || fail "$sig: status $status"
  grep -q "interrupted at music time .*; nothing was written to $out" "$WORK/err" || fail "$sig: message: $(cat "$WORK/err")"
  [[ ! -e "$out" ]] || fail "$sig: a file was left: $(ls "$WORK")"
  no_temporary "$sig" "$out"
done
set +m
echo "ok"
