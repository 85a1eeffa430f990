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
# One line per phase on stderr, so a first run that installs and builds for minutes is not
# silent. (Inside an if, errexit is off: each step is chained explicitly.)
if ! (
  cd "$VELTRANE_ROOT" &&
    echo "run.sh: checking the packages the build needs..." >&3 &&
    scripts/setup.sh &&
    { [ -f build/windows/build.ninja ] ||
      { echo "run.sh: configuring the Windows build..." >&3 && cmake --preset windows; }; } &&
    echo "run.sh: building Veltrane.exe (the first build takes a few minutes)..." >&3 &&
    cmake --build build/windows --target Veltrane -j 2
) 3>&2 >"$build_log" 2>&1; then
  tail -n 40 "$build_log" >&2
  echo "run.sh: the build failed (full log: $build_log)" >&2
  exit 1
fi

export WINEPREFIX="${WINEPREFIX:-$VELTRANE_BUILD/wine-run}"
[ -d "$WINEPREFIX" ] || echo "run.sh: making the Wine prefix $WINEPREFIX..." >&2
make_wine_prefix "$WINEPREFIX"
exec wine "$VELTRANE_EXE" "$@"
