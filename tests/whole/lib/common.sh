# Shared by the whole-program tests: runs the calling script under its own
# Xvfb server, and small helpers to drive the real binary.
# Environment from CTest: QUARNEL (the binary), CLOSE_WINDOW, BUILD_DIR.

if [[ -z "${QUARNEL_UNDER_XVFB:-}" ]]; then
  export QUARNEL_UNDER_XVFB=1
  # A server number of our own, so parallel tests never race for one.
  exec xvfb-run -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" bash "$0" "$@"
fi

set -uo pipefail
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
QUARNEL=${QUARNEL:?}
BUILD_DIR=${BUILD_DIR:?}
WORK=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# A new folder $WORK/<name> whose data/ links the generated default set less
# the named files; prints its path. make_workdir: the same, named "run".
case_workdir() {
  local dir="$WORK/$1"
  shift
  mkdir -p "$dir/data"
  for f in "$BUILD_DIR"/data/*; do
    local base=$(basename "$f") skip=0
    for s in "$@"; do [[ "$base" == "$s" ]] && skip=1; done
    [[ $skip -eq 1 ]] || ln -s "$f" "$dir/data/$base"
  done
  echo "$dir"
}
make_workdir() { case_workdir run "$@"; }

# Prints the id of the first top-level window named exactly $1, waiting up to $2 s.
wait_for_window() {
  local name=$1 limit=${2:-10} id=""
  for ((i = 0; i < limit * 10; i++)); do
    id=$(xwininfo -root -children 2>/dev/null | awk -v n="\"$name\":" '$2 == n {print $1; exit}')
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to $2 s for process $1 (a child of this shell) to end and sets
# status to its exit status, or to "running". Not for use in $(...): only
# this shell can wait for its own children.
wait_exit() {
  local pid=$1 limit=$2
  status=running
  for ((i = 0; i < limit * 20; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      return 0
    fi
    sleep 0.05
  done
}

# Mean brightness, 0-255, of what the window named $1 shows on the screen now.
# The window is looked up afresh: going full screen may replace the first one.
brightness() {
  local x y w h id
  id=$(wait_for_window "$1" 2) || { echo 0; return; }
  eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}
                                  /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
  ffmpeg -loglevel error -f x11grab -video_size "${w}x${h}" -i "$DISPLAY+$x,$y" -frames:v 1 \
    -vf scale=32:24 -f rawvideo -pix_fmt gray - | od -An -v -tu1 |
    awk '{for (i = 1; i <= NF; i++) {s += $i; n++}} END {print (n ? int(s / n) : 0)}'
}
