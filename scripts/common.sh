# shellcheck shell=bash
# shellcheck disable=SC2034  # the variables set here are read by the sourcing scripts
# Sourced by run.sh and test.sh: the repository's places, the Wine settings every run
# uses, and the one way a Wine prefix is made.

VELTRANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELTRANE_BUILD="$VELTRANE_ROOT/build"
VELTRANE_EXE="$VELTRANE_BUILD/windows/Veltrane.exe"

# The presets build the same sources up to six times; ccache makes the repeats cheap, and
# a base directory of the checkout lets two clones share one cache.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
  export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$VELTRANE_ROOT}"
  export CCACHE_NOHASHDIR=1
fi

# No Mono or Gecko install prompts, and no Wine debug chatter mixed into the program's
# own output.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# make_wine_prefix DIR: creates the prefix when it does not exist yet, as Windows 10 (a new
# prefix says Windows 7). Wine's own messages go to a log under build/logs. Needs no X
# display.
make_wine_prefix() {
  local prefix=$1
  if [ -f "$prefix/system.reg" ]; then
    return 0
  fi
  local log
  log="$VELTRANE_BUILD/logs/prefix-$(basename "$prefix").log"
  mkdir -p "$(dirname "$prefix")" "$VELTRANE_BUILD/logs"
  if ! WINEPREFIX="$prefix" env -u DISPLAY wine winecfg -v win10 >"$log" 2>&1 ||
    ! WINEPREFIX="$prefix" wineserver -w; then
    echo "could not create the Wine prefix $prefix (see $log)" >&2
    return 1
  fi
}
