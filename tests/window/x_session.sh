# Sourced by the window tests once they run inside xvfb-run: the window
# manager, waiting for windows, the main window's menus and failing with a
# screenshot. Expects $work (where screenshots go) and, for the menus,
# $main (the main window's id).
#
# Every wait polls with a deadline: a search with --sync fails at once
# when some other window vanishes while it runs (the progress window
# hiding, say).

# Starts openbox, when installed, and waits until it has claimed the
# screen; wm_pid is its process, empty without one.
start_window_manager() {
  wm_pid=
  command -v openbox >/dev/null 2>&1 || return 0
  openbox >"$work/openbox.out" 2>&1 &
  wm_pid=$!
  end=$(($(date +%s) + 10))
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    [ "$(date +%s)" -lt "$end" ] || break
    sleep 0.1
  done
}

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

# Waits (up to $2 s) until a visible window is named exactly $1; prints its id.
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

# Opens the main window's menu whose title is $1 pixels from its left
# (the main window raised above any plot window first).
open_menu_at() {
  before=$(window_count)
  xdotool windowraise "$main"
  # No --sync: it stalls when the pointer is already there.
  xdotool mousemove --window "$main" "$1" 10 click 1
  # The menu is a pop-up window of its own; wait until it is on the screen.
  end=$(($(date +%s) + 10))
  until [ "$(window_count)" -gt "$before" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "the menu at x=$1 did not open"
    sleep 0.1
  done
}

open_file_menu() {
  open_menu_at 15
}

# Chooses the View item $1 steps below the first one (the separator is
# skipped): 4 "XYZ-plot", 5 "Data quality...", 6 "Scatter plot", 7 "Error CDF",
# 8 "Track", 9 "Sessions", 10 "Stanford plot".
choose_view_item() {
  open_file_menu
  xdotool key Right
  i=0
  while [ "$i" -lt "$1" ]; do
    xdotool key Down
    i=$((i + 1))
  done
  xdotool key Return
}

# Pixels of colour $2 (#RRGGBB) in the PNG $1.
colour_count() {
  convert "$1" txt:- | grep -ci " $2 " || true
}
