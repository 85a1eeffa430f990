#!/usr/bin/env bash
# The Afterburner step under Wine: with Afterburner already in its folder it changes only
# its ten configuration keys (the rest of the file, its line ends and its non-ASCII text
# stay byte for byte), skips the scan on a machine without a PCI-E card, and registers
# the logon task that uninstall removes again. Wine's Task Scheduler keeps the task's name
# but neither its trigger nor its command, so no logon start can be observed here. With
# nothing installed, no 7-Zip and no pinned 7-Zip installer, the step stops before any
# download and leaves no file behind.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

wineserver -p 60 >/dev/null 2>&1

folder="$WINEPREFIX/drive_c/Program Files (x86)/MSI Afterburner"
tasks="$WINEPREFIX/drive_c/windows/system32/tasks"
drivers="$WINEPREFIX/drive_c/ProgramData/Veltrane/drivers"

echo "Afterburner already installed"
mkdir -p "$folder"
printf 'MZ stand-in' >"$folder/MSIAfterburner.exe"
# Another section with a key of the same name, a comment and a skin name in UTF-8, a
# near-miss key and a section after [Settings].
printf '%s\r\n' '[ATIADLHAL]' 'StartWithWindows = 1' '; Größe – kept' '[Settings]' \
  'Language = de' 'StartWithWindows = 1' 'StartMinimizedX = 5' 'Skin = Grün.usf' \
  '[Source]' 'FirstRun = 1' >"$folder/MSIAfterburner.cfg"
# Keys missing from [Settings] go right after its header, each before the one added
# earlier; keys present are rewritten in place.
printf '%s\r\n' '[ATIADLHAL]' 'StartWithWindows = 1' '; Größe – kept' '[Settings]' \
  'EnableServer = 1' 'FirstRun = 0' 'UnlockVoltageMonitoring = 1' 'UnlockVoltageControl = 1' \
  'StartupDelay = 0' 'StartupViaTaskScheduler = 0' 'RestoreAfterSuspendedMode = 1' \
  'RememberSettings = 1' 'StartMinimized = 1' 'Language = de' 'StartWithWindows = 0' \
  'StartMinimizedX = 5' 'Skin = Grün.usf' '[Source]' 'FirstRun = 1' >"$E2E_WORK/expected.cfg"
veltrane --apply-afterburner --yes --no-pause
expect_eq "--apply-afterburner exits 0" 0 "$status"
expect_same_file "only the ten keys changed" "$E2E_WORK/expected.cfg" "$folder/MSIAfterburner.cfg"
expect_eq "what the user reads" "Installing MSI Afterburner and RivaTuner, then scanning a startup overclock. This takes about 30 minutes.
The Afterburner download and OC scan take about 30 minutes.
MSI Afterburner is already installed.
No PCI-E graphics card was found. Integrated graphics will not be scanned.
RivaTuner Statistics Server was not found next to Afterburner.
The OC scanner was not started. It runs on the PCI-E NVIDIA card, not integrated graphics.
Afterburner will start at each logon.
Afterburner starts at every logon with its own saved settings. No scanned profile was applied." \
  "$(cat "$E2E_WORK/out")"
expect_eq "the logon task is registered" yes "$([ -f "$tasks/Veltrane Afterburner" ] && echo yes)"
expect_eq "no task for a missing RivaTuner" no \
  "$([ -e "$tasks/Veltrane RivaTuner" ] && echo yes || echo no)"
expect_eq "no task definition left behind" "" \
  "$(find "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/ProgramData" \
    -name 'Veltrane-logon-task.xml' 2>/dev/null)"
veltrane --uninstall --no-pause
expect_eq "uninstall removes the logon task" no \
  "$([ -e "$tasks/Veltrane Afterburner" ] && echo yes || echo no)"
expect_eq "uninstall leaves the configuration" yes \
  "$(cmp -s "$E2E_WORK/expected.cfg" "$folder/MSIAfterburner.cfg" && echo yes)"

echo "Nothing installed"
rm -rf "$folder" "$drivers"
veltrane --apply-afterburner --yes --no-pause
expect_eq "exits 1" 1 "$status"
expect_match "announces the download" "Downloading MSI Afterburner 4\.6\.6 from the Guru3D archive\." \
  "$(cat "$E2E_WORK/out")"
expect_match "says what to do about 7-Zip" "7-Zip is not installed\. Install 7-Zip, then try again\." \
  "$(cat "$E2E_WORK/out")"
expect_eq "says what stopped it" "7-Zip is required to open the Afterburner package." \
  "$(cat "$E2E_WORK/err")"
expect_eq "no download or unpack folder left" no "$([ -e "$drivers" ] && echo yes || echo no)"

e2e_done
