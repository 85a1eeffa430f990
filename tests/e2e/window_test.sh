#!/usr/bin/env bash
# The window on an X display: the real Veltrane.exe with no arguments opens one window in
# the brand's colours, a second start brings it back and exits 0, Escape hides it to the
# tray while the program keeps running, and a still or hidden window costs no CPU. Runs on
# an Xvfb display and a Wine prefix of its own, so the rest of the tier stays headless.
: "${E2E_WORK:=$(mktemp -d)}"
export WINEPREFIX="$E2E_WORK/prefix"
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=scripts/common.sh
source "$E2E_DIR/../../scripts/common.sh"

title='Veltrane  [|]  Orvandel'

for tool in Xvfb xdotool import tesseract; do
  if ! command -v "$tool" >/dev/null; then
    fail "$tool is installed (scripts/setup.sh)"
    e2e_done
  fi
done

start_xvfb 120 140 1920x1080x24
trap 'wineserver -k 2>/dev/null; kill "$xvfb_pid" 2>/dev/null' EXIT
make_wine_prefix "$WINEPREFIX" || {
  fail "the Wine prefix is made"
  e2e_done
}

# The id of the visible main window, or nothing.
main_window() { xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1; }
# expect_idle NAME LIMIT: the program uses fewer than LIMIT CPU ticks (1/100 s) in 10 s.
expect_idle() {
  local before after
  before=$(awk '{ print $14 + $15 }' "/proc/$program/stat")
  sleep 10
  after=$(awk '{ print $14 + $15 }' "/proc/$program/stat")
  if [ $((after - before)) -lt "$2" ]; then
    pass "$1 ($((after - before)) ticks in 10 s)"
  else
    fail "$1" "$((after - before)) ticks in 10 s"
  fi
}
# wait_for_window SHOWN: until the main window is shown (1) or gone (0), at most 5 s.
wait_for_window() {
  for _ in $(seq 20); do
    if [ "$1" -eq 1 ] && [ -n "$(main_window)" ]; then return; fi
    if [ "$1" -eq 0 ] && [ -z "$(main_window)" ]; then return; fi
    sleep 0.25
  done
}

# start_window ARGS...: starts the program and sets `window` to its main window once it
# shows (at most 60 s), or to nothing. In a subshell: the program is ended by wineserver at
# exit, and bash need not report it.
start_window() {
  (wine "$VELTRANE_EXE" "$@" </dev/null >"$E2E_WORK/gui.out" 2>&1 &)
  window=""
  for _ in $(seq 120); do
    window=$(main_window)
    [ -n "$window" ] && return
    sleep 0.5
  done
}

# newest_program PATTERN: the newest process of this run's prefix whose command line
# matches; other runs on the machine (each with its own prefix) are never picked.
newest_program() {
  local pid
  for pid in $(pgrep -f "$1" | sort -rn); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}

# read_screen: the window's words, enlarged for the recogniser.
read_screen() {
  import -window "$window" "$E2E_WORK/read.png"
  convert "$E2E_WORK/read.png" -resize 200% -colorspace Gray -negate "$E2E_WORK/read-big.png"
  tesseract "$E2E_WORK/read-big.png" - 2>/dev/null
}
# wait_for_words TEXT: up to 20 s until the window shows TEXT. Each click waits for its
# screen, as a user does; a page still sliding in takes no input.
wait_for_words() {
  for _ in $(seq 10); do
    # Found while it may still slide in: give the page a moment to land.
    grep -q "$1" <<<"$(read_screen)" && sleep 1 && return 0
    sleep 1
  done
  return 1
}

echo "first start"
start_window
if [ -z "$window" ]; then
  fail "a window titled \"Veltrane  |  Orvandel\" opens" "$(tail -n 5 "$E2E_WORK/gui.out")"
  e2e_done
fi
pass "a window titled \"Veltrane  |  Orvandel\" opens"

echo "first-start questions"
# answer_box: the next box titled "Veltrane" (the first-start dialog, then the maintain
# question) takes Return, its default button; 1 when none comes or it stays.
answer_box() {
  local box=""
  for _ in $(seq 40); do
    box=$(xdotool search --onlyvisible --name '^Veltrane$' 2>/dev/null | head -n 1)
    [ -n "$box" ] && break
    sleep 0.25
  done
  [ -n "$box" ] || return 1
  xdotool windowactivate --sync "$box" >/dev/null 2>&1 || xdotool windowfocus "$box"
  xdotool key --clearmodifiers Return
  for _ in $(seq 20); do
    xdotool search --onlyvisible --name '^Veltrane$' 2>/dev/null | grep -qx "$box" || return 0
    sleep 0.25
  done
  return 1
}
# monitor_value NAME: the DWORD the program saved under its monitor key, in decimal.
monitor_value() {
  local hex
  hex=$(wine reg query 'HKCU\Software\Veltrane\Monitor' /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { print $3 }')
  [ -n "$hex" ] && printf '%d' "$hex"
}
if answer_box; then pass "the start-up dialog is answered with OK"; else fail "the start-up dialog is answered with OK"; fi
if answer_box; then pass "the maintain question is answered Yes"; else fail "the maintain question is answered Yes"; fi
expect_eq "the ticked box starts with Windows" 1 "$(monitor_value LaunchAtLogin)"
expect_eq "the start-up question is not asked again" 1 "$(monitor_value StartupAsked)"
expect_eq "Yes maintains the timing" 1 "$(monitor_value MaintainTiming)"

size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
expect_eq "its client area is 1340 x 880 at 96 DPI" "1340x880" "$size"

# After the opening fade the picture stands still.
sleep 3
shot="$E2E_WORK/window.png"
import -window "$window" "$shot"
colours="$(convert "$shot" -format %c histogram:info:- | sort -rn)"
expect_match "Navy is the ground" '#071638' "$(head -n 1 <<<"$colours")"
# count_near R G B: pixels within 12 of the colour in every channel.
count_near() {
  convert "$shot" -fx "abs(r*255-$1)<12 && abs(g*255-$2)<12 && abs(b*255-$3)<12" \
    -format '%[fx:round(mean*w*h)]' info:
}
white=$(count_near 244 247 255)
accent=$(($(count_near 52 123 255) + $(count_near 141 184 255)))
if [ "$white" -gt 500 ]; then pass "Cool White text ($white px)"; else fail "Cool White text" "$white px"; fi
if [ "$accent" -gt 200 ]; then pass "Electric or Icy accents ($accent px)"; else fail "Electric or Icy accents" "$accent px"; fi

program=$(newest_program 'Veltrane\.exe$')
[ -n "$program" ] || program=$(newest_program 'Veltrane\.exe')
# Well under 3 % of one core: 30 ticks in 10 s.
expect_idle "a still window is idle" 30

# A copy started from elsewhere puts itself in place of the (missing) installed copy and
# the window runs from there.
expect_match "the first start opened the installed copy" 'Opening the installed Veltrane' \
  "$(grep -a 'Installed this Veltrane\|Opening the installed' "$VELTRANE_LOG" | tr -d '\r')"
expect_eq "which is in place" 0 "$(test -f "$WINEPREFIX/drive_c/Program Files/Veltrane/Veltrane.exe"; echo $?)"

# The first health scan starts with the window and logs its verdict from its own thread.
expect_match "a health scan ran at start" 'health  ' "$(grep -a 'health  ' "$VELTRANE_LOG" | tr -d '\r')"

echo "second start"
veltrane
expect_eq "a second start exits 0" 0 "$status"
expect_eq "and the first window is still there" "$window" "$(main_window)"

echo "Escape"
# An empty spot of the selection screen: the click only gives the window the focus.
xdotool mousemove --window "$window" 1200 700 click 1
sleep 0.5
xdotool key Escape
wait_for_window 0
expect_eq "Escape hides the window" "" "$(main_window)"
if kill -0 "$program" 2>/dev/null; then pass "the program stays in the tray"; else fail "the program stays in the tray"; fi
# Under 0.5 % of one core: 5 ticks in 10 s.
expect_idle "a hidden window is idle" 5

echo "brought back"
veltrane
expect_eq "a start while hidden exits 0" 0 "$status"
wait_for_window 1
expect_eq "and shows the window again" "$window" "$(main_window)"

echo "a tune from the window"
# click X Y: a click at the client position, as a user makes it.
click() {
  xdotool mousemove --window "$window" "$1" "$2" click 1
  sleep 0.4
}
# The selection screen at 1340 x 880: Clear, then Measure and Hold, the Low plan, Begin.
click 847 141
click 300 416
click 300 468
click 720 237
click 765 382
history="$WINEPREFIX/drive_c/ProgramData/Veltrane/tune-history.csv"
for _ in $(seq 120); do
  grep -aq 'Timer hold' "$history" 2>/dev/null && break
  sleep 1
done
expect_match "Begin measured and installed the timer service" 'Timer hold,Boot service holding' \
  "$(tr -d '\r' <"$history" 2>/dev/null)"
expect_eq "only the selected steps ran" "" "$(grep -a 'Restore point\|CPU,\|Memory,' "$history")"
expect_eq "the selection was saved" "0 1 1" \
  "$(monitor_value Want_prepare) $(monitor_value Want_measure) $(monitor_value Want_hold)"
expect_match "the service holds a period" '^[1-9][0-9]*$' \
  "$(reg_dword 'HKLM\SOFTWARE\Veltrane' DesiredResolution)"
expect_eq "the window is still there" "$window" "$(main_window)"
import -window "$window" "$E2E_WORK/review.png"

echo "reopened beside the running service"
# The service now runs the same executable in this session (Wine has no session 0): a new
# start must still open the window rather than take the service for a running copy.
kill "$program" 2>/dev/null
wait_for_window 0
start_window --show
if [ -n "$window" ]; then pass "the window opens again"; else fail "the window opens again" "$(tail -n 3 "$VELTRANE_LOG" | tr -d '\r')"; fi

echo "Home's report"
# Set-up is complete: the window opens on Home. A click before its first frame finds no
# control, as for a user.
wait_for_words 'Copy report'
# "Copy report" in its tools column puts the report on the clipboard, which Wine shares
# with the X display.
click 80 389
report=""
for _ in $(seq 20); do
  report="$(timeout 5 xclip -o -selection clipboard 2>/dev/null | tr -d '\r')"
  [ -n "$report" ] && break
  sleep 0.5
done
expect_match "Copy report puts the report on the clipboard" '^Veltrane .* report' "$report"
expect_match "and it names the held period" 'Held timer period: [0-9.]* ms' "$report"

echo "a setting kept across a restart"
# Home's "Settings", then "Pause health monitoring" in its App block.
click 218 389
wait_for_words 'Pause health monitoring'
click 275 326
expect_eq "the switch is saved at once" 1 "$(monitor_value Paused)"
kill "$(newest_program 'Veltrane\.exe --show')" 2>/dev/null
wait_for_window 0
start_window --show
expect_eq "and still set after a restart" 1 "$(monitor_value Paused)"

echo "a measurement watched on its screen"
# Home's "Measure timing". Wine's HLSL compiler refuses the shipped lattice shader: the
# Lattice panel shows its message, the other panels draw, and the log says why.
winners() { grep -ac 'Timer,winner' "$history" 2>/dev/null; }
before=$(winners)
# From Home, whichever screen the restarted window opened on.
click 1076 36
wait_for_words 'Measure timing'
click 80 201
for _ in $(seq 40); do
  grep -aq 'Lattice renderer unavailable' "$VELTRANE_LOG" && break
  sleep 0.5
done
expect_match "the lattice renderer's refusal is logged" 'Lattice renderer unavailable: D3DCompile' \
  "$(grep -a 'Lattice renderer' "$VELTRANE_LOG" | tr -d '\r')"
shot="$E2E_WORK/measure.png"
# count_in W H X Y R G B: pixels near the colour inside a panel of the 1340 x 880 screen.
count_in() {
  convert "$shot" -crop "$1x$2+$3+$4" +repage \
    -fx "abs(r*255-$5)<12 && abs(g*255-$6)<12 && abs(b*255-$7)<12" \
    -format '%[fx:round(mean*w*h)]' info:
}
# icy_or_coral W H X Y: the wakes, points and bars of a panel, clean or late.
icy_or_coral() { echo $(($(count_in "$@" 141 184 255) + $(count_in "$@" 255 138 154))); }
# Once the finalists are being verified every panel has something to show.
for _ in $(seq 90); do
  import -window "$window" "$shot"
  bars=$(icy_or_coral 356 220 420 540)
  [ "$bars" -gt 100 ] && break
  sleep 1
done
if [ "$bars" -gt 100 ]; then pass "the Verification bars draw ($bars px)"; else fail "the Verification bars draw" "$bars px"; fi
wakes=$(icy_or_coral 356 220 28 255)
if [ "$wakes" -gt 20 ]; then pass "the Live chart fills ($wakes px)"; else fail "the Live chart fills" "$wakes px"; fi
# Under Wine only the 1 ms period can be measured: the sweep has one point.
points=$(icy_or_coral 356 220 28 540)
if [ "$points" -gt 0 ]; then pass "the Sweep panel draws ($points px)"; else fail "the Sweep panel draws" "$points px"; fi
expect_match "the Lattice panel shows its message" 'Lattice renderer unavailable on this device' \
  "$(read_screen)"

for _ in $(seq 120); do
  [ "$(winners)" -gt "$before" ] && break
  sleep 0.5
done
sleep 2
period=$(grep -a 'Timer,winner' "$history" | tail -n 1 | sed -n 's/.*winner \([0-9.]*\) ms.*/\1/p')
expect_match "the result screen names the selected period ($period ms)" "${period:-none} ms" \
  "$(read_screen)"
import -window "$window" "$E2E_WORK/result.png"

echo "the restart panel"
# Home, its "Restart notes", then "Restart computer": the panel opens; Enter held down
# closes it through "Not yet" once and never restarts.
click 1076 36
wait_for_words 'Restart notes'
click 218 309
wait_for_words 'Before you restart'
click 85 423
warning='Programs still open will be closed'
expect_match "Restart computer opens its panel" "$warning" "$(read_screen)"
xdotool windowfocus "$window" 2>/dev/null
xdotool keydown Return
sleep 2
xdotool keyup Return
sleep 1
expect_eq "a held Enter leaves the window there" "$window" "$(main_window)"
screen=$(read_screen)
expect_eq "and closes the panel without restarting" "" "$(grep -o "$warning" <<<"$screen")"

e2e_done
