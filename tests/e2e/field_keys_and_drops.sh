#!/usr/bin/env bash
# The keyboard with a Properties field in use, and a file dropped on the view,
# driven as a user would on X11: after a gravity is typed into its field and
# applied with Enter, Ctrl+S still saves the world to its file and Ctrl+O
# still asks for a file; a .bullet file dragged from another program and let
# go over the 3D view opens.
#   field_keys_and_drops.sh KINETTA DRAG_SOURCE WORK_DIR
set -u
kinetta=$1 drag_source=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

rm -rf "$work"
mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config"
en_dash=$(printf '\342\200\223')

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    [ -n "${source_pid:-}" ] && kill "$source_pid" 2>/dev/null
    stop_x_session
}
fail() {
    echo "FAIL: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null
    cleanup
    exit 1
}
start_x_session || exit 1
trap cleanup EXIT

title() { xdotool getwindowname "$window" 2>/dev/null; }
dialog_named() { xdotool search --all --pid "$app_pid" --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }

"$kinetta" >"$work/stdout.log" 2>"$work/stderr.log" &
app_pid=$!
window=""
wait_for 'window=$(kinetta_window "$app_pid"); [ -n "$window" ]' || fail "no visible Kinetta window"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
# No click into the view: a body picked would put its page in Properties.
sleep 2

# The world gets a file of its own.
xdotool key ctrl+s
wait_for '[ -n "$(dialog_named "Save As")" ]' || fail "Ctrl+S opened no Save As dialog"
dialog=$(dialog_named "Save As")
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' || fail "the dialog never became active"
xdotool key ctrl+a
xdotool type --delay 20 "$work/world.bullet"
sleep 0.3
xdotool key Return
wait_for '[ "$(title)" = "world.bullet $en_dash Kinetta" ]' || fail "not saved: title '$(title)'"
saved=$(md5sum <"$work/world.bullet")

# View > Properties: the menu opens on Toolbar; three Downs reach Properties.
xdotool key alt+v
sleep 0.5
for _ in 1 2 3; do
    xdotool key Down
    sleep 0.1
done
xdotool key Return
# The pane lays itself out once shown; a loaded machine may take seconds.
sleep 3
# The gravity field: the world page's first row, at the pane's right.
info=$(xwininfo -id "$window")
width=$(sed -n 's/.*Width: *//p' <<<"$info")
xdotool mousemove --window "$window" $((width - 60)) "${GRAVITY_Y:-105}" click --repeat 3 1
sleep 0.8
xdotool type --delay 30 "0 -3 0"
xdotool key Return
sleep 0.5
import -window root "$work/typed.png"

# The frame's shortcuts with the field still holding the keyboard.
xdotool key ctrl+s
wait_for '[ "$(md5sum <"$work/world.bullet")" != "$saved" ]' ||
    fail "Ctrl+S with the gravity field in use did not save"
# What the field took, Enter among them, is in the file.
reader=$(dirname "$kinetta")/kinetta-world-reader
wait_for '"$reader" <"$work/world.bullet" 2>/dev/null | grep -qx "gravity 0 -3 0"' ||
    fail "the saved gravity is not the one typed: $("$reader" <"$work/world.bullet" 2>&1 | grep gravity)"
xdotool key ctrl+o
wait_for '[ -n "$(dialog_named "Open")" ]' || fail "Ctrl+O with the gravity field in use opened no dialog"
xdotool key Escape
wait_for '[ -z "$(dialog_named "Open")" ]' || fail "the Open dialog did not close"
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]' || fail "the frame did not become active again"

# Back to the start scene, then world.bullet dragged onto the middle of the view.
xdotool key ctrl+n
wait_for '[ "$(title)" != "world.bullet $en_dash Kinetta" ]' || fail "Ctrl+N kept the file"
"$drag_source" "$work/world.bullet" >"$work/source.log" 2>&1 &
source_pid=$!
source_window=""
wait_for 'source_window=$(xdotool search --all --pid "$source_pid" --onlyvisible --name "^drag source$" | head -n 1); [ -n "$source_window" ]' ||
    fail "the drag source did not show"
sleep 0.5
xdotool mousemove --window "$source_window" 80 60
sleep 0.2
xdotool mousedown 1
for step in $(seq 1 20); do
    xdotool mousemove --window "$source_window" $((80 + step * 20)) $((60 + step * 20))
    sleep 0.05
done
# The view's middle, away from the panes and bars.
xdotool mousemove --window "$window" $((width / 2 - 100)) 400
sleep 0.3
xdotool mousemove --window "$window" $((width / 2 - 90)) 410
sleep 0.3
xdotool mouseup 1
wait_for 'grep -q "drop" "$work/source.log"' || fail "the drag never ended"
grep -q "drop accepted" "$work/source.log" || fail "the view refused the drop: $(cat "$work/source.log")"
wait_for '[ "$(title)" = "world.bullet $en_dash Kinetta" ]' || fail "the dropped file did not open: title '$(title)'"

close_window_and_wait "$window" "$app_pid"
app_pid=""
echo "field_keys_and_drops: all checks passed"
