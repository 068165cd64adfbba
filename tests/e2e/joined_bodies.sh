#!/usr/bin/env bash
# Joining bodies in the real program: while Stopped, a click on one can of
# the tower's top course and a Ctrl+click on its neighbour select both;
# Insert › Joint › Hinge joins them; Ctrl+S saves the world, and Bullet's own
# importer (in the world reader) finds a hinge between those two cans.
#   joined_bodies.sh KINETTA WORLD_READER WORK_DIR
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

# Esc stops: joints made now are part of the start.
xdotool key Escape
sleep 1

eval "$(xdotool getwindowgeometry --shell "$view")"
# Where the start camera (eye at 0 15 30, 20 degrees down, 30 degrees of
# view) draws the top course's can at an angle round the tower.
pixel_of_can() {
    awk -v w="$WIDTH" -v h="$HEIGHT" -v a="$1" 'BEGIN {
        d = 3.14159265 / 180; x = 6 * cos(a * d); y = 8.789; z = 6 * sin(a * d)
        y -= 15; z -= 30
        ey = y * cos(20 * d) - z * sin(20 * d); ez = y * sin(20 * d) + z * cos(20 * d)
        f = cos(15 * d) / sin(15 * d)
        printf "%d %d\n", (1 + f * h / w * x / -ez) * w / 2, (1 - f * ey / -ez) * h / 2 }'
}
read -r ax ay < <(pixel_of_can 85)
read -r bx by < <(pixel_of_can 95)
xdotool mousemove --window "$view" "$ax" "$ay" click 1
sleep 0.3
xdotool mousemove --window "$view" "$bx" "$by"
xdotool keydown ctrl click 1 keyup ctrl
sleep 0.5

# Insert › Joint › Hinge by the menus' mnemonics.
xdotool keydown alt key i keyup alt
sleep 0.5
xdotool key j
sleep 0.5
xdotool key h
sleep 1
import -window root "$work/joined.png" 2>/dev/null

xdotool key ctrl+s
wait_for '[ -n "$(xdotool search --all --pid "$app_pid" --onlyvisible --name "^Save As$")" ]' ||
    fail "Ctrl+S opened no Save As dialog"
dialog=$(xdotool search --all --pid "$app_pid" --onlyvisible --name "^Save As$" | head -n 1)
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' || fail "the dialog never became active"
xdotool key ctrl+a
xdotool type --delay 20 "$work/joined.bullet"
sleep 0.3
for _ in 1 2; do
    xdotool key Return
    wait_for '[ -s "$work/joined.bullet" ]' && break
done
wait_for '[ -s "$work/joined.bullet" ]' || fail "nothing saved"
close_window_and_wait "$window" "$app_pid"
app_pid=

"$reader" <"$work/joined.bullet" >"$work/joined.txt" 2>&1 || reader_failed=1
[ -z "${reader_failed:-}" ] || fail "the reader could not read the saved world: $(cat "$work/joined.txt")"
# A constraint line: its type, its record, its two bodies (-1: the world).
hinges=$(awk '$1 == "constraint" && $2 == "HINGE_CONSTRAINT_TYPE" { print $4, $5 }' "$work/joined.txt")
[ "$(printf '%s\n' "$hinges" | grep -c .)" = 1 ] ||
    fail "expected one hinge, found '$hinges' in $(grep -c '^constraint' "$work/joined.txt") constraints"
read -r a b <<<"$hinges"
# Both ends are cans of the top course, next to each other: bodies are
# listed in order after their shapes, and a body line gives its position.
ends=$(awk -v a="$a" -v b="$b" '$1 == "body" { n++ }
    $1 == "body" && (n - 1 == a || n - 1 == b) {
        r = sqrt($5 * $5 + $7 * $7)
        if ($4 == 2 && r > 5.5 && r < 6.5 && $6 > 8.4 && $6 < 9.2) print $5, $7 }' "$work/joined.txt")
[ "$(printf '%s\n' "$ends" | grep -c .)" = 2 ] || fail "the hinge joins bodies $a and $b, not two top cans: '$ends'"
echo "hinge between bodies $a and $b at $(echo $ends)"
