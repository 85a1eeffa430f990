#!/usr/bin/env bash
# The tuning steps under Wine: GPU Config writes the Windows graphics values with their
# records and uninstall puts back what was there and deletes what was not; CPU Tune stops
# cleanly where Wine has no power values; Storage disables SysMain and uninstall restores
# its start type.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

wineserver -p 60 >/dev/null 2>&1

product='HKLM\SOFTWARE\Veltrane'
graphics='HKLM\SYSTEM\CurrentControlSet\Control\GraphicsDrivers'
games='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Multimedia\SystemProfile\Tasks\Games'
dvr='HKLM\SOFTWARE\Policies\Microsoft\Windows\GameDVR'

echo "GPU Config"
wine reg add "$graphics" /v HwSchMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$games" /v "GPU Priority" /t REG_DWORD /d 2 /f >/dev/null 2>&1
wine reg delete "$dvr" /v AllowGameDVR /f >/dev/null 2>&1
veltrane --apply-gpu --yes --no-pause
expect_eq "--apply-gpu exits 0" 0 "$status"
expect_match "six settings written" "Applied 6 GPU tweak\(s\)\." "$(cat "$E2E_WORK/out")"
expect_eq "HAGS on" 2 "$(reg_dword "$graphics" HwSchMode)"
expect_eq "GPU priority 8" 8 "$(reg_dword "$games" "GPU Priority")"
expect_eq "Game DVR off" 0 "$(reg_dword "$dvr" AllowGameDVR)"
expect_eq "HwSchMode recorded" 1 "$(reg_dword "$product" Gpu_HAGS)"
expect_eq "GPU Priority recorded" 2 "$(reg_dword "$product" Gpu_MMGPU)"
expect_eq "AllowGameDVR recorded as absent" 0 "$(reg_dword "$product" Gpu_GAMEDVR_had)"
expect_eq "GpuApplied" 1 "$(reg_dword "$product" GpuApplied)"
veltrane --uninstall --no-pause
expect_eq "--uninstall exits 0" 0 "$status"
expect_eq "HwSchMode back to 1" 1 "$(reg_dword "$graphics" HwSchMode)"
expect_eq "GPU Priority back to 2" 2 "$(reg_dword "$games" "GPU Priority")"
expect_eq "AllowGameDVR deleted" absent "$(reg_dword "$dvr" AllowGameDVR)"
expect_eq "product key gone" absent "$(reg_dword "$product" GpuApplied)"

echo "CPU Tune without power values"
veltrane --apply-ppm --ppm --yes --no-pause
expect_eq "--apply-ppm exits 1" 1 "$status"
expect_eq "--apply-ppm says why" "PowerGetActiveScheme failed; cannot apply PPM tweaks." \
  "$(cat "$E2E_WORK/err")"
expect_eq "nothing recorded" absent "$(reg_dword "$product" PpmApplied)"

echo "Storage and SysMain"
wine sc create SysMain binpath= "C:\\windows\\system32\\svchost.exe" start= auto >/dev/null 2>&1
services='HKLM\System\CurrentControlSet\Services\SysMain'
veltrane --apply-storage --no-pause
expect_eq "SysMain disabled" 4 "$(reg_dword "$services" Start)"
expect_eq "its start type recorded" 2 "$(reg_dword "$product" GpuSvc_SysMain_start)"
veltrane --uninstall --no-pause
expect_eq "SysMain start type restored" 2 "$(reg_dword "$services" Start)"
expect_match "uninstall says so" "Restored SysMain start type\." "$(cat "$E2E_WORK/out")"
wine sc delete SysMain >/dev/null 2>&1

e2e_done
