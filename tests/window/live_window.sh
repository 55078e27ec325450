#!/bin/sh
# Follows a live source in the real gnsslog binary under a virtual X server
# and a window manager: a loopback TCP server replays a generated NMEA log
# slowly; File > "Open live source..." connects to it, and the main
# window's summary must change as records arrive (the X histogram opening
# with the first ones), then stay still after File > "Stop live source"
# while the server keeps sending. A port nobody listens on gives an error
# box, not a hang. Both sources are kept as the recently used ones.
#
#   live_window.sh APP SAMPLEGEN REPLAYER WORK_DIR
#
# Every wait polls with a deadline; the whole run is bounded by timeout.
set -eu

if [ "${1:-}" != "--inside" ]; then
  app=$1 samplegen=$2 replayer=$3 work=$4
  mkdir -p "$work"
  log="$work/live.nmea"
  "$samplegen" --format nmea --interval-ms 200 --size 400000 --out "$log" >/dev/null
  exec timeout -k 5 150 xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$app" "$replayer" "$log" "$work"
fi

app=$2 replayer=$3 log=$4 work=$5
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
# The recently used sources stay out of the user's settings.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"

command -v openbox >/dev/null 2>&1 || { echo "SKIP: no openbox"; exit 0; }
openbox >"$work/openbox.out" 2>&1 &
wm_pid=$!
end=$(($(date +%s) + 10))
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  [ "$(date +%s)" -lt "$end" ] || break
  sleep 0.1
done

rm -f "$work/port"
python3 "$replayer" "$log" "$work/port" 3000 &
replayer_pid=$!
"$app" >"$work/gnsslog.out" 2>&1 &
pid=$!
trap 'kill "$pid" "$replayer_pid" "$wm_pid" 2>/dev/null || true' EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

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

window_count() {
  xdotool search --onlyvisible --class '^gnsslog$' 2>/dev/null | wc -l
}

# Opens the main window's menu whose title is $1 pixels from its left.
open_menu_at() {
  before=$(window_count)
  xdotool windowraise "$main"
  xdotool mousemove --window "$main" "$1" 10 click 1
  end=$(($(date +%s) + 10))
  until [ "$(window_count)" -gt "$before" ]; do
    [ "$(date +%s)" -lt "$end" ] || fail "a menu did not open"
    sleep 0.1
  done
}

# The File menu's item $1 steps down: Load log file, Exit, (separator),
# Compare logs..., Open history..., Open live source..., Stop live source.
choose_file_item() {
  open_menu_at 15
  i=0
  while [ "$i" -lt "$1" ]; do
    xdotool key Down
    i=$((i + 1))
  done
  xdotool key Return
}

# A fingerprint of the summary's labels: the main window's pixels above
# the status line (which changes every second by itself), without the row
# of the manual truth's edit boxes (y 72-93 of the client, below the menu
# bar), whose focused box blinks its caret.
summary_print() {
  import -window "$main" "$work/main.png"
  height=$(identify -format '%h' "$work/main.png")
  convert "$work/main.png" -crop "600x$((height - 30))+0+0" +repage \
    -fill black -draw "rectangle 0,80 600,115" rgb:- | md5sum
}

open_live_source() {
  choose_file_item 5
  dialog=$(wait_window "Open live source" 10) || fail "no \"Open live source\" dialog"
  xdotool windowactivate --sync "$dialog"
  xdotool type --delay 5 "127.0.0.1"
  xdotool key Tab
  xdotool type --delay 5 "$1"
  import -window root "$work/live-dialog.png"
  xdotool key Return
}

main=$(wait_window "Pelomark GNSS log analyzer" 20) || fail "the main window did not appear"

# Parsing mode > NMEA (ascii), the first item of the fourth menu.
open_menu_at 15
xdotool key Right Right Right Down Return

# A refused connection: an error box at once.
python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$work/closed"
open_live_source "$(cat "$work/closed")"
box=$(wait_window "Error" 10) || fail "no error box for a refused connection"
import -window root "$work/live-refused.png"
xdotool windowactivate --sync "$box" key Return
end=$(($(date +%s) + 10))
while xdotool search --onlyvisible --name "^Error\$" >/dev/null 2>&1; do
  [ "$(date +%s)" -lt "$end" ] || fail "the error box did not close"
  sleep 0.1
done

end=$(($(date +%s) + 10))
until [ -s "$work/port" ]; do
  [ "$(date +%s)" -lt "$end" ] || fail "the replayer did not start"
  sleep 0.1
done
port=$(cat "$work/port")
before=$(summary_print)
open_live_source "$port"
wait_window "tcp://127.0.0.1:$port" 10 >/dev/null || fail "the main window's caption is not the source"
wait_window "X histogram" 20 >/dev/null || fail "no X histogram as the first records arrived"

# The summary keeps changing while records arrive.
first=$(summary_print)
[ "$first" != "$before" ] || fail "the summary did not change with the first records"
sleep 3
second=$(summary_print)
[ "$second" != "$first" ] || fail "the summary did not change as more records arrived"
import -window root "$work/live-following.png"

# Stopped, it stays as it is while the server sends on.
choose_file_item 6
sleep 2
stopped=$(summary_print)
sleep 3
[ "$(summary_print)" = "$stopped" ] || fail "the summary changed after Stop live source"
import -window root "$work/live-stopped.png"

# Both sources asked for are the recently used ones, the newest first.
grep -q "recent=tcp://127.0.0.1:$port, tcp://127.0.0.1:$(cat "$work/closed")" "$XDG_CONFIG_HOME/gnsslog/gnsslog.conf" ||
  fail "the recently used sources were not kept"

choose_file_item 2
end=$(($(date +%s) + 5))
while kill -0 "$pid" 2>/dev/null; do
  [ "$(date +%s)" -lt "$end" ] || fail "the application did not end after File > Exit"
  sleep 0.1
done
echo "live window test passed"
