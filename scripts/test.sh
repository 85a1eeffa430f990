#!/usr/bin/env bash
# Builds both presets and runs every test tier: the native unit and contract suites
# (ctest), a benchmark smoke run, the contract suites against the Win32 adapters under
# Wine, the end-to-end scripts against the real Veltrane.exe under Wine, and each fuzz
# target for a short while. Ends with "N passed, N failed" summed over the tiers and
# exits non-zero when anything failed or did not build.
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
cd "$VELTRANE_ROOT" || exit 1

# Wine and the programs under test get no X display; the tier that needs one starts Xvfb.
unset DISPLAY

FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
LOGS="$VELTRANE_BUILD/logs"
mkdir -p "$LOGS"

total_passed=0
total_failed=0
summary=()

# tier_done NAME PASSED FAILED STARTED: adds a tier's counts and remembers its line.
tier_done() {
  total_passed=$((total_passed + $2))
  total_failed=$((total_failed + $3))
  summary+=("$(printf '  %-10s %5d ok %5d failing %5ds' "$1" "$2" "$3" $((SECONDS - $4)))")
}

# step LOG COMMAND...: runs a set-up or build command with its output in a log file,
# shown (its tail) only when it fails.
step() {
  local log="$LOGS/$1"
  shift
  if "$@" >"$log" 2>&1; then
    return 0
  fi
  echo "FAILED: $* (last lines of $log):"
  tail -n 40 "$log"
  return 1
}

# Keeps one prefix's wineserver alive for a whole tier (services die a few seconds after
# the last Wine process exits otherwise) and ends it afterwards.
live_prefix=""
end_wine_session() {
  if [ -n "$live_prefix" ]; then
    WINEPREFIX="$live_prefix" wineserver -k 2>/dev/null
    live_prefix=""
  fi
}

# An Xvfb display for the tier whose tests make windows; without Xvfb, DISPLAY stays unset
# and those tests skip.
xvfb_pid=""
start_display() {
  command -v Xvfb >/dev/null || return 0
  local n
  for n in $(seq 90 110); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      if [ -S "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
}
stop_display() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  unset DISPLAY
}
trap 'end_wine_session; stop_display' EXIT

# start_wine_session DIR: a fresh prefix for this run, with its server kept alive.
start_wine_session() {
  rm -rf "$1"
  make_wine_prefix "$1" || return 1
  live_prefix="$1"
  WINEPREFIX="$1" wineserver -p
  # Wine's background processes start with the first program; let them inherit nothing
  # of a test's output.
  WINEPREFIX="$1" wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}

echo "== setup"
if ! step setup.log scripts/setup.sh; then
  echo "0 passed, 1 failed"
  exit 1
fi

echo "== native: build and ctest"
started=$SECONDS
if step native-configure.log cmake --preset native &&
  step native-build.log cmake --build --preset native; then
  ctest_out="$LOGS/ctest.log"
  # Only failures and the totals reach the screen; the whole list is in the log. A test
  # on the simulated machine takes well under a second: two minutes means it hangs. The
  # apply-then-uninstall property runs its fixed seeds 1-1000 in four shards of well under
  # a minute; VELTRANE_PROPERTY_MACHINES=N (and VELTRANE_PROPERTY_FIRST_SEED) run a longer
  # series by hand: build/native/veltrane_tests --gtest_filter='*ApplyUninstallProperty*'.
  ctest --test-dir build/native --output-on-failure -j2 --timeout 120 2>&1 | tee "$ctest_out" |
    grep -v -e '^ *[0-9]*/[0-9]* Test *#[0-9]*: .* Passed' -e '^ *Start *[0-9]*: '
  ctest_status=${PIPESTATUS[0]}
  # "97% tests passed, 1 tests failed out of 40"
  counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\1 \2/p' "$ctest_out")
  if [ -n "$counts" ]; then
    read -r failed all <<<"$counts"
    tier_done native $((all - failed)) "$failed" "$started"
  elif [ "$ctest_status" -eq 0 ]; then
    tier_done native 0 0 "$started"
  else
    tier_done native 0 1 "$started"
  fi
else
  tier_done native 0 1 "$started"
fi

echo "== bench: one short pass"
started=$SECONDS
if [ -x build/native/veltrane_bench ]; then
  if step bench.log timeout 300 build/native/veltrane_bench --benchmark_min_time=0.01; then
    tier_done bench 1 0 "$started"
  else
    tier_done bench 0 1 "$started"
  fi
else
  echo "(no benchmarks built)"
fi

echo "== tsan: the GUI runner's threaded tests under ThreadSanitizer"
started=$SECONDS
if step tsan-configure.log cmake --preset tsan &&
  step tsan-build.log cmake --build --preset tsan --target veltrane_tests; then
  if step tsan.log env TSAN_OPTIONS=halt_on_error=1 build/tsan/veltrane_tests \
    --gtest_filter='GuiStepRunner*:GuiSharedState*:GuiScheduler*:GuiStepWindow*' --gtest_repeat=5; then
    tier_done tsan 1 0 "$started"
  else
    tier_done tsan 0 1 "$started"
  fi
else
  tier_done tsan 0 1 "$started"
fi

echo "== asan: the whole native suite once under AddressSanitizer and UBSan"
started=$SECONDS
if step asan-configure.log cmake --preset asan &&
  step asan-build.log cmake --build --preset asan --target veltrane_tests; then
  if step asan.log env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 build/asan/veltrane_tests; then
    tier_done asan 1 0 "$started"
  else
    tier_done asan 0 1 "$started"
  fi
else
  tier_done asan 0 1 "$started"
fi

echo "== windows: cross build"
started=$SECONDS
windows_built=0
if step windows-configure.log cmake --preset windows &&
  step windows-build.log cmake --build --preset windows; then
  windows_built=1
  tier_done windows 0 0 "$started"
else
  tier_done windows 0 1 "$started"
fi

echo "== contract: Win32 adapters under Wine"
started=$SECONDS
contract_exe=build/windows/veltrane_contract_win32.exe
if [ "$windows_built" -eq 1 ] && [ -f "$contract_exe" ]; then
  # The desktop suite drives a stand-in window; the prefix's desktop must see the display
  # from its first process on.
  start_display
  if start_wine_session "$VELTRANE_BUILD/wine-contract"; then
    contract_out="$LOGS/contract.log"
    # Into a file, not a pipe: Wine's own service processes inherit the handle and outlive
    # the run, so a pipe would never see its end.
    # The network suite's server: loopback only, and gone by itself after 15 minutes. Its
    # TLS listener's throw-away authority (key deleted once it has signed) and the
    # server's certificate and key are made in build/logs, never in the tree.
    http_port_file="$LOGS/loopback-http.port"
    tls_dir="$LOGS/loopback-tls"
    rm -rf "$tls_dir"
    python3 tests/contract/loopback_http.py 900 "$tls_dir" >"$http_port_file" 2>/dev/null &
    http_pid=$!
    # Up to 10 s: on a busy machine Python alone can take seconds to start.
    for _ in $(seq 50); do
      [ -s "$http_port_file" ] && break
      sleep 0.2
    done
    (cd build/windows && WINEPREFIX="$live_prefix" VELTRANE_TEST_HTTP_PORT="$(head -n 1 "$http_port_file")" \
      VELTRANE_TEST_HTTPS_PORT="$(sed -n 2p "$http_port_file")" VELTRANE_TEST_CA_FILE="Z:${tls_dir//\//\\}\\ca.der" \
      timeout 900 wine veltrane_contract_win32.exe \
      --gtest_color=no </dev/null >"$contract_out.raw" 2>&1)
    contract_status=$?
    kill "$http_pid" 2>/dev/null
    tr -d '\r' <"$contract_out.raw" >"$contract_out"
    grep -v -e '^\[ *\(RUN\|OK\) *\]' -e '^\[----------\]' -e '^$' "$contract_out"
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$contract_out")
    failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$contract_out")
    passed=${passed:-0}
    failed=${failed:-0}
    # A crash or hang leaves no summary behind: count it as one failure.
    if [ "$contract_status" -ne 0 ] && [ "$failed" -eq 0 ]; then
      echo "contract run ended with status $contract_status"
      failed=1
    fi
    end_wine_session
    tier_done contract "$passed" "$failed" "$started"
  else
    tier_done contract 0 1 "$started"
  fi
  stop_display
else
  echo "(not built)"
  tier_done contract 0 1 "$started"
fi

echo "== e2e: Veltrane.exe under Wine"
started=$SECONDS
if [ "$windows_built" -eq 1 ] && [ -f "$VELTRANE_EXE" ]; then
  if start_wine_session "$VELTRANE_BUILD/wine-e2e"; then
    passed=0
    failed=0
    for script in tests/e2e/*_test.sh; do
      name=$(basename "$script" .sh)
      echo "-- $name"
      work="$VELTRANE_BUILD/e2e/$name"
      rm -rf "$work"
      mkdir -p "$work"
      (cd "$work" && WINEPREFIX="$live_prefix" VELTRANE_EXE="$VELTRANE_EXE" E2E_WORK="$work" \
        bash "$VELTRANE_ROOT/$script" </dev/null >"$LOGS/e2e-$name.log" 2>&1)
      cat "$LOGS/e2e-$name.log"
      result=$(tail -n 1 "$LOGS/e2e-$name.log")
      if [[ "$result" =~ ^e2e-result\ ([0-9]+)\ ([0-9]+)$ ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
      else
        echo "$name ended without its counts"
        failed=$((failed + 1))
      fi
    done
    end_wine_session
    tier_done e2e "$passed" "$failed" "$started"
  else
    tier_done e2e 0 1 "$started"
  fi
else
  echo "(Veltrane.exe not built)"
  tier_done e2e 0 1 "$started"
fi

echo "== fuzz: ${FUZZ_SECONDS}s per target"
started=$SECONDS
shopt -s nullglob
fuzz_sources=(tests/fuzz/*_fuzz.cpp)
if [ ${#fuzz_sources[@]} -eq 0 ]; then
  echo "(no fuzz targets)"
elif step fuzz-configure.log cmake --preset fuzz &&
  step fuzz-build.log cmake --build --preset fuzz --target veltrane_fuzzers; then
  passed=0
  failed=0
  for source in "${fuzz_sources[@]}"; do
    name=$(basename "$source" .cpp)
    corpus="$VELTRANE_BUILD/fuzz/corpus/$name"
    artifacts="$VELTRANE_BUILD/fuzz/artifacts/$name/"
    mkdir -p "$corpus" "$artifacts"
    # Seeds kept in the tree, when a target has them, are read but never written.
    seeds=()
    if [ -d "tests/fuzz/corpus/$name" ]; then
      seeds=("tests/fuzz/corpus/$name")
    fi
    if step "fuzz-$name.log" "build/fuzz/fuzzers/$name" -max_total_time="$FUZZ_SECONDS" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "${seeds[@]}"; then
      echo "$name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$LOGS/fuzz-$name.log")"
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done
  tier_done fuzz "$passed" "$failed" "$started"
else
  tier_done fuzz 0 1 "$started"
fi

echo "== summary (tier, checks ok, checks failing, seconds)"
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
