#!/usr/bin/env bash
# World files from a real keyboard: Ctrl+S saves a busy world under a name
# typed without its suffix; Ctrl+O opens it in another run (title and body
# count follow), Esc brings the opened bodies back, Ctrl+N goes back to the
# 241 bodies of the start scene; Ctrl+S into a read-only folder or onto a
# full disk shows a message box and changes nothing; and a FILE on the command line opens, or
# when it is missing, shows why over the start scene.
#   world_files.sh KINETTA WORK_DIR
set -u
kinetta=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

fail() {
    echo "FAIL: $*" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

# A visible window of the program other than the main one, called $1.
other_window_named() {
    windows_named "$1" | grep -vx "$window" | head -n 1
}

# The body count of the last --stats line.
bodies() {
    sed -n 's/.*bodies=\([0-9]*\).*/\1/p' "$stats" | tail -n 1
}

title() {
    xdotool getwindowname "$window" 2>/dev/null
}

# Starts the program with its --stats going to a file of its own and waits
# for its window; the arguments go to kinetta. With SANDBOX set, the program
# runs in a mount namespace of its own where $work/locked is read-only (a
# mount, since permissions do not stop root) and $work/full is a full disk.
start() {
    stats=$work/stats-$RANDOM.txt
    if [ -n "${SANDBOX:-}" ]; then
        local namespace=-m
        [ "$(id -u)" -eq 0 ] || namespace=-rm
        # shellcheck disable=SC2016 # expanded by the inner shell
        unshare "$namespace" sh -c 'mount --bind "$1" "$1" && mount -o remount,ro,bind "$1" "$1" &&
            mount -t tmpfs -o size=4k kinetta-full "$2" && shift 2 && exec "$@"' \
            sh "$work/locked" "$work/full" "$kinetta" --stats "$@" >"$stats" 2>"$work/stderr.txt" &
    else
        "$kinetta" --stats "$@" >"$stats" 2>"$work/stderr.txt" &
    fi
    app_pid=$!
    wait_for '[ -n "$(windows_named ".*Kinetta")" ]' ||
        fail "no visible window; stderr: $(cat "$work/stderr.txt")"
    # The main window is the program's first; a message box may be up already.
    window=$(windows_named ".*Kinetta" | sort -n | head -n 1)
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    # A click into the middle of the window gives the view the focus.
    xdotool mousemove --window "$window" 500 400 click 1
    wait_for '[ -n "$(bodies)" ]' || fail "no --stats line"
}

# Ends the run with Alt+F4; the exit code must be 1, as always.
finish() {
    close_window_and_wait "$window" "$app_pid"
    local rc=$?
    [ "$rc" -eq 1 ] || fail "exit code $rc after closing the window, expected 1"
    app_pid=
}

# Ctrl+$1 opens the dialog called $2; $3 is typed as the name, then Enter.
file_dialog() {
    # Named, not positional: wait_for evaluates its test in its own frame.
    local key=$1 name=$2 typed=$3 dialog
    xdotool key "ctrl+$key"
    wait_for '[ -n "$(other_window_named "$name")" ]' || fail "Ctrl+$key opened no '$name' dialog"
    dialog=$(other_window_named "$name")
    wait_for '[ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]' ||
        fail "the '$name' dialog never became active"
    xdotool key ctrl+a
    xdotool type --delay 20 "$typed"
    sleep 0.3
    # The first Enter may only close the name completer's list.
    for _ in 1 2; do
        xdotool key Return
        wait_for '[ -z "$(other_window_named "$name")" ] || [ -n "$(other_window_named Kinetta)" ]' &&
            break
    done
    [ -z "$(other_window_named "$name")" ] || [ -n "$(other_window_named Kinetta)" ] ||
        fail "Enter did not close the '$name' dialog"
}

# A message box must be up; Esc closes it.
close_message_box() {
    wait_for '[ -n "$(other_window_named Kinetta)" ]' || fail "no message box: $1"
    local box
    box=$(other_window_named Kinetta)
    xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
    xdotool key Escape
    wait_for '[ -z "$(other_window_named Kinetta)" ]' || fail "Esc did not close the message box"
}

start_x_session || exit 1
trap 'stop_x_session' EXIT
rm -rf "$work"
mkdir -p "$work/worlds" "$work/locked" "$work/full"
export XDG_CONFIG_HOME=$work/config
en_dash=$(printf '\342\200\223')

# A world of 261 bodies, saved under a name typed without its suffix.
start --throw 20
wait_for '[ "$(bodies)" = 261 ]' || fail "--throw 20 gave $(bodies) bodies"
file_dialog s "Save As" "$work/worlds/busy"
# The dialog closes before the save has been written and renamed into place.
wait_for '[ -s "$work/worlds/busy.bullet" ]' ||
    fail "Ctrl+S wrote no busy.bullet: $(ls "$work/worlds")"
[ ! -e "$work/worlds/busy" ] || fail "the name was saved without its suffix"
wait_for '[ "$(title)" = "busy.bullet $en_dash Kinetta" ]' || fail "title after saving: '$(title)'"
finish

# Another run, with a read-only folder and a full disk: open, throw, stop,
# new, and saves that fail.
SANDBOX=1 start
[ "$(title)" = Kinetta ] || fail "title at start: '$(title)'"
file_dialog o Open "$work/worlds/busy.bullet"
wait_for '[ "$(title)" = "busy.bullet $en_dash Kinetta" ]' || fail "title after opening: '$(title)'"
wait_for '[ "$(bodies)" = 261 ]' || fail "the opened world has $(bodies) bodies, expected 261"
xdotool keydown space
sleep 0.5
xdotool keyup space
wait_for '[ "$(bodies)" -gt 261 ]' || fail "Space threw nothing into the opened world"
xdotool key Escape
wait_for '[ "$(bodies)" = 261 ]' || fail "Esc left $(bodies) bodies, expected the opened 261"
xdotool key ctrl+n
wait_for '[ "$(bodies)" = 241 ]' || fail "Ctrl+N left $(bodies) bodies, expected 241"
wait_for '[ "$(title)" = Kinetta ]' || fail "title after Ctrl+N: '$(title)'"

for folder in locked full; do
    file_dialog s "Save As" "$work/$folder/world.bullet"
    close_message_box "saving into the $folder folder"
done
[ -z "$(ls -A "$work/locked")" ] || fail "something was written into the read-only folder"
[ "$(title)" = Kinetta ] || fail "title after a failed save: '$(title)'"
sleep 1.2
[ "$(bodies)" = 241 ] || fail "a failed save changed the world: $(bodies) bodies"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after a failed save"
finish

# FILE on the command line: opened before the window shows; a missing one
# leaves the start scene and a message box.
start "$work/worlds/busy.bullet"
[ "$(title)" = "busy.bullet $en_dash Kinetta" ] || fail "title with FILE: '$(title)'"
wait_for '[ "$(bodies)" = 261 ]' || fail "FILE on the command line gave $(bodies) bodies"
finish
start -- "$work/worlds/-missing.bullet"
wait_for '[ -n "$(other_window_named Kinetta)" ]' || fail "no message box for a missing FILE"
# The box sits centred on the frame, as every later box does.
centre() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
read -r frame_x frame_y <<<"$(centre "$window")"
read -r box_x box_y <<<"$(centre "$(other_window_named Kinetta)")"
[ $((box_x - frame_x)) -le 40 ] && [ $((frame_x - box_x)) -le 40 ] &&
    [ $((box_y - frame_y)) -le 40 ] && [ $((frame_y - box_y)) -le 40 ] ||
    fail "the start-up box is centred at $box_x,$box_y, the frame at $frame_x,$frame_y"
close_message_box "a missing FILE on the command line"
[ "$(title)" = Kinetta ] || fail "title after a missing FILE: '$(title)'"
[ "$(bodies)" = 241 ] || fail "a missing FILE left $(bodies) bodies"
finish

rm -rf "$work"
echo "world files: all checks passed"
