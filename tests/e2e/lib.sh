# shellcheck shell=bash
# shellcheck disable=SC2034  # the variables set here are read by the sourcing scripts
# Shared by the end-to-end scripts: runs the real Veltrane.exe under Wine and counts the
# checks. scripts/test.sh provides VELTRANE_EXE, WINEPREFIX (a fresh prefix whose
# wineserver it keeps alive for the whole tier) and E2E_WORK (a scratch folder); a script
# run by hand gets a scratch folder of its own.
set -uo pipefail

e2e_passed=0
e2e_failed=0
E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${E2E_WORK:=$(mktemp -d)}"
mkdir -p "$E2E_WORK"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

# Where the program writes its log inside the prefix.
VELTRANE_LOG="$WINEPREFIX/drive_c/ProgramData/Veltrane/Veltrane.log"

pass() {
  e2e_passed=$((e2e_passed + 1))
  echo "  ok    $1"
}

# fail NAME [DETAIL...]
fail() {
  e2e_failed=$((e2e_failed + 1))
  echo "  FAIL  $1"
  shift
  local line
  for line in "$@"; do
    echo "        $line"
  done
}

# Runs Veltrane.exe with the given arguments and no input. Leaves its standard output and
# error, CR removed, in $E2E_WORK/out and $E2E_WORK/err, and its exit code in $status.
# A run that hangs is killed after a minute (status 124).
veltrane() {
  timeout -k 5 60 wine "$VELTRANE_EXE" "$@" </dev/null >"$E2E_WORK/out.raw" 2>"$E2E_WORK/err.raw"
  status=$?
  tr -d '\r' <"$E2E_WORK/out.raw" >"$E2E_WORK/out"
  tr -d '\r' <"$E2E_WORK/err.raw" >"$E2E_WORK/err"
}

# expect_eq NAME EXPECTED ACTUAL
expect_eq() {
  if [ "$2" == "$3" ]; then
    pass "$1"
  else
    fail "$1" "expected: $2" "actual:   $3"
  fi
}

# expect_match NAME EXTENDED-REGEX ACTUAL
expect_match() {
  if [[ "$3" =~ $2 ]]; then
    pass "$1"
  else
    fail "$1" "expected to match: $2" "actual: $3"
  fi
}

# expect_same_file NAME EXPECTED-FILE ACTUAL-FILE: byte for byte, with the diff on failure.
expect_same_file() {
  if cmp -s "$2" "$3"; then
    pass "$1"
  else
    local diff_lines
    mapfile -t diff_lines < <(diff -u "$2" "$3" | head -n 20)
    fail "$1" "${diff_lines[@]}"
  fi
}

# reg_dword KEY VALUE: the value's number in decimal, or "absent".
reg_dword() {
  local line
  line=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -i "REG_DWORD") || {
    echo absent
    return
  }
  printf '%d\n' "$(awk '{print $NF}' <<<"$line")"
}

# Number of lines in a file; 0 when it does not exist.
line_count() {
  if [ -f "$1" ]; then
    wc -l <"$1"
  else
    echo 0
  fi
}

# start_xvfb FIRST LAST SIZE: an Xvfb display on the first free number from FIRST to LAST,
# exported as DISPLAY, its process id in $xvfb_pid; none free ends the script as a failure.
start_xvfb() {
  local n
  xvfb_pid=""
  for n in $(seq "$1" "$2"); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -nolisten tcp -screen 0 "$3" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      if [ -S "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  fail "an Xvfb display starts"
  e2e_done
}

# Ends the script: the runner reads the counts from the last line.
e2e_done() {
  echo "e2e-result $e2e_passed $e2e_failed"
  [ "$e2e_failed" -eq 0 ]
  exit
}
