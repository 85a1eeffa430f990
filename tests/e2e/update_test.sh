#!/usr/bin/env bash
# The self-update against a loopback stand-in for the maker's hosts: TLS on 127.0.0.1:443
# for "localhost" with a throw-away authority, serving an update list and a copy of the
# program rebuilt as 2.10.2. The probe (tests/e2e/update/update_probe.cpp) runs the real
# update layer on the real adapters with the loopback host names; the shipped program
# reads no such override. A good release replaces the probe's own image and the installed
# copy and keeps the old bytes as ".old"; a wrong hash, an oversize answer, a redirect to
# another host and a 32-bit file each leave nothing behind; so does a certificate for
# another name. The installed copy updates itself, started by its long or its short (8.3)
# name, and keeps one ".old" of the bytes that ran. Then the hand-off: with
# 2.10.1 installed as the service and its window open, starting the 2.10.2 copy closes the
# old window, replaces the installed file and points the service and the Run value at it.
# Needs to bind port 443 (root) and runs on a Wine prefix and an Xvfb display of its own.
: "${E2E_WORK:=$(mktemp -d)}"
export WINEPREFIX="$E2E_WORK/prefix"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=scripts/common.sh
source "$E2E_DIR/../../scripts/common.sh"

built=$(dirname "$VELTRANE_EXE")
payload="$built/Veltrane-2.10.2.exe"
probe="$built/update_probe.exe"
site="$E2E_WORK/site"
requests="$E2E_WORK/requests.log"

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    fail "$tool is installed (scripts/setup.sh)"
    e2e_done
  fi
done
for file in "$payload" "$probe"; do
  if [ ! -f "$file" ]; then
    fail "$(basename "$file") is built" "missing: $file"
    e2e_done
  fi
done

server_pid=""
xvfb_pid=""
trap 'wineserver -k 2>/dev/null; [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null' EXIT

mkdir -p "$site"
: >"$requests"
cp "$payload" "$site/Veltrane-2.10.2.exe"
# The same file marked for 32-bit x86: the machine field after "PE\0\0".
python3 - "$payload" "$site/Veltrane-x86.exe" <<'EOF'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
at = struct.unpack_from("<I", image, 60)[0]
struct.pack_into("<H", image, at + 4, 0x14C)
open(sys.argv[2], "wb").write(image)
EOF
python3 "$E2E_DIR/update_server.py" "$site" "$E2E_WORK/tls" "$requests" 600 \
  >"$E2E_WORK/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  grep -qx ready "$E2E_WORK/server.out" 2>/dev/null && break
  sleep 0.2
done
if ! grep -qx ready "$E2E_WORK/server.out"; then
  fail "the loopback server listens on 127.0.0.1:443" "$(cat "$E2E_WORK/server.out")"
  e2e_done
fi
ca="Z:${E2E_WORK//\//\\}\\tls\\ca.der"

# new_prefix DIR: a fresh prefix whose server stays up, its background processes started
# with none of our output to hold open.
new_prefix() {
  export WINEPREFIX=$1
  drive="$WINEPREFIX/drive_c"
  installed="$drive/Program Files/Veltrane/Veltrane.exe"
  VELTRANE_LOG="$drive/ProgramData/Veltrane/Veltrane.log"
  make_wine_prefix "$WINEPREFIX" || {
    fail "the Wine prefix is made"
    e2e_done
  }
  wineserver -p
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}

sha_of() { sha256sum "$1" | cut -d' ' -f1; }
size_of() { stat -c %s "$1"; }

# reg_string KEY VALUE: a string value's data, or nothing.
reg_string() {
  wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_\(EXPAND_\)\{0,1\}SZ *//p"
}

# Every log line of the prefix: Wine starts services with %ProgramData% at C:\users\Public.
all_logs() { cat "$VELTRANE_LOG" "$drive/users/Public/Veltrane/Veltrane.log" 2>/dev/null; }

# publish URL-PATH SHA256 [SIZE]: the update list offers 2.10.2 at https://localhost/PATH.
publish() {
  local size=""
  [ -n "${3:-}" ] && size=",\"size\":$3"
  printf '{"version":"2.10.2","url":"https://localhost/%s","notes":"Test release.","sha256":"%s"%s}' \
    "$1" "$2" "$size" >"$site/latest.json"
}

# run_probe fresh|keep-installed [HOST]: a fresh probe and, unless kept, an installed 2.10.1,
# then one update run against HOST (default localhost); its lines in $probe_out.
run_probe() {
  probe_copy="$drive/probe/update_probe.exe"
  rm -rf "$drive/probe"
  mkdir -p "$drive/probe"
  cp "$probe" "$probe_copy"
  if [ "$1" != keep-installed ]; then
    rm -rf "$drive/Program Files/Veltrane"
    mkdir -p "$drive/Program Files/Veltrane"
    cp "$VELTRANE_EXE" "$installed"
  fi
  probe_at 'C:\probe\update_probe.exe' "${2:-localhost}"
}

# probe_at WINDOWS-PATH HOST: one update run of the probe at that path; its lines in
# $probe_out.
probe_at() {
  timeout -k 5 120 wine "$1" "$ca" "$2" </dev/null >"$E2E_WORK/probe.raw" 2>&1
  probe_out=$(tr -d '\r' <"$E2E_WORK/probe.raw")
}

# Any download or ".old" file anywhere on the prefix's drive.
leftovers() { find "$drive" \( -iname 'Veltrane-update.exe' -o -iname '*.old' \) -printf '%P\n'; }

install_service() {
  veltrane --install --resolution 10000 --yes --no-pause --no-prepare --no-ppm --no-gpu \
    --no-afterburner --no-memory --no-storage
  expect_eq "2.10.1 is installed as the service" 0 "$status"
}

# expect_untouched NAME: no download, no ".old", and the probe and the installed copy as
# they were.
expect_untouched() {
  expect_eq "$1: no download, no .old" "" "$(leftovers)"
  if cmp -s "$probe" "$probe_copy" && cmp -s "$VELTRANE_EXE" "$installed"; then
    pass "$1: both copies unchanged"
  else
    fail "$1: both copies unchanged"
  fi
}

new_prefix "$E2E_WORK/prefix"

echo "refused releases leave nothing behind"
payload_sha=$(sha_of "$payload")
payload_size=$(size_of "$payload")
zeros=0000000000000000000000000000000000000000000000000000000000000000
while IFS='|' read -r name path sha size expected; do
  publish "$path" "$sha" "$size"
  run_probe fresh
  expect_eq "$name: refused" "offered: 2.10.2 https://localhost/$path
apply: $expected" "$probe_out"
  expect_untouched "$name"
done <<CASES
wrong hash|Veltrane-2.10.2.exe|$zeros|$payload_size|The download did not match the published checksum.
oversize|Veltrane-oversize.exe|$payload_sha||The download is larger than expected.
redirect to another host|Veltrane-moved.exe|$payload_sha|$payload_size|The download was redirected away from localhost.
32-bit|Veltrane-x86.exe|$(sha_of "$site/Veltrane-x86.exe")|$payload_size|The download is not the 64-bit Veltrane executable.
CASES

echo "a certificate for another name is refused before any request"
publish Veltrane-2.10.2.exe "$payload_sha" "$payload_size"
before=$(line_count "$requests")
run_probe fresh 127.0.0.1
# Wine reports the failed name check as a secure channel error (12157) rather than a
# certificate failure, so the message there is the unreachable one.
expect_match "127.0.0.1: refused" \
  "^check: 127\.0\.0\.1 (did not present a trusted certificate|could not be reached)\.$" \
  "$probe_out"
expect_eq "127.0.0.1: nothing was asked for" "$before" "$(line_count "$requests")"
expect_untouched "127.0.0.1"

echo "the installed copy updates itself once, started by its long or its short name"
publish Veltrane-2.10.2.exe "$payload_sha" "$payload_size"
long_name='C:\Program Files\Veltrane\Veltrane.exe'
mkdir -p "$drive/Program Files/Veltrane"
cp "$probe" "$installed"
short_name=$(wine "$long_name" --short-name "$long_name" </dev/null 2>/dev/null | tr -d '\r')
for name in "$long_name" "$short_name"; do
  rm -rf "$drive/probe" "$drive/Program Files/Veltrane"
  mkdir -p "$drive/Program Files/Veltrane"
  cp "$probe" "$installed"
  probe_at "$name" localhost
  expect_eq "$name: the release is applied" "offered: 2.10.2 https://localhost/Veltrane-2.10.2.exe
apply: done" "$probe_out"
  expect_same_file "$name: the installed copy is the release" "$payload" "$installed"
  expect_same_file "$name: its .old holds the bytes that ran" "$probe" "$installed.old"
done
rm -rf "$drive/Program Files/Veltrane"

echo "a good release replaces both copies, the service stopped around the swap"
install_service
publish Veltrane-2.10.2.exe "$payload_sha" "$payload_size"
run_probe keep-installed
expect_eq "the release is applied" "offered: 2.10.2 https://localhost/Veltrane-2.10.2.exe
apply: done" "$probe_out"
expect_same_file "the running image is the release" "$payload" "$probe_copy"
expect_same_file "its .old holds the probe's bytes" "$probe" "$probe_copy.old"
expect_same_file "the installed copy is the release" "$payload" "$installed"
expect_same_file "its .old holds 2.10.1" "$VELTRANE_EXE" "$installed.old"
expect_eq "the download is gone" "" "$(find "$drive" -iname 'Veltrane-update.exe')"
expect_match "the service stopped for the swap and started again" \
  "service: stopped, resolution released.*service: starting" "$(all_logs | tr '\n' ' ')"
veltrane --status
expect_match "the service runs" "Service: RUNNING" "$(cat "$E2E_WORK/out")"
expect_match "the download is counted" "POST localhost /api/veltrane/downloads" "$(cat "$requests")"
expect_eq "no name but localhost was asked for" "" "$(awk '$2 != "localhost"' "$requests")"
expect_eq "the redirect's target was never fetched" "" "$(grep -v -- '-moved.exe' "$requests" |
  grep ' /Veltrane.exe')"
wineserver -k
wineserver -w

echo "hand-off: starting the newer copy takes over from the running older one"
start_xvfb 161 180 1280x800x24
new_prefix "$E2E_WORK/handoff-prefix"
install_service
mkdir -p "$drive/Old"
cp "$VELTRANE_EXE" "$drive/Old/Veltrane.exe"
# No first-start questions, and a window rather than the tray, so the old copy shows.
for setting in StartupAsked=1 MaintainAsked=1 StartMinimized=0; do
  wine reg add 'HKCU\Software\Veltrane\Monitor' /v "${setting%=*}" /t REG_DWORD \
    /d "${setting#*=}" /f </dev/null >/dev/null 2>&1
done
title='Veltrane  [|]  Orvandel'
# wait_for_window: the id of the visible main window once there is one (at most 60 s).
wait_for_window() {
  local window
  for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1)
    [ -n "$window" ] && echo "$window" && return
    sleep 0.5
  done
}
# Its status file appears when it has ended.
(
  wine 'C:\Program Files\Veltrane\Veltrane.exe'
  echo $? >"$E2E_WORK/old-gui.status"
) </dev/null >"$E2E_WORK/old-gui.out" 2>&1 &
old_window=$(wait_for_window)
old_pid=$(xdotool getwindowpid "$old_window" 2>/dev/null)
if [ -z "$old_pid" ]; then
  fail "the installed 2.10.1 opens its window"
  e2e_done
fi
pass "the installed 2.10.1 opens its window"
# While it runs, the service and the sign-in entry come to name an older copy kept
# elsewhere, as an install from another folder leaves them (each start of a copy points
# them at the installed one).
services='HKLM\System\CurrentControlSet\Services\Veltrane'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
cp "$probe" "$drive/probe.exe"
wine 'C:\probe.exe' --service-command '"C:\Old\Veltrane.exe" --service' </dev/null >/dev/null 2>&1
expect_eq "the service names the old copy" '"C:\Old\Veltrane.exe" --service' \
  "$(reg_string "$services" ImagePath)"
wine reg add "$run_key" /v Veltrane /d '"C:\Old\Veltrane.exe"' /f </dev/null >/dev/null 2>&1
# service_state STATE: waits up to 10 s for the service to reach STATE; false if it does not.
service_state() {
  for _ in $(seq 20); do
    wine sc query Veltrane </dev/null >"$E2E_WORK/sc.raw" 2>&1
    grep -q "STATE.*$1" "$E2E_WORK/sc.raw" && return 0
    sleep 0.5
  done
  return 1
}
wine sc stop Veltrane </dev/null >/dev/null 2>&1
service_state STOPPED
wine sc start Veltrane </dev/null >/dev/null 2>&1
if service_state RUNNING; then pass "the service runs the old copy"; else
  fail "the service runs the old copy" "$(tr -d '\r' <"$E2E_WORK/sc.raw")"
fi

log_before=$(line_count "$VELTRANE_LOG")
mkdir -p "$drive/users/Public/Downloads"
cp "$payload" "$drive/users/Public/Downloads/Veltrane.exe"
timeout -k 5 60 wine 'C:\users\Public\Downloads\Veltrane.exe' </dev/null \
  >"$E2E_WORK/new-gui.out" 2>&1
expect_eq "the downloaded 2.10.2 hands over and exits 0" 0 "$?"
for _ in $(seq 25); do
  [ -s "$E2E_WORK/old-gui.status" ] && break
  sleep 0.2
done
# Not its exit code: on a display with no window manager, Wine waits about two seconds
# each for the window and its tray icon to be withdrawn, so the close the
# "Veltrane.Replace" message starts outlasts the 2 s the newer copy gives it, and the
# newer copy ends it (on Windows the close is immediate).
if [ -s "$E2E_WORK/old-gui.status" ]; then pass "the old copy exits"; else
  fail "the old copy exits"
fi
expect_same_file "the installed file is 2.10.2" "$payload" "$installed"
expect_eq "the service runs the installed path" \
  '"C:\Program Files\Veltrane\Veltrane.exe" --service' "$(reg_string "$services" ImagePath)"
expect_eq "the Run value names the installed path" '"C:\Program Files\Veltrane\Veltrane.exe"' \
  "$(reg_string "$run_key" Veltrane)"
# Only what was logged from the hand-off on.
log=$(tail -n +$((log_before + 1)) "$VELTRANE_LOG")
for line in "Closed the older Veltrane so this version can take over." \
  "Installed this Veltrane over the previous copy." \
  'The startup service now runs C:\Program Files\Veltrane\Veltrane.exe.' \
  'Startup now launches C:\Program Files\Veltrane\Veltrane.exe.' \
  "Opening the installed Veltrane."; do
  if grep -qF -- "$line" <<<"$log"; then pass "logged: $line"; else fail "logged: $line"; fi
done
new_window=$(wait_for_window)
new_pid=$(xdotool getwindowpid "$new_window" 2>/dev/null)
if [ -n "$new_pid" ] && [ "$new_pid" != "$old_pid" ] &&
  tr '\0' ' ' <"/proc/$new_pid/cmdline" | grep -qF 'C:\Program Files\Veltrane\Veltrane.exe'; then
  pass "the installed copy opens its window"
else
  fail "the installed copy opens its window" "pid ${new_pid:-none}"
fi
expect_eq "its start deleted the replaced file's .old" "" "$(leftovers)"

e2e_done
