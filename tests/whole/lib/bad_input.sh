# Helpers of the bad-input tests (case_workdir is in common.sh): the bad files
# themselves, and one runner that judges status, message and cleanliness.
# Source after common.sh.

# Every case must end by itself within this many seconds.
CASE_TIMEOUT=${CASE_TIMEOUT:-60}
cases_run=0
cases_failed=0
cases_skipped=0

# The same pseudo-random bytes on every run: $1 bytes from seed $2.
random_bytes() {
  perl -e 'srand($ARGV[1]); my $n = $ARGV[0]; print pack("C*", map { int(rand(256)) } 1 .. $n);' "$1" "$2"
}

# Puts a broken copy of data file $2 into run folder $1: missing, empty,
# half, dir, fifo, unreadable or random ($3).
break_file() {
  local dir=$1 name=$2 how=$3 target="$1/data/$2" source="$BUILD_DIR/data/$2"
  rm -f "$target"
  case "$how" in
    missing) ;;
    empty) : >"$target" ;;
    half) head -c $(($(stat -c %s "$source") / 2)) "$source" >"$target" ;;
    dir) mkdir "$target" ;;
    fifo) mkfifo "$target" ;;
    unreadable) cp "$source" "$target" && chmod 000 "$target" ;;
    random) random_bytes "$(stat -c %s "$source")" 8 >"$target" ;;
    *) fail "unknown breakage $how" ;;
  esac
}

# True when a process of ours can still read a file after chmod 000, which
# is the case for root. Such cases then run the program as user nobody.
reads_despite_permissions() { [[ $(id -u) -eq 0 ]]; }

# run_case NAME EXPECTED_STATUS MESSAGE_PATTERN [FLAGS] -- COMMAND...
# Runs COMMAND (in the current folder) with a time limit and checks: the
# status is EXPECTED_STATUS; the combined output matches MESSAGE_PATTERN (an
# extended regular expression; empty: anything); no crash, no hang, no
# sanitizer report. Prints one table row. FLAGS:
#   --as-nobody          drop root's rights first (for unreadable files)
#   --timeout S          a time limit other than CASE_TIMEOUT
run_case() {
  local name=$1 expected=$2 pattern=$3
  shift 3
  local prefix=() limit=$CASE_TIMEOUT
  while [[ $# -gt 0 && "$1" != -- ]]; do
    case "$1" in
      --as-nobody)
        if reads_despite_permissions; then
          command -v setpriv >/dev/null || { skip_case "$name" "setpriv is not installed"; return; }
          # The folders the program walks must be open to nobody (the files
          # themselves keep their modes: the unreadable one stays unreadable).
          find "$WORK" -type d -exec chmod a+rx {} + 2>/dev/null
          chmod a+rwx "$WORK/out" 2>/dev/null
          prefix=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        fi
        shift ;;
      --timeout) limit=$2; shift 2 ;;
      *) fail "run_case: unknown flag $1" ;;
    esac
  done
  shift
  local out="$WORK/case.out"
  timeout -k 5 "$limit" "${prefix[@]}" "$@" >"$out" 2>&1 </dev/null
  local status=$?
  cases_run=$((cases_run + 1))
  local problem=""
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    problem="no end within ${limit}s"
  elif [[ $status -ge 128 ]]; then
    problem="killed by signal $((status - 128))"
  elif grep -qE 'ERROR: (Address|Leak|Memory)Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' "$out"; then
    problem="sanitizer report"
  elif [[ "$status" != "$expected" ]]; then
    problem="status $status, expected $expected"
  elif [[ -n "$pattern" ]] && ! grep -qE -- "$pattern" "$out"; then
    problem="message does not match /$pattern/"
  fi
  local first=$(grep -v '^sphere\.\.\. ' "$out" | head -1)
  if [[ -n "$problem" ]]; then
    cases_failed=$((cases_failed + 1))
    printf 'FAIL  %-34s %s\n' "$name" "$problem" >&2
    sed -n '1,15p' "$out" | grep -v '^sphere\.\.\. ' | sed 's/^/      | /' >&2
  else
    printf 'ok    %-34s %s  %s\n' "$name" "$status" "$first"
  fi
}

skip_case() {
  cases_skipped=$((cases_skipped + 1))
  printf 'skip  %-34s %s\n' "$1" "$2"
}

# Ends the script: status 1 when any case failed.
finish_cases() {
  echo "$cases_run cases, $cases_failed failed, $cases_skipped skipped"
  [[ $cases_failed -eq 0 ]] || exit 1
  exit 0
}
