#!/usr/bin/env bash
# The mouse in the real program: while Paused, a left drag carries the front
# can of the tower's top course to the right; Ctrl+S saves the world, and
# the saved file has that can where it was carried, at the height and depth
# it had, while every other can stands where it stood.
#   mouse_drag.sh KINETTA WORLD_READER WORK_DIR
set -u
kinetta=$1 reader=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

fail() {
    echo "FAIL: $*" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

last_stats() {
    tail -n 1 "$stats"
}

start_x_session || exit 1
trap 'stop_x_session' EXIT
rm -rf "$work"
mkdir -p "$work"
export XDG_CONFIG_HOME=$work/config
stats=$work/stats.txt

"$kinetta" --stats >"$stats" 2>"$work/stderr.txt" &
app_pid=$!
wait_for '[ -n "$(kinetta_window "$app_pid")" ]' || fail "no window; $(cat "$work/stderr.txt")"
window=$(kinetta_window "$app_pid")
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
wait_for 'grep -q bodies=241 "$stats"' || fail "no --stats line with the 241 start bodies"
view=$(xdotool search --all --pid "$app_pid" --name '^3D view$' 2>/dev/null | head -n 1)
[ -n "$view" ] || fail "no view window"

# Enter pauses: the world takes no more steps.
xdotool key Return
wait_for 'last_stats | grep -q "step_ms=0.000"' || fail "Enter did not pause: $(last_stats)"
sleep 1.2

eval "$(xdotool getwindowgeometry --shell "$view")"
# Where the start camera (eye at 0 15 30, 20 degrees down, 30 degrees of
# view) draws the top course's can at 85 degrees round the tower.
read -r px py < <(awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN {
    d = 3.14159265 / 180; x = 6 * cos(85 * d); y = 8.789; z = 6 * sin(85 * d)
    y -= 15; z -= 30
    ey = y * cos(20 * d) - z * sin(20 * d); ez = y * sin(20 * d) + z * cos(20 * d)
    f = cos(15 * d) / sin(15 * d)
    printf "%d %d\n", (1 + f * h / w * x / -ez) * w / 2, (1 - f * ey / -ez) * h / 2 }')
# Relative to the view itself: the geometry's origin counts the frame's
# decoration differently.
xdotool mousemove --window "$view" "$px" "$py"
sleep 0.3
xdotool mousedown 1
for step in $(seq 1 15); do
    xdotool mousemove --window "$view" "$((px + 20 * step))" "$py"
    sleep 0.05
done
sleep 0.3
xdotool mouseup 1

xdotool key ctrl+s
wait_for '[ -n "$(xdotool search --all --pid "$app_pid" --onlyvisible --name "^Save As$")" ]' ||
    fail "Ctrl+S opened no Save As dialog"
dialog=$(xdotool search --all --pid "$app_pid" --onlyvisible --name "^Save As$" | head -n 1)
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' || fail "the dialog never became active"
xdotool key ctrl+a
xdotool type --delay 20 "$work/dragged.bullet"
sleep 0.3
for _ in 1 2; do
    xdotool key Return
    wait_for '[ -s "$work/dragged.bullet" ]' && break
done
wait_for '[ -s "$work/dragged.bullet" ]' || fail "nothing saved"
close_window_and_wait "$window" "$app_pid"
app_pid=

# Cans (mass 2) standing where no tower or pillar can stands: exactly the one carried.
"$reader" <"$work/dragged.bullet" >"$work/dragged.txt" 2>&1 ||
    reader_failed=1
[ -z "${reader_failed:-}" ] || fail "the reader could not read the saved world: $(cat "$work/dragged.txt")"
# A body line: its number, its shape's, its mass, its position.
moved=$(awk '$1 == "body" && $4 == 2 {
    r = sqrt($5 * $5 + $7 * $7)
    pillar = ($5 > 9.5 || $5 < -9.5) && ($7 > 9.5 || $7 < -9.5)
    if ((r < 5.5 || r > 6.5) && !pillar) print $5, $6, $7 }' "$work/dragged.txt")
[ "$(printf '%s\n' "$moved" | grep -c .)" = 1 ] || fail "cans out of place: '$moved'"
read -r mx my mz <<<"$moved"
# Carried across the screen, it keeps its height and its depth from the eye.
awk -v x="$mx" -v y="$my" -v z="$mz" 'BEGIN { exit !(x > 3.5 && y > 8.4 && y < 9.2 && z > 5.5 && z < 6.5) }' ||
    fail "the carried can is at $moved, expected right of 3.5 at about 0.52 8.79 5.98 moved along x"
echo "carried can saved at $moved"
