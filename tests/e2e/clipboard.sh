#!/usr/bin/env bash
# Two Kinettas and the system clipboard: a click picks a body in the first,
# Ctrl+C copies it; Ctrl+V in the second adds it (241 -> 242 bodies), Ctrl+Z
# takes it out again (241) and Ctrl+Y brings it back (242).
#   clipboard.sh KINETTA WORK_DIR
set -u
kinetta=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.txt; do
        echo "--- $log ---" >&2
        tail -n 5 "$log" >&2
    done
    [ -n "${first:-}" ] && kill "$first" 2>/dev/null
    [ -n "${second:-}" ] && kill "$second" 2>/dev/null
    stop_x_session
    exit 1
}

# The body count of the last --stats line of the run called $1.
bodies() {
    sed -n 's/.*bodies=\([0-9]*\).*/\1/p' "$work/$1.txt" | tail -n 1
}

# Starts a run called $1 and sets its pid in the variable named $1.
start() {
    # Named, not positional: wait_for evaluates its test in its own frame.
    local run=$1 pid
    "$kinetta" --stats >"$work/$run.txt" 2>"$work/$run-stderr.txt" &
    pid=$!
    printf -v "$run" '%s' "$pid"
    wait_for '[ -n "$(kinetta_window "$pid")" ]' || fail "no window for the $run run"
    wait_for '[ "$(bodies "$run")" = 241 ]' || fail "the $run run did not start with 241 bodies"
}

activate() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
}

start_x_session || exit 1
trap 'stop_x_session' EXIT
rm -rf "$work"
mkdir -p "$work"
export XDG_CONFIG_HOME=$work/config

start first
window=$(kinetta_window "$first")
activate "$window"
# Stopped, the tower stands still where the click aims: the middle of the
# view, where the eye looks at its front.
xdotool key Escape
xdotool mousemove --window "$window" 512 420 click 1
sleep 0.3
xdotool key ctrl+c

start second
window=$(kinetta_window "$second")
activate "$window"
xdotool key ctrl+v
wait_for '[ "$(bodies second)" = 242 ]' || fail "Ctrl+V left $(bodies second) bodies, expected 242"
xdotool key ctrl+z
wait_for '[ "$(bodies second)" = 241 ]' || fail "Ctrl+Z left $(bodies second) bodies, expected 241"
xdotool key ctrl+y
wait_for '[ "$(bodies second)" = 242 ]' || fail "Ctrl+Y left $(bodies second) bodies, expected 242"
[ "$(bodies first)" = 241 ] || fail "copying changed the first world: $(bodies first) bodies"

for pid in "$second" "$first"; do
    close_window_and_wait "$(kinetta_window "$pid")" "$pid"
    rc=$?
    [ "$rc" -eq 1 ] || fail "exit code $rc after closing a window, expected 1"
done
first= second=
rm -rf "$work"
echo "clipboard: all checks passed"
