#!/usr/bin/env bash
# The measurement engine seen from outside. Under Wine only the 1 ms period can be
# measured: every finer candidate is masked by the period Wine always reports, so a quick
# run must select 10000 and show the rest as skipped; each run is saved and folded.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

DATA="$WINEPREFIX/drive_c/ProgramData/Veltrane"

echo "self-test"
veltrane --self-test
expect_eq "--self-test exits 0" 0 "$status"
expect_match "--self-test says it passed" 'Self-test passed\.' "$(cat "$E2E_WORK/out")"

echo "quick benchmark"
rm -f "$DATA"/benchmark-*.csv "$DATA/aggregate-master.csv"
for run in 1 2; do
  veltrane --benchmark --quick --yes
  expect_eq "run $run exits 0" 0 "$status"
  out="$(cat "$E2E_WORK/out")"
  expect_match "run $run selects 1.0000 ms" 'Selected: 10000 \(1\.0000 ms\)' "$out"
  expect_match "run $run shows masked candidates as skipped" \
    'skipped: another process held 1\.0000 ms' "$out"
  # Run files are named by the second they were written: keep two runs apart.
  sleep 1
done

mapfile -t runs < <(find "$DATA" -maxdepth 1 -name 'benchmark-*.csv' | sort)
expect_eq "each run wrote its CSV" 2 "${#runs[@]}"
if [ "${#runs[@]}" -ge 1 ]; then
  header="$(head -n 1 "${runs[0]}")"
  expect_eq "run CSV lines end with CR LF" $'\r' "${header: -1}"
  expect_eq "run CSV has 30 columns" 30 "$(tr -d '\r' <<<"$header" | awk -F, '{print NF}')"
fi

aggregate="$DATA/aggregate-master.csv"
expect_eq "aggregate header" \
  "requested,runs,loop_w,loop_median_s,loop_mean_s,loop_stdev_s,loop_late_s,loop_score_s,idle_w,idle_median_s,idle_mean_s,idle_stdev_s,idle_late_s,idle_score_s,score_w,score_s" \
  "$(head -n 1 "$aggregate" 2>/dev/null)"
expect_eq "aggregate counts two runs at 10000" 2 \
  "$(awk -F, '$1 == 10000 {print $2}' "$aggregate" 2>/dev/null)"

e2e_done
