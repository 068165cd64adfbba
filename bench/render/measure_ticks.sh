#!/usr/bin/env bash
# Runs the real program under a virtual X server with its 1024 x 768 window
# and prints the median ticks and frames per second from its --stats lines:
# once with the start scene, then with 1,000, 4,000 and 8,000 thrown bodies.
# Each scene is measured at rest: the SECONDS counted start once its --stats
# line says no body is awake (the stacks settle within some 130 steps, which
# a busy scene may take a minute or two to take), or after REST_LIMIT
# seconds (300 unless set), when the line says so.
#
#   bench/render/measure_ticks.sh [KINETTA] [SECONDS]
#
# With TURN=1 the camera turns while the SECONDS are counted: the Left
# arrow key is held down from when the scene came to rest. SCENES lists the
# --throw counts to measure (0 for the start scene; "0 1000 4000 8000"
# unless set).
# With KINETTA_ALLOC_COUNT set to the allocation-counting library
# (build/bench/render/libkinetta_alloc_count.so), also reports the whole
# program's heap allocations per tick.
set -u
here=$(cd "$(dirname "$0")" && pwd)
kinetta=${1:-$here/../../build/kinetta}
seconds=${2:-10}
rest_limit=${REST_LIMIT:-300}
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
# A settings folder of its own: a saved layout must not change the window.
XDG_CONFIG_HOME=$(mktemp -d)
export XDG_CONFIG_HOME
start_x_session || exit 1
trap 'stop_x_session; rm -rf "$XDG_CONFIG_HOME"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) printf "%.1f\n", v[int((NR + 1) / 2)]; else print "n/a" }'; }
# The count named $1 per second, from each --stats line.
rate() { sed -n "s/.*seconds=\([0-9.]*\).* $1=\([0-9]*\).*/\2 \1/p" | awk '$2 > 0 { print $1 / $2 }'; }

run() {
    local label=$1
    shift
    local log report
    log=$(mktemp)
    report=$(mktemp)
    if [ -n "${KINETTA_ALLOC_COUNT:-}" ]; then
        KINETTA_ALLOC_REPORT=$report LD_PRELOAD=$KINETTA_ALLOC_COUNT \
            "$kinetta" --stats "$@" >"$log" 2>/dev/null &
    else
        "$kinetta" --stats "$@" >"$log" 2>/dev/null &
    fi
    local pid=$! window=""
    for _ in $(seq 100); do
        window=$(kinetta_window "$pid")
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] && xdotool windowsize "$window" 1024 768
    # Only lines written after the scene came to rest count.
    local waited=0 from="" note=""
    while [ "$waited" -lt "$rest_limit" ] && kill -0 "$pid" 2>/dev/null; do
        from=$(grep -n 'awake=0 ' "$log" | head -n 1 | cut -d: -f1)
        [ -n "$from" ] && break
        sleep 1
        waited=$((waited + 1))
    done
    if [ -z "$from" ]; then
        from=$(wc -l <"$log")
        note="   (still awake after ${rest_limit} s)"
    fi
    if [ -n "${TURN:-}" ] && [ -n "$window" ]; then
        xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
        xdotool keydown --window "$window" Left
    fi
    sleep "$seconds"
    [ -n "${TURN:-}" ] && [ -n "$window" ] && xdotool keyup --window "$window" Left
    # Closed as a user closes it, so that the program ends normally and the
    # allocation report is written.
    [ -n "$window" ] && close_window_and_wait "$window" "$pid"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    # The first two lines cover start-up and the window's first show; the
    # line that first says awake=0 covered some waking time too.
    from=$((from < 2 ? 3 : from + 1))
    # Each line's count over its own length: a slow frame stretches a line.
    local ticks frames
    ticks=$(tail -n +"$from" "$log" | rate ticks | median)
    frames=$(tail -n +"$from" "$log" | rate frames | median)
    printf '%-34s median ticks/s %6s   frames/s %6s' "$label" "$ticks" "$frames"
    if [ -s "$report" ]; then
        local total all_ticks
        total=$(sed -n 's/allocations=//p' "$report")
        all_ticks=$(sed -n 's/.*ticks=\([0-9]*\).*/\1/p' "$log" | paste -sd+ | bc)
        printf '   allocations/tick %s' "$(echo "scale=1; $total / $all_ticks" | bc)"
    fi
    printf '%s\n' "$note"
    rm -f "$log" "$report"
}

for count in ${SCENES:-0 1000 4000 8000}; do
    if [ "$count" = 0 ]; then
        run "start scene${TURN:+, turning}"
    else
        run "$count thrown bodies${TURN:+, turning}" --throw "$count"
    fi
done
