#!/usr/bin/env bash
# What an elevated run writes stays in the real data folder: an environment that points
# ProgramData at a folder of the user's choosing changes nothing there, and links planted
# at the names the self-test once used for its scratch folders (pointing at the data
# folder) leave the data files as they were.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

wineserver -p 60 >/dev/null 2>&1

DATA="$WINEPREFIX/drive_c/ProgramData/Veltrane"
exe_windows="$(winepath -w "$VELTRANE_EXE" 2>/dev/null)"

# Runs Veltrane.exe with ProgramData set to C:\users\Public\elsewhere: Wine replaces a
# ProgramData taken from the Unix side, so cmd sets it for the child it starts (the
# build path has no spaces: Wine would pass quotes around it on to cmd).
veltrane_with_other_programdata() {
  timeout -k 5 120 wine cmd /c "set ProgramData=C:\\users\\Public\\elsewhere&& $exe_windows $*" \
    </dev/null >"$E2E_WORK/out.raw" 2>"$E2E_WORK/err.raw"
  status=$?
  tr -d '\r' <"$E2E_WORK/out.raw" >"$E2E_WORK/out"
}

echo "another ProgramData in the environment"
elsewhere="$WINEPREFIX/drive_c/users/Public/elsewhere"
rm -rf "$elsewhere"
mkdir -p "$elsewhere" "$DATA"
runs_before=$(find "$DATA" -maxdepth 1 -name 'benchmark-*.csv' | wc -l)
veltrane_with_other_programdata --benchmark --quick --yes
expect_eq "the benchmark exits 0" 0 "$status"
veltrane_with_other_programdata --self-test
expect_eq "the self-test exits 0" 0 "$status"
veltrane_with_other_programdata --apply-afterburner --yes --no-pause
expect_eq "nothing was made in the folder the environment named" "" \
  "$(find "$elsewhere" -mindepth 1 2>/dev/null | head -n 5)"
expect_eq "the run went to the real data folder" $((runs_before + 1)) \
  "$(find "$DATA" -maxdepth 1 -name 'benchmark-*.csv' | wc -l)"

echo "links at the self-test's old scratch names"
temp_windows="$(wine cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')"
temp="$(winepath -u "$temp_windows" 2>/dev/null)"
temp="${temp%/}"
printf 'requested,runs\n5000,7\n' >"$DATA/aggregate-master.csv"
printf '2025-01-01 00:00:00,CPU,kept\n' >"$DATA/tune-history.csv"
cp "$DATA/aggregate-master.csv" "$E2E_WORK/aggregate.expected"
cp "$DATA/tune-history.csv" "$E2E_WORK/history.expected"
mkdir -p "$temp"
for name in VeltraneAggTest VeltraneAggHold; do
  rm -rf "${temp:?}/$name"
  ln -s "$DATA" "$temp/$name"
done
veltrane --self-test
expect_eq "the self-test exits 0" 0 "$status"
expect_same_file "the aggregate is untouched" "$E2E_WORK/aggregate.expected" "$DATA/aggregate-master.csv"
expect_same_file "the history is untouched" "$E2E_WORK/history.expected" "$DATA/tune-history.csv"
expect_eq "no scratch folder is left in the data folder" "" \
  "$(find "$DATA" -maxdepth 1 -type d -name 'self-test-*')"
rm -f "$temp/VeltraneAggTest" "$temp/VeltraneAggHold"

e2e_done
