#!/usr/bin/env bash
# The timer service under Wine: install with a pinned period, status, stop and start,
# uninstall, and --stop with nothing installed. Wine's timer accepts every request and
# keeps running at 1 ms, so a 1 ms period is one it reports back.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

# Services die a few seconds after the last Wine process ends: keep the session alive.
wineserver -p 60 >/dev/null 2>&1

installed="$WINEPREFIX/drive_c/Program Files/Veltrane/Veltrane.exe"

product='HKLM\SOFTWARE\Veltrane'
kernel='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\kernel'

echo "stop with nothing installed"
veltrane --stop
expect_eq "--stop exits 1" 1 "$status"
expect_eq "--stop says the service is not installed" "Service is not installed." "$(cat "$E2E_WORK/err")"

echo "install"
wine reg delete "$kernel" /v GlobalTimerResolutionRequests /f >/dev/null 2>&1
veltrane --install --resolution 10000 --yes --no-pause --no-prepare --no-ppm --no-gpu \
  --no-afterburner --no-memory --no-storage
expect_eq "--install exits 0" 0 "$status"
expect_match "install names the period" "Using requested resolution: 10000 \(1\.0000 ms\)" \
  "$(cat "$E2E_WORK/out")"
expect_match "install reports success" "Installed\. The 'Veltrane' service" "$(cat "$E2E_WORK/out")"
if [ -f "$installed" ]; then pass "the program is copied to Program Files"; else
  fail "the program is copied to Program Files" "missing: $installed"
fi
expect_eq "DesiredResolution is written" 10000 "$(reg_dword "$product" DesiredResolution)"
expect_eq "the period is pinned" 1 "$(reg_dword "$product" ResolutionPinned)"
expect_eq "GlobalTimerResolutionRequests is set" 1 \
  "$(reg_dword "$kernel" GlobalTimerResolutionRequests)"
expect_eq "its absence is recorded" 0 "$(reg_dword "$product" GlobalFlagHadValue)"
expect_eq "the service records what the kernel reports" 10000 \
  "$(reg_dword "$product" AppliedResolution)"
# Wine starts services with %ProgramData% at C:\users\Public, so the service's log may
# be there rather than beside the console's.
service_logs=("$VELTRANE_LOG" "$WINEPREFIX/drive_c/users/Public/Veltrane/Veltrane.log")
expect_match "the service logs what it holds" \
  "service: holding resolution 10000 \(1\.0000 ms\); kernel reports 1\.0000 ms" \
  "$(cat "${service_logs[@]}" 2>/dev/null)"

echo "status"
veltrane --status
expect_eq "--status exits 0" 0 "$status"
expect_match "--status shows the running service" \
  "Service: RUNNING \(auto-start, LocalSystem\), requesting 1\.0000 ms; kernel reports 1\.0000 ms" \
  "$(cat "$E2E_WORK/out")"

echo "stop and start"
veltrane --stop
expect_eq "--stop exits 0" 0 "$status"
expect_eq "--stop says so" "Service stopped." "$(cat "$E2E_WORK/out")"
expect_eq "a stopped service clears AppliedResolution" 0 "$(reg_dword "$product" AppliedResolution)"
veltrane --status
expect_match "--status shows it stopped" "Service: installed but not running \(see --start\)\." \
  "$(cat "$E2E_WORK/out")"
veltrane --start
expect_eq "--start exits 0" 0 "$status"
expect_eq "--start says so" "Service started." "$(cat "$E2E_WORK/out")"

echo "uninstall"
veltrane --uninstall
expect_eq "--uninstall exits 0" 0 "$status"
expect_match "--uninstall ends with Uninstalled." "Uninstalled\.$" "$(cat "$E2E_WORK/out")"
veltrane --status
expect_match "the service is gone" "Service: not installed\." "$(cat "$E2E_WORK/out")"
if wine reg query "$product" >/dev/null 2>&1; then
  fail "the product key is deleted"
else
  pass "the product key is deleted"
fi
if [ -f "$installed" ]; then fail "the installed copy is deleted" "still there: $installed"; else
  pass "the installed copy is deleted"
fi
expect_eq "GlobalTimerResolutionRequests is deleted again" absent \
  "$(reg_dword "$kernel" GlobalTimerResolutionRequests)"

veltrane --stop
expect_eq "--stop after uninstall exits 1" 1 "$status"

e2e_done
