# Bad input: each of the five data files missing, empty, cut to half, a
# folder or a FIFO in its place, unreadable or random bytes; a video of another size or
# with only sound; a WAV posing as the MP3; bad options. Every case either
# plays or stops with one message naming the file or option, status 1; none
# crashes, hangs or trips a sanitizer (run against the sanitizer build by
# scripts/sanitize.sh). The README's Troubleshooting table lists the same.
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/bad_input.sh"
mkdir -p "$WORK/out"
unset DISPLAY  # nothing here needs a screen: frames are headless, play runs use SDL's dummy video

# The commands are arrays, not functions: run_case may start them through
# timeout and setpriv.
frame=("$QUARNEL" --frame-at 100000 --out "$WORK/out/f.raw")
# The live player without a screen; a message box cannot show, so the
# message goes to standard error alone.
play=(env SDL_VIDEODRIVER=dummy "$QUARNEL" --window --no-sound)
# Plays for a few seconds and is then asked to quit the way a desktop asks
# (SIGTERM arrives as a quit request): status 0 means it played.
play_briefly=(timeout --preserve-status -s TERM 5 "${play[@]}")

# --- the three pictures: a frame at 100 s builds every effect --------------
for name in tunnel.raw credits.raw velina.raw; do
  for how in missing unreadable; do
    dir=$(case_workdir "$name-$how") && break_file "$dir" "$name" "$how" && cd "$dir" || fail "setup $name $how"
    nobody=()
    [[ $how == unreadable ]] && nobody=(--as-nobody)
    run_case "$name $how" 1 "^could not open data/$name\$" "${nobody[@]}" -- "${frame[@]}"
  done
  # Any bytes are a picture; a short file leaves the rest of it black.
  for how in empty half random; do
    dir=$(case_workdir "$name-$how") && break_file "$dir" "$name" "$how" && cd "$dir" || fail "setup $name $how"
    run_case "$name $how" 0 "" -- "${frame[@]}"
  done
done

# --- the video ---------------------------------------------------------------
name=quarnel.avi
for how in missing empty unreadable random; do
  dir=$(case_workdir "$name-$how") && break_file "$dir" "$name" "$how" && cd "$dir" || fail "setup $name $how"
  nobody=()
  [[ $how == unreadable ]] && nobody=(--as-nobody)
  run_case "$name $how" 1 "^could not open sourcefile\$" "${nobody[@]}" -- "${frame[@]}"
done
# Cut to half: the frames that are gone keep the last picture; the frame
# at 59.9 s lies in the missing half.
dir=$(case_workdir "$name-half") && break_file "$dir" "$name" half && cd "$dir" || fail "setup $name half"
run_case "$name half" 0 "" -- "$QUARNEL" --frame-at 59900 --out "$WORK/out/f.raw"

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
dir=$(case_workdir video-160x120 quarnel.avi) && cd "$dir" || fail "setup"
ff -f lavfi -i testsrc=size=160x120:rate=10 -frames:v 20 -c:v mjpeg data/quarnel.avi || fail "ffmpeg"
# Another size is scaled to 320 x 240.
run_case "quarnel.avi 160x120" 0 "" -- "$QUARNEL" --frame-at 21100 --out "$WORK/out/f.raw"
dir=$(case_workdir video-sound-only quarnel.avi) && cd "$dir" || fail "setup"
ff -f lavfi -i sine=frequency=440:duration=1 -c:a pcm_s16le -f avi data/quarnel.avi || fail "ffmpeg"
run_case "quarnel.avi sound only" 1 "^could not get stream\$" -- "${frame[@]}"

# --- the soundtrack: read by the player, not by --frame-at --------------------
# The box says "Error: Could not load music"; standard error also says why.
name=code.mp3
declare -A why=([missing]="missing" [empty]="empty" [unreadable]="unreadable: Permission denied"
                [random]="not an MP3 file\\?")
for how in missing empty unreadable random; do
  dir=$(case_workdir "$name-$how") && break_file "$dir" "$name" "$how" && cd "$dir" || fail "setup $name $how"
  nobody=()
  [[ $how == unreadable ]] && nobody=(--as-nobody)
  run_case "$name $how" 1 "^quarnel: could not load music data/code.mp3 \\(${why[$how]}\\)\$" "${nobody[@]}" -- "${play[@]}"
done
dir=$(case_workdir mp3-wav code.mp3) && cd "$dir" || fail "setup"
ff -f lavfi -i sine=frequency=440:duration=3 -c:a pcm_s16le -f wav data/code.mp3 || fail "ffmpeg"
run_case "code.mp3 is a WAV" 1 "^Error: Could not load music\$" -- "${play[@]}"
# Junk after the stream plays too, and the decoder's own complaints about it stay unprinted.
dir=$(case_workdir mp3-junk-after code.mp3) && cd "$dir" || fail "setup"
{ cat "$BUILD_DIR/data/code.mp3"; random_bytes 5000000 10; } >data/code.mp3
run_case "code.mp3 then 5 MB of junk" 0 "" -- "$QUARNEL" --frames "$WORK/out/junk" --to 100
! grep -v "^quarnel: " "$WORK/case.out" | grep -q . ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  a library's line came through: $(head -2 "$WORK/case.out")" >&2; }
# Junk before the stream, half a file and a forged encoder tag: the decoder's
# cases in sound_hostile_mp3_test.cpp.
# Past the end of a short soundtrack the clock runs on wall time.
dir=$(case_workdir mp3-1s code.mp3) && cd "$dir" || fail "setup"
ff -f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -b:a 64k data/code.mp3 || fail "ffmpeg"
run_case "code.mp3 of one second" 0 "" -- "${play_briefly[@]}" --start 119000

# --- no regular file: refused up front by every mode, before anything opens
# it (opening a FIFO would block for good) ---------------------------------------
for name in code.mp3 quarnel.avi tunnel.raw credits.raw velina.raw; do
  for how in dir fifo; do
    dir=$(case_workdir "$name-$how") && break_file "$dir" "$name" "$how" && cd "$dir" || fail "setup $name $how"
    kind=folder
    [[ $how == fifo ]] && kind=FIFO
    run_case "$name $how, playing" 1 "^  data/$name \(not a regular file: a $kind\)" --timeout 20 -- "${play[@]}"
    run_case "$name $how, --frame-at" 1 "^  data/$name \(not a regular file: a $kind\)" --timeout 20 -- "${frame[@]}"
  done
done
# With the user's own folder every problem is listed, each with its reason.
dir=$(case_workdir unreadable-data tunnel.raw) && cd "$dir" || fail "setup"
cp "$BUILD_DIR/data/tunnel.raw" data/ && chmod 000 data/tunnel.raw
run_case "--data, unreadable file" 1 "^  data/tunnel.raw \(unreadable: Permission denied\)" --as-nobody -- "$QUARNEL" --data data --frame-at 5 --out "$WORK/out/f.raw"

# --- the offline capture: the same files read without display or sound device -
capture=("$QUARNEL" --capture "$WORK/out/c.mkv" --fps 2 --scale 1)
dir=$(case_workdir capture-1s code.mp3) && cd "$dir" || fail "setup"
ff -f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -b:a 64k data/code.mp3 || fail "ffmpeg"
# The timeline runs to its end however short the soundtrack: 122 s of video.
run_case "capture, code.mp3 of one second" 0 "" -- "${capture[@]}"
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$WORK/out/c.mkv" 2>/dev/null | cut -d. -f1)
[[ "${seconds:-0}" -ge 121 ]] || { cases_failed=$((cases_failed + 1)); echo "FAIL  capture of one-second MP3 lasts ${seconds:-?} s" >&2; }
# By default the capture runs on to the end of the soundtrack, so the music is never cut off.
dir=$(case_workdir capture-whole) && cd "$dir" || fail "setup"
run_case "capture, the whole soundtrack" 0 "" -- "${capture[@]}"
music=$(ffprobe -v error -show_entries format=duration -of csv=p=0 data/code.mp3)
video=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$WORK/out/c.mkv")
awk -v m="$music" -v v="$video" 'BEGIN { exit !(m > 122 && v > m - 0.6 && v < m + 0.6) }' ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  capture lasts ${video:-?} s, the soundtrack ${music:-?} s" >&2; }
dir=$(case_workdir capture-wav code.mp3) && cd "$dir" || fail "setup"
ff -f lavfi -i sine=frequency=440:duration=3 -c:a pcm_s16le -f wav data/code.mp3 || fail "ffmpeg"
run_case "capture, code.mp3 is a WAV" 1 "^quarnel: could not load music data/code.mp3" -- "${capture[@]}"
dir=$(case_workdir capture-missing tunnel.raw velina.raw) && cd "$dir" || fail "setup"
# One message lists every missing file.
run_case "capture, two pictures missing" 1 "^quarnel: data files are missing:" -- "${capture[@]}"
grep -q "data/tunnel.raw" "$WORK/case.out" && grep -q "data/velina.raw" "$WORK/case.out" ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  the message does not name both missing files" >&2; }
dir=$(case_workdir capture-unwritable) && cd "$dir" || fail "setup"
run_case "capture into a missing folder" 1 "^quarnel: .*/nonexistent/c.mkv" -- "$QUARNEL" --capture /nonexistent/c.mkv --fps 2
run_case "--data missing folder" 1 "which is not a folder" -- "$QUARNEL" --data "$WORK/nowhere" --frame-at 5 --out "$WORK/out/f.raw"

# --- no screen -------------------------------------------------------------------
dir=$(case_workdir no-display) && cd "$dir" || fail "setup"
# With no X or Wayland server SDL would fall back to its invisible
# "offscreen" driver; the display refuses it unless asked for by name.
run_case "no display" 1 "^Error: Could not open display\$" --timeout 20 -- env -u SDL_VIDEODRIVER "$QUARNEL" --window --no-sound
grep -q "^quarnel: the message box could not be shown (.\+)$" "$WORK/case.out" ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  no word on the message box that could not show" >&2; }
run_case "--out unwritable" 1 "^quarnel: could not write /nonexistent/f.raw" -- "$QUARNEL" --frame-at 5 --out /nonexistent/f.raw

# --- outputs: a place that is no regular file is refused before any work and
# left as it was; nothing is written through a symbolic link -----------------------
mkdir -p "$WORK/out/folder.png" "$WORK/out/clip.mp4" "$WORK/out/mixed" "$WORK/out/linked"
echo mine >"$WORK/out/mixed/notes.txt"
echo mine >"$WORK/out/target.png"
ln -sf "$WORK/out/target.png" "$WORK/out/linked/frame-000000.png"
ln -sf "$WORK/out/target.png" "$WORK/out/link.png"
mkfifo "$WORK/out/pipe.raw"  # opening it to write would block
device=/dev/full
[[ $(id -u) == 0 ]] && mknod "$WORK/out/full" c 1 7 && device="$WORK/out/full"
run_case "--out a folder" 1 "^quarnel: --out $WORK/out/folder.png is a folder\$" -- "$QUARNEL" --frame-at 5 --out "$WORK/out/folder.png"
run_case "--out a symbolic link" 1 "is a symbolic link\$" -- "$QUARNEL" --frame-at 5 --out "$WORK/out/link.png"
run_case "--out a FIFO" 1 "is a FIFO\$" --timeout 20 -- "$QUARNEL" --frame-at 5 --out "$WORK/out/pipe.raw"
run_case "--bench-json a device" 1 "^quarnel: --bench-json $device is a device\$" -- "$QUARNEL" --bench-json "$device"
run_case "--bench-json a name ending in /" 1 "is a folder\$" -- "$QUARNEL" --bench-json "$WORK/out/new/"
run_case "--capture a folder" 1 "is a folder\$" -- "$QUARNEL" --capture "$WORK/out/clip.mp4" --fps 2
run_case "--frames a non-empty folder" 1 "holds notes.txt" -- "$QUARNEL" --frames "$WORK/out/mixed" --to 100
run_case "--frames a symlinked frame" 1 "holds frame-000000.png" -- "$QUARNEL" --frames "$WORK/out/linked" --to 100
[[ -d "$WORK/out/folder.png" && -c "$device" && $(cat "$WORK/out/mixed/notes.txt" "$WORK/out/target.png") == "mine"$'\n'"mine" ]] ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  a refused output was changed" >&2; }
# A span whose audio.wav could not hold its sound is refused before any frame is drawn.
run_case "--frames, a day of sound" 1 "too long for audio.wav" --timeout 20 -- "$QUARNEL" --frames "$WORK/out/day" --to 86400000 --fps 1
[[ ! -e "$WORK/out/day" && -z $(ls -d "$WORK"/out/day.* 2>/dev/null) ]] ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  the refused --frames left a folder" >&2; }
# An earlier --frames output is replaced whole.
run_case "--frames, 3 frames" 0 "" -- "$QUARNEL" --frames "$WORK/out/again" --to 100 --fps 30
run_case "--frames again, 1 frame" 0 "" -- "$QUARNEL" --frames "$WORK/out/again" --to 10 --fps 30
[[ $(ls "$WORK/out/again" | tr '\n' ' ') == "audio.wav frame-000000.png " ]] ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  the earlier frames were not replaced whole: $(ls "$WORK/out/again")" >&2; }
# Extensions in any case; the whole 32-bit frame counter (the flashes test its low byte).
dir=$(case_workdir counter) && cd "$dir" || fail "setup"
run_case "--out X.PNG" 0 "" -- "$QUARNEL" --frame-at 5 --out "$WORK/out/X.PNG"
for n in 255 2147483647 4294967295; do
  run_case "--frame-counter $n" 0 "" -- "$QUARNEL" --frame-at 100000 --frame-counter $n --out "$WORK/out/c$n.raw"
done
cmp -s "$WORK/out/c255.raw" "$WORK/out/c4294967295.raw" ||
  { cases_failed=$((cases_failed + 1)); echo "FAIL  --frame-counter 4294967295 is not the counter's low byte 255" >&2; }

# --- options: the parser's every refusal is in app_options_test.cpp; here,
# that main prints it after "quarnel: " and exits 1 --------------------------------
cd "$WORK"
run_case "-x" 1 "^quarnel: unknown option -x \(see --help\)" -- "$QUARNEL" -x
run_case "stray argument" 1 "^quarnel: unknown option data \(see --help\)" -- "$QUARNEL" data

finish_cases
