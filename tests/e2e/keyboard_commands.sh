#!/usr/bin/env bash
# The frame's commands from a real keyboard while the 3D view has the focus,
# with the body count of the --stats lines telling whether the simulation
# runs and whether anything was thrown:
# - after the menus were used from the keyboard (Alt+S P, Alt+F Esc Esc,
#   F10 Esc Esc, the about box), Enter and Ctrl+O still work without a click
#   into the view, and the Esc that leaves the menu bar is not Stop;
# - letters typed into a menu or the file dialog throw nothing;
# - Ctrl+C does nothing; F10 then X (File > Exit) ends with exit code 1.
set -u
kinetta=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

log=$(mktemp)
fail() {
    echo "FAIL: $*" >&2
    echo "--- stats output ---" >&2
    tail -n 5 "$log" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

# The body count of the next stats line.
bodies_now() {
    local before
    before=$(wc -l <"$log")
    wait_for '[ "$(wc -l <"$log")" -gt "$before" ]' || fail "no stats line"
    tail -n 1 "$log" | sed -n 's/.*bodies=\([0-9]*\).*/\1/p'
}

# True while one of the program's menus is open: a window the window
# manager does not frame.
menu_shown() {
    local id
    for id in $(xdotool search --all --pid "$app_pid" --onlyvisible --name '' 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}

# Keys one at a time, as a user types them. A key that opens a menu is
# followed by the next only once the menu shows: on a busy machine the next
# letter could otherwise reach the view.
type_keys() {
    local key
    for key in "$@"; do
        xdotool key "$key"
        case $key in
        alt+? | F10) wait_for menu_shown || fail "$key opened no menu" ;;
        *) sleep 0.25 ;;
        esac
    done
}

# True when Space throws, that is when the simulation runs.
throws_balls() {
    local before
    before=$(bodies_now)
    xdotool keydown space
    sleep 0.4
    xdotool keyup space
    [ "$(bodies_now)" -gt "$before" ]
}

start_x_session || exit 1
trap 'stop_x_session; rm -f "$log"' EXIT
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d)

"$kinetta" --stats >"$log" 2>/dev/null &
app_pid=$!
wait_for '[ -n "$(kinetta_window "$app_pid")" ]' || fail "no visible Kinetta window"
window=$(kinetta_window "$app_pid")
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5

# Simulation > Pause from the menu, then Enter runs again.
type_keys alt+s p
! throws_balls || fail "Alt+S, P did not pause"
type_keys Return
throws_balls || fail "Enter after Alt+S, P did not run the simulation again"

# T held in an open menu throws no die while running.
before=$(bodies_now)
type_keys alt+v
xdotool keydown t
sleep 0.4
xdotool keyup t
type_keys Escape Escape
[ "$(bodies_now)" = "$before" ] || fail "T typed into the View menu threw a body"

# File opened and left with Esc twice, by Alt+F and by F10: neither Esc is
# Stop, which would take the thrown balls away, and Ctrl+O still reaches the
# frame. Letters typed into the file dialog's name box throw nothing.
before=$(bodies_now)
type_keys alt+f Escape Escape F10 Escape Escape
[ "$(bodies_now)" = "$before" ] || fail "leaving the menus with Esc stopped the simulation"
type_keys ctrl+o
wait_for '[ -n "$(windows_named Open)" ]' || fail "Ctrl+O after Alt+F, Esc, Esc opened no file dialog"
dialog=$(windows_named Open | head -n 1)
wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' || fail "the file dialog never became active"
before=$(bodies_now)
xdotool keydown t
sleep 0.4
xdotool keyup t
# The first Esc may only close the name box's completion list.
type_keys Escape
[ -z "$(windows_named Open)" ] || type_keys Escape
wait_for '[ -z "$(windows_named Open)" ]' || fail "Esc did not close the file dialog"
[ "$(bodies_now)" = "$before" ] || fail "T typed into the file dialog threw a body"

# Help > About closed with Esc: Enter pauses.
type_keys alt+h a
wait_for '[ -n "$(windows_named About)" ]' || fail "Alt+H, A opened no about box"
type_keys Escape
wait_for '[ -z "$(windows_named About)" ]' || fail "Esc did not close the about box"
type_keys Return
! throws_balls || fail "Enter after the about box did not pause"

xdotool key ctrl+c
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "Ctrl+C ended the program"
[ "$(xdotool search --all --pid "$app_pid" --onlyvisible --name . 2>/dev/null | wc -l)" -le 2 ] ||
    fail "Ctrl+C opened a window"

type_keys F10 x
wait_for '! kill -0 "$app_pid" 2>/dev/null' || fail "F10, X (File > Exit) did not end the program"
wait "$app_pid"
rc=$?
rm -rf "$XDG_CONFIG_HOME"
[ "$rc" -eq 1 ] || fail "expected exit code 1 after File > Exit, got $rc"
echo "keyboard commands: all checks passed"
