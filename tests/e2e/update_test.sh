#!/usr/bin/env bash
# The self-update against a loopback stand-in for the maker's hosts: TLS on 127.0.0.1:443
# for "localhost" with a throw-away authority, serving an update list and a copy of the
# program rebuilt as 2.10.2. The probe (tests/e2e/update/update_probe.cpp) runs the real
# update layer on the real adapters with the loopback host names; the shipped program
# reads no such override. A good release replaces the probe's own image and the installed
# copy and keeps the old bytes as ".old"; a wrong hash, an oversize answer, a redirect to
# another host and a 32-bit file each leave nothing behind. Then the hand-off: with
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
drive="$WINEPREFIX/drive_c"
installed="$drive/Program Files/Veltrane/Veltrane.exe"
probe_copy="$drive/probe/update_probe.exe"

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
  grep -q ready "$E2E_WORK/server.out" 2>/dev/null && break
  sleep 0.2
done
if ! grep -q ready "$E2E_WORK/server.out"; then
  fail "the loopback server listens on 127.0.0.1:443" "$(cat "$E2E_WORK/server.out")"
  e2e_done
fi
ca="Z:${E2E_WORK//\//\\}\\tls\\ca.der"

make_wine_prefix "$WINEPREFIX" || {
  fail "the Wine prefix is made"
  e2e_done
}
wineserver -p 60 >/dev/null 2>&1

sha_of() { sha256sum "$1" | cut -d' ' -f1; }
size_of() { stat -c %s "$1"; }

# publish URL-PATH SHA256 [SIZE]: the update list offers 2.10.2 at https://localhost/PATH.
publish() {
  local size=""
  [ -n "${3:-}" ] && size=",\"size\":$3"
  printf '{"version":"2.10.2","url":"https://localhost/%s","notes":"Test release.","sha256":"%s"%s}' \
    "$1" "$2" "$size" >"$site/latest.json"
}

# A fresh probe and an installed 2.10.1, then one update run; its lines in $probe_out.
run_probe() {
  rm -rf "$drive/probe" "$(dirname "$installed")"
  mkdir -p "$drive/probe" "$(dirname "$installed")"
  cp "$probe" "$probe_copy"
  cp "$VELTRANE_EXE" "$installed"
  probe_out=$(timeout -k 5 120 wine 'C:\probe\update_probe.exe' "$ca" </dev/null 2>/dev/null |
    tr -d '\r')
}

# Any download or ".old" file anywhere on the prefix's drive.
leftovers() { find "$drive" \( -iname 'Veltrane-update.exe' -o -iname '*.old' \) -printf '%P\n'; }

echo "refused releases leave nothing behind"
payload_sha=$(sha_of "$payload")
payload_size=$(size_of "$payload")
zeros=0000000000000000000000000000000000000000000000000000000000000000
while IFS='|' read -r name path sha size expected; do
  publish "$path" "$sha" "$size"
  run_probe
  expect_eq "$name: refused" "offered: 2.10.2 https://localhost/$path
apply: $expected" "$probe_out"
  expect_eq "$name: no download, no .old" "" "$(leftovers)"
  if cmp -s "$probe" "$probe_copy" && cmp -s "$VELTRANE_EXE" "$installed"; then
    pass "$name: both copies unchanged"
  else
    fail "$name: both copies unchanged"
  fi
done <<EOF
wrong hash|Veltrane-2.10.2.exe|$zeros|$payload_size|The download did not match the published checksum.
oversize|Veltrane-oversize.exe|$payload_sha||The download is larger than expected.
redirect to another host|Veltrane-moved.exe|$payload_sha|$payload_size|The download was redirected away from localhost.
32-bit|Veltrane-x86.exe|$(sha_of "$site/Veltrane-x86.exe")|$payload_size|The download is not the 64-bit Veltrane executable.
EOF

echo "a good release replaces both copies"
publish Veltrane-2.10.2.exe "$payload_sha" "$payload_size"
run_probe
expect_eq "the release is applied" "offered: 2.10.2 https://localhost/Veltrane-2.10.2.exe
apply: done" "$probe_out"
expect_same_file "the running image is the release" "$payload" "$probe_copy"
expect_same_file "its .old holds the probe's bytes" "$probe" "$probe_copy.old"
expect_same_file "the installed copy is the release" "$payload" "$installed"
expect_same_file "its .old holds 2.10.1" "$VELTRANE_EXE" "$installed.old"
expect_eq "the download is gone" "" "$(find "$drive" -iname 'Veltrane-update.exe')"
expect_match "the download is counted" "POST localhost /api/veltrane/downloads" "$(cat "$requests")"
expect_eq "no name but localhost was asked for" "" "$(awk '$2 != "localhost"' "$requests")"
expect_eq "the redirect's target was never fetched" "" "$(grep -v -- '-moved.exe' "$requests" |
  grep ' /Veltrane.exe')"

e2e_done
