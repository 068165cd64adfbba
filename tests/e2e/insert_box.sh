#!/usr/bin/env bash
# Insert › Box from a real keyboard while Stopped, then Ctrl+S: Bullet's own
# importer finds the box, 1 m on a side and 2 kg, after the 241 start bodies.
#   insert_box.sh KINETTA IMPORT_PROBE WORK_DIR
set -u
kinetta=$1 probe=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

fail() {
    echo "FAIL: $*" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

bodies() {
    sed -n 's/.*bodies=\([0-9]*\).*/\1/p' "$stats" | tail -n 1
}

other_window_named() {
    windows_named "$1" | grep -vx "$window" | head -n 1
}

start_x_session || exit 1
trap 'stop_x_session' EXIT
rm -rf "$work"
mkdir -p "$work"
export XDG_CONFIG_HOME=$work/config
stats=$work/stats.txt

"$kinetta" --stats >"$stats" 2>"$work/stderr.txt" &
app_pid=$!
wait_for '[ -n "$(windows_named ".*Kinetta")" ]' ||
    fail "no visible window; stderr: $(cat "$work/stderr.txt")"
window=$(windows_named ".*Kinetta" | sort -n | head -n 1)
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 500 400 click 1
wait_for '[ "$(bodies)" = 241 ]' || fail "the start scene has $(bodies) bodies"

# Stop, then Insert › Box: Alt+I opens the menu, B chooses Box.
xdotool key Escape
xdotool key alt+i
sleep 0.5
xdotool key b
wait_for '[ "$(bodies)" = 242 ]' || fail "Insert > Box left $(bodies) bodies"

xdotool key ctrl+s
wait_for '[ -n "$(other_window_named "Save As")" ]' || fail "Ctrl+S opened no 'Save As' dialog"
dialog=$(other_window_named "Save As")
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' ||
    fail "the 'Save As' dialog never became active"
xdotool key ctrl+a
xdotool type --delay 20 "$work/boxed"
sleep 0.3
for _ in 1 2; do
    xdotool key Return
    wait_for '[ -z "$(other_window_named "Save As")" ]' && break
done
wait_for '[ -s "$work/boxed.bullet" ]' || fail "Ctrl+S wrote no boxed.bullet: $(ls "$work")"
close_window_and_wait "$window" "$app_pid"
app_pid=

"$probe" "$work/boxed.bullet" >"$work/imported.txt" || fail "Bullet's importer failed"
grep -qx 'bodies 242' "$work/imported.txt" || fail "Bullet's importer: $(head -n 1 "$work/imported.txt")"
grep -qx '241 BOX_SHAPE_PROXYTYPE 0.5 0.5 0.5 mass 2' "$work/imported.txt" ||
    fail "Bullet's importer found no 1 m box of 2 kg last: $(tail -n 1 "$work/imported.txt")"
echo "PASS"
