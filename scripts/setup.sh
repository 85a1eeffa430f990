#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Veltrane: the native and
# MinGW-w64 toolchains, GoogleTest (packages and sources), Google Benchmark, clang with
# libFuzzer, and Wine with Xvfb. Safe to run again: when everything is present it does
# not touch apt at all. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++
  clang libclang-rt-dev            # libFuzzer and the sanitizer runtimes
  g++-mingw-w64-x86-64-posix       # also brings the MinGW-w64 binutils (windres, objdump)
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine wine64 xvfb xauth
  python3                          # the loopback HTTP server of the network contract tests
  openssl                          # its TLS listener's throw-away certificates
  imagemagick xdotool xclip        # the window tests: screenshots, synthetic input, clipboard
  tesseract-ocr                    # the window tests read the screen's words
  ccache                           # the six builds of a run share their compiled objects
)

# One dpkg query for the whole list; a package dpkg has never heard of is simply absent.
installed="$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)"
missing=()
for package in "${packages[@]}"; do
  if ! grep -qx "$package install ok installed" <<<"$installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q "${missing[@]}"
