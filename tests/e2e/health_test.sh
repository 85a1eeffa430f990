#!/usr/bin/env bash
# Health and guard from outside: --health lists every check with its status word after the
# summary and logs the summary; --guard does nothing but log its start unless a guard flag
# is set, and with the graphics flag pins a telemetry service and locks the Game DVR policy;
# with the timer flag it registers its own start-up task through Task Scheduler, leaving no
# definition file anywhere, and uninstall removes the task again.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

product='HKLM\SOFTWARE\Veltrane'
policy='HKLM\SOFTWARE\Policies\Microsoft\Windows\GameDVR'
statuses='Passing|Needs attention|Informational|Disabled|Unsupported|Unknown|Inaccessible|Error|Restart required'
summary='^([0-9]+ items? need attention\.|Nothing needs attention\.|No drifted tweaks\. Some checks could not be completed\.)$'

echo "health"
veltrane --health
expect_eq "--health exits 0" 0 "$status"
mapfile -t lines <"$E2E_WORK/out"
expect_match "--health starts with the summary" "$summary" "${lines[0]-}"
# 9 fixed checks, 22 processor, 3 storage power, 6 graphics rows (no adapter), 2 storage.
expect_eq "--health lists every check" 43 "${#lines[@]}"
bad=0
for line in "${lines[@]:1}"; do
  [[ "$line" =~ ^\ \ \[($statuses)\]\ [^|]+\ \|\ [^|]+\ \|\ .*$ ]] || bad=$((bad + 1))
done
expect_eq "every check line has a status word, group, title and reading" 0 "$bad"
logged=$(tr -d '\r' <"$VELTRANE_LOG" | grep -c "  health  ${lines[0]-}$")
expect_eq "the summary reaches the log as a health line" 1 $((logged >= 1))

echo "report"
veltrane --report
expect_eq "--report exits 0" 0 "$status"
mapfile -t report < <(tr -d '\r' <"$E2E_WORK/out")
expect_eq "--report names the program first" "Veltrane 2.10.1 report" "${report[0]-}"
expect_match "and the held period" '^Held timer period: ' "$(printf '%s\n' "${report[@]}" | grep '^Held')"
expect_match "and the health counts" \
  '^Health: [0-9]+ passing, [0-9]+ need attention, [0-9]+ informational, [0-9]+ other$' \
  "$(printf '%s\n' "${report[@]}" | grep '^Health:')"

echo "guard without flags"
for flag in GuardTimer GuardPpm GuardStorage GuardGpu GuardMemory; do
  wine reg delete "$product" /v "$flag" /f >/dev/null 2>&1
done
before=$(line_count "$VELTRANE_LOG")
veltrane --guard
expect_eq "--guard exits 0" 0 "$status"
expect_eq "--guard prints nothing" "" "$(cat "$E2E_WORK/out" "$E2E_WORK/err")"
expect_eq "--guard logs one line" $((before + 1)) "$(line_count "$VELTRANE_LOG")"
expect_match "--guard logs its start" '  Startup guard'$'\r''?$' "$(tail -n 1 "$VELTRANE_LOG")"

echo "guard with the graphics flag"
wine sc create NvTelemetryContainer binPath= 'C:\windows\system32\notepad.exe' start= demand \
  >/dev/null 2>&1
wine reg delete "$policy" /v AllowGameDVR /f >/dev/null 2>&1
wine reg add "$product" /v GuardGpu /t REG_DWORD /d 1 /f >/dev/null 2>&1
veltrane --guard
expect_eq "--guard with GuardGpu exits 0" 0 "$status"
start=$(wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\NvTelemetryContainer' /v Start \
  2>/dev/null | tr -d '\r' | grep -o '0x[0-9a-f]*')
expect_eq "the telemetry service is pinned disabled" 0x4 "$start"
dvr=$(wine reg query "$policy" /v AllowGameDVR 2>/dev/null | tr -d '\r' | grep -o '0x[0-9a-f]*')
expect_eq "the Game DVR policy is locked off" 0x0 "$dvr"
wine sc delete NvTelemetryContainer >/dev/null 2>&1
wine reg delete "$product" /f >/dev/null 2>&1
wine reg delete "$policy" /v AllowGameDVR /f >/dev/null 2>&1

echo "guard with the timer flag"
installed="$WINEPREFIX/drive_c/Program Files/Veltrane"
task="$WINEPREFIX/drive_c/windows/system32/tasks/Veltrane Guard"
mkdir -p "$installed"
cp "$VELTRANE_EXE" "$installed/Veltrane.exe"
wine reg add "$product" /v GuardTimer /t REG_DWORD /d 1 /f >/dev/null 2>&1
veltrane --guard
expect_eq "--guard with GuardTimer exits 0" 0 "$status"
expect_eq "the guard task is registered" yes "$([ -f "$task" ] && echo yes)"
expect_eq "the log says so" 1 \
  "$(tr -d '\r' <"$VELTRANE_LOG" | grep -c 'Veltrane Guard will re-apply hardened settings at startup\.$')"
expect_eq "no task definition left behind" "" \
  "$(find "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/ProgramData" -iname '*.xml' 2>/dev/null)"
veltrane --uninstall --no-pause
expect_eq "uninstall removes the guard task" no "$([ -e "$task" ] && echo yes || echo no)"

e2e_done
