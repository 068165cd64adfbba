#!/usr/bin/env bash
# Starts Kinetta with --stats, throws balls for a second and lets them fly,
# pauses, and follows the `time=` of the --stats line: `,` sixty times goes
# back one simulated second, `.` sixty times forward again, Shift+, a second
# back at once and Home to the first kept moment; Enter then runs on from
# there, and the time moves forward again.
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

# A field of the most recent --stats line, waiting for a fresh line.
field_now() {
    local before after
    before=$(wc -l <"$log")
    for _ in $(seq 40); do
        after=$(wc -l <"$log")
        [ "$after" -gt "$before" ] && break
        sleep 0.1
    done
    tail -n 1 "$log" | sed -n "s/.* $1=\([0-9.]*\).*/\1/p"
}
# Whether two times differ by the expected seconds, to within a step.
differ_by() {
    awk -v a="$1" -v b="$2" -v d="$3" 'BEGIN { x = b - a - d; exit !(x < 0.01 && x > -0.01) }'
}
keys() {
    local list=()
    for _ in $(seq "$2"); do list+=("$1"); done
    xdotool key --delay 15 "${list[@]}"
    sleep 0.3
}

# Waits, on a slow machine for long, until a field's value passes a bound.
wait_above() {
    local value
    for _ in $(seq 240); do
        value=$(field_now "$1")
        awk -v v="$value" -v b="$2" 'BEGIN { exit !(v > b) }' && return 0
    done
    return 1
}

xdotool keydown space
sleep 1
xdotool keyup space
wait_above history 1.5 || fail "the history never reached 1.5 s"
xdotool key Return
sleep 0.3
paused=$(field_now time)
kept=$(field_now history)
echo "paused at time=$paused with history=$kept"
[ "$(field_now time)" = "$paused" ] || fail "the time moved while paused"

keys comma 60
back=$(field_now time)
differ_by "$paused" "$back" -1.0 || fail "sixty , went from $paused to $back, not 1 s back"
keys period 60
forward=$(field_now time)
[ "$forward" = "$paused" ] || fail "sixty . went from $back to $forward, not to $paused"
xdotool key shift+comma
sleep 0.3
differ_by "$paused" "$(field_now time)" -1.0 || fail "Shift+, did not go a second back"
xdotool key Home
sleep 0.3
first=$(field_now time)
awk -v f="$first" -v p="$paused" -v k="$kept" 'BEGIN { x = p - k - f; exit !(x < 0.05 && x > -0.05) }' ||
    fail "Home showed time=$first, not the first kept moment of $kept s before $paused"

# Run on from the first moment: the time goes on from there, and the later
# history is gone.
xdotool key Return
wait_above time "$first" || fail "Enter did not run on from time=$first"
# Both from one line: the world runs on between two lines, and a second
# line may already lie past the moment paused at.
line=$(tail -n 1 "$log")
ran=$(echo "$line" | sed -n "s/.* time=\([0-9.]*\).*/\1/p")
kept_now=$(echo "$line" | sed -n "s/.* history=\([0-9.]*\).*/\1/p")
awk -v r="$ran" -v p="$paused" -v k="$kept_now" 'BEGIN { exit !(r < p && k < p) }' ||
    fail "Enter from time=$first should run on from it, got time=$ran history=$kept_now (paused was $paused)"

close_window_and_wait "$window" "$app_pid"
rc=$?
[ "$rc" -eq 1 ] || fail "expected exit code 1 after closing, got $rc"
echo "history scrubbing: all checks passed"
