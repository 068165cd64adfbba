#!/usr/bin/env bash
# The frame's commands from a real keyboard while the 3D view has the focus:
# Ctrl+O opens the file dialog and Esc closes it, Ctrl+C does nothing, and
# Alt+F then X (File > Exit) ends the program with exit code 1.
set -u
kinetta=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x_session.sh
. "$here/../../tools/x_session.sh"

fail() {
    echo "FAIL: $*" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

# The ids of the program's visible windows called $1.
windows_named() {
    xdotool search --all --pid "$app_pid" --onlyvisible --name "^$1\$" 2>/dev/null
}

wait_for() {
    for _ in $(seq 100); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

start_x_session || exit 1
trap stop_x_session EXIT
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)

"$kinetta" 2>/dev/null &
app_pid=$!
wait_for '[ -n "$(windows_named Kinetta)" ]' || fail "no visible Kinetta window"
window=$(windows_named Kinetta | head -n 1)
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
# A click into the middle of the window gives the view the focus.
xdotool mousemove --window "$window" 500 400 click 1
sleep 0.5

xdotool key ctrl+o
wait_for '[ -n "$(windows_named Open)" ]' || fail "Ctrl+O opened no file dialog"
dialog=$(windows_named Open | head -n 1)
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' || fail "the file dialog never became active"
xdotool key Escape
wait_for '[ -z "$(windows_named Open)" ]' || fail "Esc did not close the file dialog"

xdotool key ctrl+c
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "Ctrl+C ended the program"
[ "$(xdotool search --all --pid "$app_pid" --onlyvisible --name . 2>/dev/null | wc -l)" -le 2 ] ||
    fail "Ctrl+C opened a window"

xdotool key alt+f
sleep 0.5
xdotool key x
wait_for '! kill -0 "$app_pid" 2>/dev/null' || fail "File > Exit did not end the program"
wait "$app_pid"
rc=$?
rm -rf "$XDG_CONFIG_HOME"
[ "$rc" -eq 1 ] || fail "expected exit code 1 after File > Exit, got $rc"
echo "keyboard commands: all checks passed"
