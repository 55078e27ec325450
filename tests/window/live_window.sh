#!/bin/sh
# Follows a live source in the real gnsslog binary under a virtual X server
# and a window manager: a loopback TCP server replays a generated NMEA log
# slowly; File > "Open live source..." connects to it, naming an archive
# file that exists already (the dialog asks before replacing it), and the
# main window's summary must change as records arrive (the X histogram
# opening with the first ones). View > Track, zoomed out with the mouse
# wheel, keeps its scale and its smaller picture of the track through two
# live updates. The summary then stays still after File > "Stop live
# source" while the server sends on, and the archive holds exactly the
# bytes the server sent before the stop, also after the application has
# ended. A port nobody listens on gives an error box, not a hang, and
# leaves the archive chosen with "Browse..." (after the save dialog's
# question) as it was. Both sources are kept as the recently used ones,
# each archive beside its own.
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

. "$(dirname "$0")/x_session.sh"
start_window_manager
[ -n "$wm_pid" ] || { echo "SKIP: no openbox"; exit 0; }

rm -f "$work/port" "$work/sent" "$work/hold"
python3 "$replayer" "$log" "$work/port" 3000 "$work/sent" "$work/hold" &
replayer_pid=$!
"$app" >"$work/gnsslog.out" 2>&1 &
pid=$!
trap 'kill "$pid" "$replayer_pid" "$wm_pid" 2>/dev/null || true' EXIT

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

# Opens File > "Open live source..." for 127.0.0.1 port $1 with the
# archive file $2 (empty: a temporary one), typed into its field or, with
# $3 "browse", chosen with "Browse...": a file that exists gets the save
# dialog's question, answered Yes. Host, Port, Archive and Browse... are
# the enabled fields in the tab order of a tcp source.
open_live_source() {
  choose_file_item 5
  dialog=$(wait_window "Open live source" 10) || fail "no \"Open live source\" dialog"
  xdotool windowactivate --sync "$dialog"
  xdotool type --delay 5 "127.0.0.1"
  xdotool key Tab
  xdotool type --delay 5 "$1"
  if [ "${3:-}" = browse ]; then
    xdotool key Tab Tab space
    chooser=$(wait_window "Archive of the live source" 10) || fail "\"Browse...\" opened no file dialog"
    xdotool windowactivate --sync "$chooser"
    xdotool type --delay 5 "$2"
    import -window root "$work/live-browse.png"
    xdotool key Return
    end=$(($(date +%s) + 10))
    until [ "$(xdotool search --onlyvisible --name '^Archive of the live source$' 2>/dev/null | wc -l)" -ge 2 ]; do
      [ "$(date +%s)" -lt "$end" ] || fail "the save dialog did not ask before choosing an existing archive"
      sleep 0.1
    done
    import -window root "$work/live-browse-question.png"
    xdotool key alt+y
    wait_gone "Archive of the live source" 10 || fail "the save dialog stayed after its question"
    xdotool windowactivate --sync "$dialog"
  elif [ -n "$2" ]; then
    xdotool key Tab
    xdotool type --delay 5 "$2"
  fi
  import -window "$dialog" "$work/live-dialog.png"
  xdotool key Return
}

# Visible windows named "Open live source": the dialog, and the question
# about replacing its archive, which has the dialog's caption.
live_dialog_count() {
  xdotool search --onlyvisible --name '^Open live source$' 2>/dev/null | wc -l
}

# Saves the Track window's picture as $1: its client less the 10-pixel
# margin round the picture.
track_picture() {
  import -window "$track" "$work/track-window.png"
  convert "$work/track-window.png" -shave 10x10 +repage "$1"
}

# Prints the bounding box "WIDTH HEIGHT" of the track's dots (the four fix
# colours) in the picture $1, leaving out the legend's corner (top right)
# and the scale bar's (bottom left).
track_extent() {
  convert "$1" txt:- | awk -F'[,: ]+' '
    NR == 1 { split($0, size, /[ ,]+/); w = size[5]; h = size[6]; next }
    / #(008000|0000FF|FFFF00|FF0000) / {
      x = $1; y = $2
      if (x > w - 120 && y < 100) next
      if (x < 140 && y > h - 45) next
      if (n++ == 0) { x0 = x1 = x; y0 = y1 = y }
      if (x < x0) x0 = x; if (x > x1) x1 = x
      if (y < y0) y0 = y; if (y > y1) y1 = y
    }
    END { if (n == 0) print "0 0"; else print x1 - x0 + 1, y1 - y0 + 1 }'
}

# A fingerprint of the picture $1's scale bar and its text, bottom left.
scale_bar_print() {
  convert "$1" -gravity SouthWest -crop 140x45+0+0 +repage rgb:- | md5sum
}

# Waits (up to $1 s) until the summary has changed from $2: a live update.
wait_update() {
  end=$(($(date +%s) + $1))
  while [ "$(summary_print)" = "$2" ]; do
    [ "$(date +%s)" -lt "$end" ] || return 1
    sleep 0.3
  done
}

main=$(wait_window "Pelomark GNSS log analyzer" 20) || fail "the main window did not appear"

# Parsing mode > NMEA (ascii), the first item of the fourth menu.
open_menu_at 15
xdotool key Right Right Right Down Return

# A refused connection, its archive chosen with "Browse...": an error box
# at once, and the archive that exists is left as it was.
archive="$work/kept.nmea"
echo "an older archive" >"$archive"
python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$work/closed"
open_live_source "$(cat "$work/closed")" "$archive" browse
box=$(wait_window "Error" 10) || fail "no error box for a refused connection"
import -window root "$work/live-refused.png"
xdotool windowactivate --sync "$box" key Return
wait_gone "Error" 10 || fail "the error box did not close"
[ "$(cat "$archive")" = "an older archive" ] || fail "a source that was refused emptied its archive"

end=$(($(date +%s) + 10))
until [ -s "$work/port" ]; do
  [ "$(date +%s)" -lt "$end" ] || fail "the replayer did not start"
  sleep 0.1
done
port=$(cat "$work/port")

# The archive typed exists: it is replaced only after the question.
before=$(summary_print)
open_live_source "$port" "$archive"
end=$(($(date +%s) + 10))
until [ "$(live_dialog_count)" -ge 2 ]; do
  [ "$(date +%s)" -lt "$end" ] || fail "no question before the existing archive was replaced"
  sleep 0.1
done
import -window root "$work/live-replace-question.png"
[ "$(cat "$archive")" = "an older archive" ] || fail "the archive was emptied before the question was answered"
xdotool key alt+y
wait_gone "Open live source" 10 || fail "the dialog stayed after the question was answered"
wait_window "tcp://127.0.0.1:$port" 10 >/dev/null || fail "the main window's caption is not the source"
wait_window "X histogram" 20 >/dev/null || fail "no X histogram as the first records arrived"

# The summary keeps changing while records arrive.
first=$(summary_print)
[ "$first" != "$before" ] || fail "the summary did not change with the first records"
sleep 3
second=$(summary_print)
[ "$second" != "$first" ] || fail "the summary did not change as more records arrived"
import -window root "$work/live-following.png"

# View > Track, clear of the always-on-top main window, fitted to the
# track. Four wheel notches out about its centre shrink the track to
# 1.25^-4 = 0.41 of its fitted size; a live update that fitted it again
# would bring it back to full size and change the scale bar.
choose_view_item 8
track=$(wait_window "Track" 10) || fail "View did not open \"Track\""
xdotool windowmove "$track" 660 300 windowraise "$track"
xdotool windowactivate --sync "$track"
wait_update 10 "$(summary_print)" || fail "no live update after the Track window opened"
sleep 0.5
track_picture "$work/track-fitted.png"
set -- $(track_extent "$work/track-fitted.png")
fitted_w=$1 fitted_h=$2
[ "$fitted_w" -gt 100 ] || [ "$fitted_h" -gt 100 ] || fail "the fitted track spans only ${fitted_w}x$fitted_h pixels"
fitted_bar=$(scale_bar_print "$work/track-fitted.png")
geometry=$(xdotool getwindowgeometry --shell "$track")
track_w=$(echo "$geometry" | sed -n 's/^WIDTH=//p')
track_h=$(echo "$geometry" | sed -n 's/^HEIGHT=//p')
xdotool mousemove --window "$track" $((track_w / 2)) $((track_h / 2))
xdotool click --repeat 4 --delay 100 5  # button 5: the wheel turned towards the user
sleep 0.5
track_picture "$work/track-zoomed.png"
zoomed_bar=$(scale_bar_print "$work/track-zoomed.png")
[ "$zoomed_bar" != "$fitted_bar" ] || fail "the wheel did not change the Track window's scale"
update=$(summary_print)
wait_update 10 "$update" || fail "no first live update after the zoom"
update=$(summary_print)
wait_update 10 "$update" || fail "no second live update after the zoom"
sleep 0.5
track_picture "$work/track-after-updates.png"
import -window root "$work/live-track.png"
[ "$(scale_bar_print "$work/track-after-updates.png")" = "$zoomed_bar" ] ||
  fail "the Track window's scale changed with the live updates"
set -- $(track_extent "$work/track-after-updates.png")
[ $(($1 * 10)) -lt $((fitted_w * 6)) ] && [ $(($2 * 10)) -lt $((fitted_h * 6)) ] ||
  fail "the zoomed-out track spans ${1}x$2 pixels after two updates, fitted ${fitted_w}x$fitted_h: fitted again"

# The server holds; once what it sent has arrived, stop. Stopped, the
# summary stays as it is while the server sends on.
touch "$work/hold"
sleep 2
sent=$(cat "$work/sent")
choose_file_item 6
sleep 2
rm -f "$work/hold"
stopped=$(summary_print)
sleep 3
[ "$(summary_print)" = "$stopped" ] || fail "the summary changed after Stop live source"
import -window root "$work/live-stopped.png"

# The archive is every byte the server sent before the stop, and no more.
expect_archive_is_sent() {
  [ -f "$archive" ] || fail "the archive is gone $1"
  size=$(stat -c %s "$archive")
  [ "$size" -eq "$sent" ] || fail "the archive holds $size bytes $1, the server sent $sent"
  head -c "$sent" "$log" | cmp -s - "$archive" || fail "the archive differs from the bytes sent $1"
}
expect_archive_is_sent "after Stop"

# Both sources asked for are the recently used ones, the newest first,
# each beside its archive.
conf="$XDG_CONFIG_HOME/gnsslog/gnsslog.conf"
grep -q "recent=tcp://127.0.0.1:$port, tcp://127.0.0.1:$(cat "$work/closed")" "$conf" ||
  fail "the recently used sources were not kept"
grep -q "recentArchives=$archive, $archive" "$conf" || fail "the archives were not kept beside their sources"

choose_file_item 2
end=$(($(date +%s) + 5))
while kill -0 "$pid" 2>/dev/null; do
  [ "$(date +%s)" -lt "$end" ] || fail "the application did not end after File > Exit"
  sleep 0.1
done
expect_archive_is_sent "after File > Exit"
echo "live window test passed"
