#!/usr/bin/env bash
# The dock panes and Step, driven as a user would: View > Tree and View >
# Properties show their panes; closing the Tree pane and showing it again
# puts it back where it was, and so does a restart for both panes. Step (F8)
# while Paused moves a ball in flight once, and nothing moves otherwise.
set -u
kinetta=$1
workdir=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

rm -rf "$workdir"
mkdir -p "$workdir"
export XDG_CONFIG_HOME="$workdir/config"
conf="$XDG_CONFIG_HOME/Kinetta/Kinetta.conf"

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
}
fail() {
    echo "FAIL: $*" >&2
    import -window root "$workdir/failure.png" 2>/dev/null
    cleanup
    exit 1
}

start_x_session || exit 1
trap cleanup EXIT

start_kinetta() {
    "$kinetta" >>"$workdir/stdout.log" 2>>"$workdir/stderr.log" &
    app_pid=$!
    window=""
    wait_for 'window=$(kinetta_window "$app_pid"); [ -n "$window" ]' || fail "no visible Kinetta window"
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    xdotool mousemove --window "$window" 500 400
    # The saved layout is restored just after the window shows.
    sleep 2
}

client_origin() {
    local info
    info=$(xwininfo -id "$window")
    origin_x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    origin_y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    client_width=$(sed -n 's/.*Width: *//p' <<<"$info")
    client_height=$(sed -n 's/.*Height: *//p' <<<"$info")
}

# picture NAME X Y W H: a part of the client area.
picture() {
    client_origin
    import -window root -crop "${4}x${5}+$((origin_x + $2))+$((origin_y + $3))" +repage \
        "$workdir/$1.png" || fail "could not take a picture of the screen"
}
differing() {
    compare -metric AE "$workdir/$1.png" "$workdir/$2.png" null: 2>&1 | sed 's/[^0-9].*//'
}
same_picture() { [ "$(differing "$1" "$2")" -le 20 ]; }

# The panes' parts that do not change while the world runs: the Tree pane's
# title and first groups at the left, the Properties pane's title and world
# settings at the right, below the bars.
panes_picture() {
    picture "$1-left" 0 60 220 110
    picture "$1-right" $((client_width - 220)) 60 220 110
}
same_panes() { same_picture "$1-left" "$2-left" && same_picture "$1-right" "$2-right"; }

# view_menu DOWNS: the menu opens on its first item, Toolbar; two Downs
# reach Tree (the separator is skipped), three Properties.
popups_shown() {
    local id count=0
    for id in $(xdotool search --all --pid "$app_pid" --onlyvisible --name '' 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && count=$((count + 1))
    done
    echo "$count"
}
view_menu() {
    xdotool key alt+v
    wait_for '[ "$(popups_shown)" -gt 0 ]' || fail "Alt+V opened no menu"
    sleep 0.3
    for _ in $(seq "$1"); do
        xdotool key Down
        sleep 0.1
    done
    xdotool key Return
    wait_for '[ "$(popups_shown)" -eq 0 ]' || fail "the View menu did not close"
    sleep 1
}

start_kinetta
panes_picture none
view_menu 2   # Tree
view_menu 3   # Properties
panes_picture shown
same_picture none-left shown-left && fail "View > Tree showed no pane"
same_picture none-right shown-right && fail "View > Properties showed no pane"
# The Tree pane closed and shown again comes back where it was.
view_menu 2
picture tree-hidden 0 60 220 110
same_picture shown-left tree-hidden && fail "View > Tree did not hide the Tree pane"
view_menu 2
panes_picture reopened
same_panes shown reopened || fail "the Tree pane did not come back where it was"

# Step: a ball in flight, paused, moves once per F8. The view between the
# panes is what is compared.
view_part() { picture "$1" 280 100 $((client_width - 560)) 500; }
xdotool keydown space
sleep 0.15
xdotool keyup space
sleep 0.3
xdotool key Return   # pause
sleep 0.2
view_part paused-a
sleep 0.5
view_part paused-b
same_picture paused-a paused-b || fail "the world moved while Paused"
xdotool key F8
sleep 0.5
view_part stepped
same_picture paused-b stepped && fail "F8 while Paused did not advance the world"
sleep 0.5
view_part stepped-later
same_picture stepped stepped-later || fail "the world went on moving after one step"

close_window_and_wait "$window" "$app_pid"
[ $? -eq 1 ] || fail "expected exit code 1 after closing"
app_pid=""
grep -q 'paneTree' "$conf" || fail "the panes' placement was not saved"

# After a restart both panes are back where they were.
start_kinetta
panes_picture restarted
same_panes shown restarted || fail "the panes did not come back where they were after a restart"
close_window_and_wait "$window" "$app_pid"
app_pid=""
echo "panes: all checks passed"
