#!/usr/bin/env bash
# The process frame seen from outside: the version lines, the usage screen, and how a bad
# command line ends (usage, exit code 1, one time-stamped error line in the log).
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

echo "version"
veltrane --version
expect_eq "--version exits 0" 0 "$status"
mapfile -t version_lines <"$E2E_WORK/out"
expect_eq "--version prints three lines" 3 "${#version_lines[@]}"
expect_eq "--version names the program and version" "Veltrane 2.10.1" "${version_lines[0]-}"
expect_eq "--version names the maker" "Orvandel" "${version_lines[1]-}"
expect_match "--version ends with the maker's web address" '^[^ ]+$' "${version_lines[2]-}"

echo "usage"
for switch in --help -h '/?'; do
  veltrane "$switch"
  expect_eq "$switch exits 0" 0 "$status"
  expect_same_file "$switch prints the usage screen" "$E2E_DIR/usage.txt" "$E2E_WORK/out"
done

echo "parse errors"
# Each case: the arguments, then the error line the log must gain.
cases=(
  "--samples 9|--samples requires a whole number >= 10."
  "--samples -5|--samples requires a whole number >= 10."
  "--verify 99|--verify requires a whole number >= 100."
  "--step|--step (100-ns units) requires a value."
  "--from 5200 --to 5200|--to must be greater than --from."
  "--ppm --no-ppm|--ppm and --no-ppm cannot be used together."
  "--fidelity HIGH|--fidelity requires low, medium, or high."
  "--bogus|Unknown argument: --bogus (try --help)"
)
stamp='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  '
for entry in "${cases[@]}"; do
  read -ra args <<<"${entry%%|*}"
  message="${entry#*|}"
  name="${args[*]}"
  before=$(line_count "$VELTRANE_LOG")
  veltrane "${args[@]}"
  expect_eq "$name exits 1" 1 "$status"
  expect_same_file "$name prints the usage screen" "$E2E_DIR/usage.txt" "$E2E_WORK/out"
  after=$(line_count "$VELTRANE_LOG")
  expect_eq "$name appends one log line" $((before + 1)) "$after"
  if [ "$after" -ne $((before + 1)) ]; then
    continue
  fi
  raw_line="$(tail -n 1 "$VELTRANE_LOG")"
  line="${raw_line%$'\r'}"
  expect_eq "$name log line ends with CR LF" "$line"$'\r' "$raw_line"
  expect_match "$name log line starts with a time stamp" "$stamp" "$line"
  expect_eq "$name log line text" "ERROR: $message" "${line:21}"
  # The stamp is the local time of the write: within two minutes of this clock.
  logged=$(date -d "${line:0:19}" +%s 2>/dev/null || echo 0)
  drift=$(($(date +%s) - logged))
  expect_eq "$name log time is now" 1 $((drift >= -120 && drift <= 120))
done

e2e_done
