#!/bin/sh
# Drives the real gnsslog binary under a virtual X server: loads a sample
# log through the menu and Qt's file dialog, checks the six plot windows and
# the main window's caption, turns a View item off and on, takes a
# screenshot, gives a bad and then a good grid in the Transformations menu
# and loads again, and quits through the menu.
#
#   real_window.sh APP SAMPLEGEN SAMPLES_DIR WORK_DIR
#
# Every wait polls with a deadline; the whole run is bounded by timeout.
set -eu

if [ "${1:-}" != "--inside" ]; then
  app=$1 samplegen=$2 samples=$3 work=$4
  mkdir -p "$work"
  log="$samples/static-rtk.pvt1b"
  if [ ! -f "$log" ]; then
    log="$work/static-rtk.pvt1b"
    "$samplegen" --format navcom --size 150000 --out "$log"
  fi
  exec timeout -k 5 110 xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$app" "$log" "$work"
fi

app=$2 log=$3 work=$4
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$app" >"$work/gnsslog.out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

# Waits (up to $2 s) until a visible window is named exactly $1; prints its id.
# Polls rather than using --sync: a search fails at once when some other
# window vanishes while it runs (the progress window hiding, say).
wait_window() {
  end=$(($(date +%s) + $2))
  while :; do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# Waits (up to $2 s) until no visible window is named exactly $1.
wait_gone() {
  end=$(($(date +%s) + $2))
  while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# Visible windows of the application (its pop-up menus count too).
window_count() {
  xdotool search --onlyvisible --class '^gnsslog$' 2>/dev/null | wc -l
}

# Opens the File menu of the main window (raised above any plot window).
open_file_menu() {
  before=$(window_count)
  xdotool windowraise "$main"
  # No --sync: it stalls when the pointer is already there.
  xdotool mousemove --window "$main" 15 10 click 1
  # The menu is a pop-up window of its own; wait until it is on the screen.
  end=$(($(date +%s) + 10))
  until [ "$(window_count)" -gt "$before" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "the File menu did not open"
    sleep 0.1
  done
}

# Chooses the second item of the View menu, "X-Histogram".
toggle_x_histogram() {
  open_file_menu
  xdotool key Right Down Return  # moving into View selects its first item
}

main=$(wait_window "Pelomark GNSS log analyzer" 20) || true
[ -n "$main" ] || fail "the main window did not appear"

open_file_menu
xdotool key Down Return  # "Load log file"
dialog=$(wait_window "Open" 10) || true
[ -n "$dialog" ] || fail "the open-file dialog did not appear"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$log"
xdotool key Return

for caption in "X histogram" "Y histogram" "Z histogram" "3D RTK-FIX position" "3D RTK-X position" \
  "XYZ plotter window"; do
  [ -n "$(wait_window "$caption" 30)" ] || fail "no window \"$caption\""
done
name=$(basename "$log")
[ "$(xdotool getwindowname "$main")" = "$name" ] || fail "main window caption is not \"$name\""
xdotool search --onlyvisible --name '^(Error|ERROR)$' >/dev/null 2>&1 && fail "an error box is showing"

# Without a window manager every window sits at the origin: tile them so
# the screenshot shows all of them.
x=0
y=200
for caption in "X histogram" "Y histogram" "Z histogram" "3D RTK-FIX position" "3D RTK-X position" \
  "XYZ plotter window"; do
  xdotool search --onlyvisible --name "^$caption\$" windowmove %1 "$x" "$y"
  x=$((x + 340))
  if [ "$x" -gt 1000 ]; then x=0 y=$((y + 360)); fi
done
xdotool windowmove "$main" 0 0
import -window root "$work/gnsslog-window.png"

toggle_x_histogram
wait_gone "X histogram" 10 || fail "\"X histogram\" stayed after its View item was turned off"
toggle_x_histogram
[ -n "$(wait_window "X histogram" 10)" ] || fail "\"X histogram\" did not come back"

# Opens the Transformations menu; its first item, "Geodetic-->KKJ", is selected.
open_transformations_menu() {
  open_file_menu
  xdotool key Right Right Right Right  # View, Truth coordinates, Parsing mode, Transformations
}

# Loads the log through the menu and the file dialog.
load_log() {
  open_file_menu
  xdotool key Down Return  # "Load log file"
  dialog=$(wait_window "Open" 10) || true
  [ -n "$dialog" ] || fail "the open-file dialog did not appear"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 5 "$log"
  xdotool key Return
}

# A geographic system is refused at once with an error box.
open_transformations_menu
xdotool key Down Down Down Down Return  # local ENU, ETRS-TM35FIN, ETRS-GK, "Geodetic-->EPSG code..."
box=$(wait_window "EPSG code" 10) || true
[ -n "$box" ] || fail "the EPSG code box did not appear"
xdotool windowfocus --sync "$box"
xdotool type --delay 5 "4326"
xdotool key Return
error=$(wait_window "gnsslog" 20) || true
[ -n "$error" ] || fail "no error box for EPSG:4326"
xdotool windowfocus --sync "$error"
xdotool key Return
wait_gone "gnsslog" 10 || fail "the error box stayed"

# ETRS-TM35FIN, then a load measured in it.
open_transformations_menu
xdotool key Down Down Return  # local ENU, "Geodetic-->ETRS-TM35FIN"
load_log
sleep 1
for caption in "X histogram" "Y histogram" "Z histogram" "3D RTK-FIX position" "3D RTK-X position" \
  "XYZ plotter window"; do
  [ -n "$(wait_window "$caption" 30)" ] || fail "no window \"$caption\" after the TM35FIN load"
done
xdotool search --onlyvisible --name '^(Error|ERROR|gnsslog)$' >/dev/null 2>&1 && fail "an error box is showing after the TM35FIN load"
xdotool windowraise "$main"
sleep 0.5
import -window root "$work/gnsslog-tm35fin.png"

open_file_menu
xdotool key Down Down Return  # "Exit"
end=$(($(date +%s) + 10))
while kill -0 "$pid" 2>/dev/null; do
  [ "$(date +%s)" -lt "$end" ] || fail "the application did not quit"
  sleep 0.1
done
trap - EXIT
wait "$pid" || fail "the application exited with status $?"
echo "PASS: six windows, caption \"$name\", View toggle, EPSG:4326 refused, TM35FIN load, screenshots in $work"
