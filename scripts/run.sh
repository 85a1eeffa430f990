#!/usr/bin/env bash
# Runs Veltrane.exe under Wine with the given arguments, building it first when needed;
# its output passes through and its exit code is this script's. Uses $WINEPREFIX when
# set, else a prefix under build/ made on first use.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"

# Set-up and build talk goes to a log, so that only the program's output reaches stdout.
mkdir -p "$VELTRANE_BUILD"
build_log="$VELTRANE_BUILD/run-build.log"
# (Inside an if, errexit is off: each step is chained explicitly.)
if ! (
  cd "$VELTRANE_ROOT" &&
    scripts/setup.sh &&
    { [ -f build/windows/build.ninja ] || cmake --preset windows; } &&
    cmake --build build/windows --target Veltrane -j 2
) >"$build_log" 2>&1; then
  tail -n 40 "$build_log" >&2
  echo "run.sh: the build failed (full log: $build_log)" >&2
  exit 1
fi

export WINEPREFIX="${WINEPREFIX:-$VELTRANE_BUILD/wine-run}"
make_wine_prefix "$WINEPREFIX"
exec wine "$VELTRANE_EXE" "$@"
