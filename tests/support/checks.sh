# Checks for the shell tests of the command-line tools, sourced by each:
#   . "$(dirname "$0")/../support/checks.sh"
# It makes the scratch folder $dir (removed on exit) and counts the checks;
# the test ends with "finish", which prints the counts and fails when any
# check failed.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
passes=0

ok() { echo "ok   $1"; passes=$((passes + 1)); }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

# check NAME EXPECTED-EXIT EXPECTED-TEXT COMMAND...: the command exits so and
# its output (standard output and error) holds the text.
check() {
  local name="$1" code="$2" text="$3"; shift 3
  local out; out=$("$@" 2>&1); local got=$?
  if [ "$got" != "$code" ] || ! grep -qF -- "$text" <<<"$out"; then
    fail "$name: exit $got, output:"; echo "$out"
  else
    ok "$name"
  fi
}

# same NAME FILE EXPECTED-FILE: the file holds exactly what the other does.
same() {
  if cmp -s "$2" "$3"; then ok "$1"; else fail "$1"; diff "$3" "$2" | head -20; fi
}

# expect NAME FILE EXPECTED-LINES...: the file holds exactly these lines (CR LF or LF ends).
expect() {
  local name="$1" file="$2"; shift 2
  local want; want=$(printf '%s\n' "$@")
  local got; got=$(tr -d '\r' < "$file")
  if [ "$got" == "$want" ]; then ok "$name"; else fail "$name"; diff <(echo "$want") <(echo "$got"); fi
}

# run NAME COMMAND...: the command succeeds (a failure is counted and shown).
run() {
  local name="$1"; shift
  local out; if ! out=$("$@" 2>&1); then fail "$name: $out"; return 1; fi
}

finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
