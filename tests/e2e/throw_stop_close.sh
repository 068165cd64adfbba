#!/usr/bin/env bash
# Starts Kinetta with --stats, holds Space for about a second and expects
# about five new balls, presses Esc and expects the 241 start bodies again,
# checks that nothing is thrown while stopped or paused and that Enter runs
# and pauses, closes the window and expects exit code 1.
set -u
kinetta=$1
workdir=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x_session.sh
. "$here/../../tools/x_session.sh"

mkdir -p "$workdir"
log="$workdir/stats.log"
: >"$log"
fail() {
    echo "FAIL: $*" >&2
    echo "--- stats output ---" >&2
    tail -n 20 "$log" >&2
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    stop_x_session
    exit 1
}

start_x_session || exit 1
trap stop_x_session EXIT

"$kinetta" --stats >"$log" 2>"$workdir/stderr.log" &
app_pid=$!

window=""
for _ in $(seq 100); do
    window=$(kinetta_window "$app_pid")
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "kinetta exited early"
    sleep 0.1
done
[ -n "$window" ] || fail "no visible Kinetta window"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"

# The most recent body count, waiting for a fresh line.
bodies_now() {
    local before after
    before=$(wc -l <"$log")
    for _ in $(seq 40); do
        after=$(wc -l <"$log")
        [ "$after" -gt "$before" ] && break
        sleep 0.1
    done
    tail -n 1 "$log" | sed -n 's/.*bodies=\([0-9]*\).*/\1/p'
}

start=$(bodies_now)
[ "$start" = "241" ] || fail "expected 241 bodies at start, got '$start'"

xdotool keydown space
sleep 1
xdotool keyup space
sleep 0.3
after_throw=$(bodies_now)
thrown=$((after_throw - 241))
echo "balls thrown in one second: $thrown"
# One at once, then one every 200 ms: five, give or take a slow tick.
[ "$thrown" -ge 3 ] && [ "$thrown" -le 7 ] || fail "expected about 5 balls, got $thrown"

xdotool key Escape
sleep 0.3
after_stop=$(bodies_now)
[ "$after_stop" = "241" ] || fail "expected 241 bodies after Esc, got '$after_stop'"

# Stopped, then paused: Space throws nothing. Enter toggles run and pause.
hold_space() {
    xdotool keydown space
    sleep "$1"
    xdotool keyup space
    sleep 0.3
}
hold_space 0.5
[ "$(bodies_now)" = "241" ] || fail "Space threw a ball while stopped"
xdotool key Return Return
hold_space 0.5
[ "$(bodies_now)" = "241" ] || fail "Space threw a ball while paused (Enter twice from stopped)"
xdotool key Return
hold_space 0.3
running=$(bodies_now)
[ "$running" -gt 241 ] || fail "Enter did not run the simulation again: $running bodies"

grep -m 3 'stats:' "$log" | tail -n 1
close_window_and_wait "$window" "$app_pid"
rc=$?
[ "$rc" -ne 124 ] || fail "kinetta did not exit after the window was closed"
[ "$rc" -eq 1 ] || fail "expected exit code 1 after closing, got $rc"
echo "throw, stop and close: all checks passed"
