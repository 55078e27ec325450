#!/bin/sh
# Drives the real gnsslog binary under a virtual X server: loads a sample
# log through the menu and Qt's file dialog, checks the six plot windows and
# the main window's caption, turns a View item off and on, takes a
# screenshot, gives a bad and then a good grid in the Transformations menu
# and loads again, and quits through the menu.
#
# Under a window manager (openbox, when installed) it also checks, from the
# X server's stacking order and from pixels: the about box, an error box and
# the Compare logs results (which Escape closes) above the always-on-top
# main window, the error plot's client size and
# check-box colours, a plot window closed from its frame coming back from
# its View item, and the scatter plot and error CDF windows opening and
# closing from View, and the Sessions window painting its pictures.
#
# It also checks that the application ends within 2 s of File > Exit and
# of the main window's close button after a load, that a refused EPSG code
# keeps the grid ticked before it for the next load, and (with the real
# logs folder) that the UBX walk log's histogram shows its tallest bar.
# With the real logs it loads the MatRTKLIB rover against its reference
# chosen through the Truth coordinates menu and looks at View > Track.
# Last it starts the application with the log named on the command line,
# and with a missing one.
#
#   real_window.sh APP SAMPLEGEN SAMPLES_DIR WORK_DIR [REALDATA_DIR]
#   real_window.sh --huge APP SAMPLEGEN WORK_DIR
#
# --huge loads a 300 MB generated NMEA log and opens the View menu once a
# second during and after the load: each must open within 200 ms.
#
# Every wait polls with a deadline; the whole run is bounded by timeout.
set -eu

if [ "${1:-}" = "--huge" ]; then
  app=$2 samplegen=$3 work=$4
  mkdir -p "$work"
  log="$work/huge.nmea"
  trap 'rm -f "$log"' EXIT
  "$samplegen" --format nmea --size 300000000 --out "$log" >/dev/null
  timeout -k 5 300 xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$app" "$log" "$work" huge ""
  exit $?
fi

if [ "${1:-}" != "--inside" ]; then
  app=$1 samplegen=$2 samples=$3 work=$4 realdata=${5:-}
  mkdir -p "$work"
  log="$samples/static-rtk.pvt1b"
  if [ ! -f "$log" ]; then
    log="$work/static-rtk.pvt1b"
    "$samplegen" --format navcom --size 150000 --out "$log"
  fi
  exec timeout -k 5 230 xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$app" "$log" "$work" normal "$realdata"
fi

app=$2 log=$3 work=$4 mode=$5 realdata=$6
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

. "$(dirname "$0")/x_session.sh"
start_window_manager

start_app() {
  "$app" >>"$work/gnsslog.out" 2>&1 &
  pid=$!
}
start_app
trap 'kill "$pid" 2>/dev/null || true; [ -z "$wm_pid" ] || kill "$wm_pid" 2>/dev/null || true' EXIT

# Chooses the second item of the View menu, "X-Histogram".
toggle_x_histogram() {
  open_file_menu
  xdotool key Right Down Return  # moving into View selects its first item
}

# Position (0-based, bottom first) of window $1 in the stacking order.
stack_position() {
  xprop -root _NET_CLIENT_LIST_STACKING | tr -d ',' | tr ' ' '\n' | grep '^0x' |
    awk -v id="$(printf '0x%x' "$1")" '$0 == id { print NR; exit }'
}

# Fails unless window $1 is stacked above the main window.
expect_above_main() {
  above=$(stack_position "$1")
  below=$(stack_position "$main")
  [ -n "$above" ] && [ -n "$below" ] && [ "$above" -gt "$below" ] ||
    fail "$2 is not above the main window (stack positions ${above:-none} and ${below:-none})"
}

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

# Loads the file $1 through the menu and the file dialog.
load_file() {
  open_file_menu
  xdotool key Down Return  # "Load log file"
  dialog=$(wait_window "Open" 10) || true
  [ -n "$dialog" ] || fail "the open-file dialog did not appear"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 12 "$1"
  xdotool key Return
}

# Waits (up to 30 s) for the six plot windows of a load.
wait_six_windows() {
  for caption in "X histogram" "Y histogram" "Z histogram" "3D RTK-FIX position" "3D RTK-X position" \
    "XYZ plotter window"; do
    [ -n "$(wait_window "$caption" 30)" ] || fail "no window \"$caption\" $1"
  done
}

# Fails unless the application's process ends within 2 s.
expect_exit_within_2s() {
  end=$(($(date +%s%N) / 1000000 + 2000))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$(($(date +%s%N) / 1000000))" -lt "$end" ] || fail "the application did not end within 2 s of $1"
    sleep 0.05
  done
  wait "$pid" || fail "the application exited with status $? after $1"
}

# Bars (runs of green) along the lowest row holding green in the
# histogram picture $1.
bar_count() {
  convert "$1" txt:- | awk -F'[,: ]+' '
    / #008000 / { green[$2] = green[$2] " " $1; if ($2 > low) low = $2 }
    END {
      n = split(green[low], xs, " ")
      for (i = 1; i <= n; i++) { if (i == 1 || xs[i] != xs[i - 1] + 1) runs++ }
      print runs + 0
    }'
}

# Row of the topmost bar pixel and of the top grid line (the grey dotted
# line of the axis's top value) in the histogram picture $1.
bar_and_axis_top() {
  convert "$1" txt:- | awk -F'[,:]' '
    / #008000 / { if (bar == "" || $2 < bar) bar = $2 }
    / #808080 / { if (grid == "" || $2 < grid) grid = $2 }
    END { print bar, grid }'
}

main=$(wait_window "Pelomark GNSS log analyzer" 20) || true
[ -n "$main" ] || fail "the main window did not appear"

if [ "$mode" = huge ]; then
  . "$(dirname "$0")/huge_window.sh"
  exit 0
fi

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

# ETRS-TM35FIN, and the Transformations menu as it shows that choice.
open_transformations_menu
xdotool key Down Down Return  # local ENU, "Geodetic-->ETRS-TM35FIN"
xdotool windowmove "$main" 0 0
menu_shot() {
  open_transformations_menu
  sleep 0.5
  import -window root -crop 460x330+180+0 +repage "$work/$1"
  xdotool key Escape Escape
  sleep 0.3
}
menu_shot transformations-before.png

# A geographic system is refused at once with an error box, and the grid
# chosen before stays ticked.
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
menu_shot transformations-after.png
changed=$(compare -metric AE "$work/transformations-before.png" "$work/transformations-after.png" null: 2>&1) || true
[ "$changed" = 0 ] || fail "the Transformations menu changed after a refused EPSG code ($changed pixels)"

# The next load is measured in TM35FIN: grid errors spread over several
# centimetre bins (without a grid every error would be 0, one bar).
load_log
sleep 1
wait_six_windows "after the TM35FIN load"
xhist=$(wait_window "X histogram" 5)
xdotool windowmove "$xhist" 700 300 windowraise "$xhist"
[ -z "$wm_pid" ] || xdotool windowactivate --sync "$xhist"
sleep 0.5
import -window "$xhist" "$work/x-histogram-tm35fin.png"
bars=$(bar_count "$work/x-histogram-tm35fin.png")
[ "$bars" -ge 2 ] || fail "the TM35FIN load has $bars X histogram bar(s): no grid coordinates"
xdotool search --onlyvisible --name '^(Error|ERROR|gnsslog)$' >/dev/null 2>&1 && fail "an error box is showing after the TM35FIN load"
xdotool windowraise "$main"
sleep 0.5
import -window root "$work/gnsslog-tm35fin.png"

for item in "6 Scatter plot" "7 Error CDF" "9 Sessions" "10 Stanford plot"; do
  steps=${item%% *} caption=${item#* }
  choose_view_item "$steps"
  shown=$(wait_window "$caption" 10)
  [ -n "$shown" ] || fail "View did not open \"$caption\""
  if [ "$caption" = "Sessions" ]; then
    # The lane chart's RTK-fixed green shows: the pictures are painted.
    # Below the always-on-top main window, which would hide their top.
    xdotool windowmove "$shown" 0 200 windowraise "$shown"
    sleep 0.5
    import -window "$shown" "$work/sessions.png"
    n=$(colour_count "$work/sessions.png" "#008000")
    [ "$n" -gt 500 ] || fail "the Sessions window shows $n RTK-fixed pixels"
  fi
  if [ "$caption" = "Stanford plot" ]; then
    # This log states no accuracy: the panels show their axes and the
    # diagonal, with no bins.
    xdotool windowmove "$shown" 0 200 windowraise "$shown"
    sleep 0.5
    import -window "$shown" "$work/stanford.png"
    n=$(colour_count "$work/stanford.png" "#000000")
    [ "$n" -gt 400 ] || fail "the Stanford plot shows $n black pixels: no axes drawn"
  fi
  choose_view_item "$steps"
  wait_gone "$caption" 10 || fail "View did not close \"$caption\""
done

if [ -n "$wm_pid" ]; then
  plot=$(wait_window "XYZ plotter window" 5) || fail "no error plot"
  size=$(xwininfo -id "$plot" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w "x" h }')
  [ "$size" = "642x438" ] || fail "the error plot's client area is $size, not 642x438"

  # Every check box filled with its curve colour (85 x 20 less caption
  # and tick), the captions yellow.
  xdotool windowmove "$plot" 0 100 windowraise "$plot"
  sleep 0.5
  import -window "$plot" "$work/error-plot.png"
  for colour in "#0000FF" "#FF00FF" "#008080" "#800080"; do
    n=$(colour_count "$work/error-plot.png" "$colour")
    [ "$n" -gt 900 ] || fail "check box colour $colour fills $n pixels"
  done
  [ "$(colour_count "$work/error-plot.png" "#FFFF00")" -gt 40 ] || fail "no yellow captions"

  # Shrunk as far as it goes, the window still shows every check box: the
  # top one, DOP (purple), is the first to leave a window that is too low.
  # Below the always-on-top main window, which would hide its top.
  xdotool windowmove "$plot" 0 260 windowraise "$plot"
  xdotool windowsize "$plot" 200 200
  sleep 0.5
  import -window "$plot" "$work/error-plot-smallest.png"
  n=$(colour_count "$work/error-plot-smallest.png" "#800080")
  [ "$n" -gt 900 ] || fail "at the smallest size the DOP check box shows $n pixels"
  xdotool windowsize "$plot" 642 438 windowmove "$plot" 0 100
  sleep 0.3

  # Closed from its frame, the window goes and its View item with it: the
  # next choice of the item opens it again.
  xdotool windowactivate --sync "$plot" key alt+F4
  wait_gone "XYZ plotter window" 10 || fail "the error plot did not close from its frame"
  choose_view_item 4
  [ -n "$(wait_window "XYZ plotter window" 10)" ] || fail "the error plot's View item kept its tick"

  # The about box, the last item of the menu bar.
  # Escape closes the File menu but keeps the menu bar's keyboard mode, in
  # which Left wraps round to "About".
  open_file_menu
  for key in Escape Left Return; do
    xdotool key "$key"
    sleep 0.3
  done
  info=$(wait_window "Info" 10) || fail "the about box did not open"
  expect_above_main "$info" "the about box"
  import -window root "$work/about.png"
  xdotool windowactivate --sync "$info" key Escape
  wait_gone "Info" 10 || fail "the about box did not close"

  # View > Data quality...: above the always-on-top main window too.
  choose_view_item 5
  quality=$(wait_window "Data quality" 10) || fail "View did not open \"Data quality\""
  expect_above_main "$quality" "the Data quality window"
  import -window root "$work/data-quality.png"
  xdotool windowactivate --sync "$quality" key alt+F4
  wait_gone "Data quality" 10 || fail "the Data quality window did not close from its frame"

  # File > Compare logs...: the results open above the always-on-top main
  # window (the file dialog before them has the same caption), and Escape
  # closes them.
  open_file_menu
  xdotool key Down Down Down Return  # Load log file, Exit, (separator), "Compare logs..."
  chooser=$(wait_window "Compare logs" 10) || fail "the Compare logs file dialog did not appear"
  xdotool windowfocus --sync "$chooser"
  xdotool type --delay 12 "\"$log\" \"$log\""
  xdotool key Return
  end=$(($(date +%s) + 30))
  results=
  while [ -z "$results" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "the Compare logs results did not open"
    sleep 0.2
    results=$(xdotool search --onlyvisible --name '^Compare logs$' 2>/dev/null | grep -vx "$chooser" | head -n 1) || true
  done
  expect_above_main "$results" "the Compare logs window"
  import -window root "$work/compare-logs.png"
  xdotool windowactivate --sync "$results" key Escape
  wait_gone "Compare logs" 10 || fail "Escape did not close the Compare logs window"

  # A number that does not convert: the error box.
  # The X edit box, below the menu bar at client (157..326, 72..93).
  xdotool windowraise "$main"
  xdotool mousemove --window "$main" 240 104 click 1
  xdotool key ctrl+a
  xdotool type --delay 5 "x1"
  open_file_menu
  xdotool key Down Return
  dialog=$(wait_window "Open" 10) || fail "the open-file dialog did not appear"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 5 "$log"
  xdotool key Return
  box=$(wait_window "gnsslog" 10) || fail "no error box for a bad number"
  expect_above_main "$box" "the error box"
  import -window root "$work/error-box.png"
  xdotool windowactivate --sync "$box" key Return
  wait_gone "gnsslog" 10 || fail "the error box did not close"

  # The number mended, a load that opens every window again.
  xdotool windowraise "$main"
  xdotool mousemove --window "$main" 240 104 click 1
  xdotool key ctrl+a
  xdotool type --delay 5 "0"
  load_log
  wait_six_windows "after the mended number"
fi

# After a load with its windows open, Exit ends the process.
open_file_menu
xdotool key Down Down Return  # "Exit"
expect_exit_within_2s "File > Exit after a load"

# A second run: the UBX walk log when the real logs are there, whose
# thousand-odd 1-cm bins are at most a pixel wide each and whose tallest
# must still reach the axis's top value (the top grid line); then the main
# window's close button after the load.
ubx="$realdata/rtklibexplorer-gnssimu-gnss_1730.ubx"
checked_ubx=
start_app
main=$(wait_window "Pelomark GNSS log analyzer" 20) || fail "the main window did not appear again"
if [ -n "$realdata" ] && [ -f "$ubx" ]; then
  open_file_menu
  xdotool key Right Right Right Down Down Return  # Parsing mode: NMEA, Navcom, "UBX"
  load_file "$ubx"
  wait_six_windows "for the UBX walk log"
  for caption in "X histogram" "Y histogram" "3D RTK-FIX position"; do
    hist=$(wait_window "$caption" 5)
    xdotool windowmove "$hist" 700 300 windowraise "$hist"
    [ -z "$wm_pid" ] || xdotool windowactivate --sync "$hist"
    sleep 0.5
    shot="$work/ubx-$(echo "$caption" | tr ' ' '-').png"
    import -window "$hist" "$shot"
    set -- $(bar_and_axis_top "$shot")
    [ -n "${1:-}" ] && [ -n "${2:-}" ] || fail "\"$caption\" of the UBX log shows no bar or no grid"
    [ "$1" -le $(($2 + 1)) ] || fail "\"$caption\" of the UBX log: tallest bar at row $1, axis top at row $2"
  done
  checked_ubx=", UBX histograms"
else
  echo "note: no real logs folder; the UBX histogram check is skipped" >&2
  load_log
  wait_six_windows "in the second run"
fi
if [ -n "$wm_pid" ]; then
  # The window manager's close, as the title bar's close button sends it.
  xdotool windowactivate --sync "$main" key alt+F4
  expect_exit_within_2s "the main window's close button after a load"
else
  open_file_menu
  xdotool key Down Down Return
  expect_exit_within_2s "File > Exit in the second run"
fi

# With the real logs: the MatRTKLIB rover against its reference, chosen
# through Truth coordinates > Reference trajectory..., in View > Track: the
# summary names the reference, the picture shows its line (black) and the
# fixed positions (green).
rover="$realdata/taroz-matrtklib-kinematic-rover_rtk.pos"
reference="$realdata/taroz-matrtklib-kinematic-reference.csv"
checked_track=
if [ -n "$realdata" ] && [ -f "$rover" ] && [ -f "$reference" ]; then
  start_app
  main=$(wait_window "Pelomark GNSS log analyzer" 20) || fail "the main window did not appear for the track"
  open_file_menu
  # Truth coordinates: average, first fix, manual, (separator), "Reference trajectory..."
  xdotool key Right Right Down Down Down Return
  dialog=$(wait_window "Open" 10) || fail "the reference's file dialog did not appear"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 12 "$reference"
  xdotool key Return
  wait_gone "Open" 20 || fail "the reference's file dialog did not close"
  xdotool search --onlyvisible --name '^(Error|ERROR)$' >/dev/null 2>&1 && fail "an error box for the reference"
  choose_view_item 8  # "Track"
  open_file_menu
  xdotool key Right Right Right Down Down Down Return  # Parsing mode: NMEA, Navcom, UBX, ".pos"
  load_file "$rover"
  track=$(wait_window "Track" 30) || fail "the Track window did not open"
  # Clear of the always-on-top main window.
  xdotool windowmove "$track" 660 300 windowraise "$track"
  [ -z "$wm_pid" ] || xdotool windowactivate --sync "$track"
  sleep 0.5
  import -window "$track" "$work/track.png"
  [ "$(colour_count "$work/track.png" '#000000')" -gt 200 ] || fail "the Track window shows no reference line"
  [ "$(colour_count "$work/track.png" '#008000')" -gt 200 ] || fail "the Track window shows no fixed positions"
  xdotool windowraise "$main"
  import -window root "$work/track-screen.png"
  open_file_menu
  xdotool key Down Down Return  # "Exit"
  expect_exit_within_2s "File > Exit after the track"
  checked_track=", the MatRTKLIB track against its reference"
else
  echo "note: no real logs folder; the reference and Track check is skipped" >&2
fi

# A log named on the command line (as "Open with" names it) is loaded at
# start; a missing one gives the error box and an empty main window.
"$app" "$log" >>"$work/gnsslog.out" 2>&1 &
pid=$!
wait_six_windows "for the log named on the command line"
wait_window "$(basename "$log")" 10 >/dev/null || fail "main window caption is not the log named on the command line"
kill "$pid"
wait "$pid" 2>/dev/null || true
"$app" "$work/no-such-log.pvt1b" >>"$work/gnsslog.out" 2>&1 &
pid=$!
box=$(wait_window "Error" 20) || fail "no error box for a missing log named on the command line"
xdotool windowactivate --sync "$box" key Return
wait_gone "Error" 10 || fail "the error box did not close"
kill -0 "$pid" 2>/dev/null || fail "the application ended after a missing log"
wait_window "no-such-log.pvt1b" 10 >/dev/null || fail "the main window is not there after a missing log"
kill "$pid"
wait "$pid" 2>/dev/null || true

trap - EXIT
echo "PASS: six windows, caption \"$name\", View toggles, EPSG:4326 refused keeping TM35FIN, TM35FIN load, exit within 2 s${checked_ubx}${checked_track}${wm_pid:+, window manager checks}, a log named on the command line, screenshots in $work"
