#!/usr/bin/env bash
# Kinetta on Wayland: a private weston (headless, GL renderer) with its own
# socket and runtime folder, and no X display at all. The real program shows
# its window and its view draws on every tick (--stats, and a screenshot in
# which the view holds the scene); then the frame runs in the program's own
# loop in the session test for keys, closing and the saved layout, and under
# a weston that has a keyboard for the menus opened from it.
set -u
here=$(cd "$(dirname "$0")" && pwd)
kinetta=$1
session_test=$2
workdir=$3

rm -rf "$workdir"
mkdir -p "$workdir"
unset DISPLAY
export XDG_RUNTIME_DIR="$workdir/runtime" XDG_CONFIG_HOME="$workdir/config"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=kinetta-test
log="$workdir/stats.log"

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    [ -n "${weston_pid:-}" ] && kill "$weston_pid" 2>/dev/null
    [ -n "${seat_weston_pid:-}" ] && kill "$seat_weston_pid" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && stop_x_session
    wait 2>/dev/null
}
fail() {
    echo "FAIL: $*" >&2
    [ -f "$log" ] && tail -n 5 "$log" >&2
    cleanup
    exit 1
}
trap cleanup EXIT

command -v weston >/dev/null || fail "weston is not installed (tools/install-deps.sh)"
# --debug lets weston-screenshooter take pictures.
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1280 --height=1024 \
    --use-gl --debug --idle-time=0 >"$workdir/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$weston_pid" 2>/dev/null || fail "weston did not start: $(tail -n 3 "$workdir/weston.log")"
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "weston opened no socket"

# 1. The real program, as a user starts it with only a Wayland display.
"$kinetta" --stats >"$log" 2>"$workdir/stderr.log" &
app_pid=$!
for _ in $(seq 150); do
    [ "$(grep -c '^stats:' "$log")" -ge 3 ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "kinetta exited early: $(cat "$workdir/stderr.log")"
    sleep 0.1
done
last=$(grep '^stats:' "$log" | tail -n 1)
[ -n "$last" ] || fail "no --stats lines"
ticks=$(sed -n 's/.* ticks=\([0-9]*\).*/\1/p' <<<"$last")
frames=$(sed -n 's/.* frames=\([0-9]*\).*/\1/p' <<<"$last")
echo "Wayland: $last"
[ "$frames" -gt 0 ] || fail "the view drew no frame"
[ $((frames + 1)) -ge "$ticks" ] || fail "only $frames frames in $ticks ticks"

(cd "$workdir" && timeout 60 weston-screenshooter) >/dev/null 2>&1 || fail "weston-screenshooter failed"
shot=$(ls "$workdir"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
[ -n "$shot" ] || fail "no screenshot"
# The compositor places the window where it likes; find the view by its
# scene instead: the cans' red, the floor's cyan and the black sky. Nothing
# else on weston's desktop has these colours, and a view that never drew
# shows none of them.
read -r red cyan black < <(convert "$shot" -format %c histogram:info:- | awk '
    { count = $1 + 0; split($0, a, /[(),]/); r = a[2] + 0; g = a[3] + 0; b = a[4] + 0 }
    r > 120 && g < 60 && b < 60 { red += count }
    r < 90 && g > 120 && b > 120 && g - r > 60 { cyan += count }
    r < 8 && g < 8 && b < 8 { black += count }
    END { printf "%d %d %d\n", red, cyan, black }')
echo "view pixels: red $red, cyan $cyan, black $black"
[ "$red" -gt 20000 ] && [ "$cyan" -gt 20000 ] && [ "$black" -gt 20000 ] ||
    fail "the screenshot does not show the scene ($shot)"
kill "$app_pid"
wait "$app_pid" 2>/dev/null
app_pid=""

# 2. Keys, closing and the saved layout, in the program's own loop.
QT_QPA_PLATFORM=wayland "$session_test" --gtest_filter='-KeyboardMenus.*' ||
    fail "the Wayland session test failed"

# 3. Menus from a real keyboard. The headless weston has no keyboard, and Qt
# asks a compositor without one for no popup grab; a weston on a private X
# server has one, and the test types on that server with xdotool.
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"
start_x_session || fail "no private X server for the weston with a keyboard"
seat_display=$DISPLAY
unset DISPLAY
export WAYLAND_DISPLAY=kinetta-test-seat
DISPLAY=$seat_display weston --backend=x11-backend.so --socket="$WAYLAND_DISPLAY" \
    --width=1024 --height=768 --use-pixman --idle-time=0 >"$workdir/weston-seat.log" 2>&1 &
seat_weston_pid=$!
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$seat_weston_pid" 2>/dev/null ||
        fail "weston on X did not start: $(tail -n 3 "$workdir/weston-seat.log")"
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "weston on X opened no socket"
# The keys go where the X server's focus is: on weston's window.
seat_window=$(DISPLAY=$seat_display timeout 15 \
    xdotool search --sync --class '^Weston Compositor$' | head -n 1)
[ -n "$seat_window" ] || fail "weston on X shows no window"
DISPLAY=$seat_display xdotool windowactivate --sync "$seat_window" ||
    fail "weston's window on X cannot take the keyboard"
KINETTA_TEST_SEAT_DISPLAY=$seat_display QT_QPA_PLATFORM=wayland \
    "$session_test" --gtest_filter='KeyboardMenus.*' || fail "the keyboard menus test failed"
echo "Wayland: all checks passed"
