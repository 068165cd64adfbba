# Sourced by the end-to-end tests: a private X server with a window manager.
# Sets DISPLAY and registers cleanup. Needs Xvfb, openbox and xdotool.
# Forgets any Wayland display: Kinetta would prefer it to the private X server.

start_x_session() {
    local display_number
    unset WAYLAND_DISPLAY
    for display_number in $(seq 90 140); do
        [ -e "/tmp/.X${display_number}-lock" ] && continue
        Xvfb ":${display_number}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":${display_number}"
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        if xdpyinfo >/dev/null 2>&1; then
            openbox >/dev/null 2>&1 &
            WM_PID=$!
            sleep 0.5
            return 0
        fi
        kill "$XVFB_PID" 2>/dev/null
    done
    echo "could not start Xvfb" >&2
    return 1
}

stop_x_session() {
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
}

# The id of the visible Kinetta window of process $1. Every condition must
# hold (--all): without it xdotool takes a window that meets any one of them,
# such as another program's window with the same name.
kinetta_window() {
    xdotool search --all --pid "$1" --onlyvisible --name 'Kinetta$' 2>/dev/null | head -n 1
}

# Closes the program's window as a user does, with a real Alt+F4 that the
# window manager sees (a key sent to the window alone reaches only the
# focused GL view), and waits up to ten seconds for the program to end.
# Returns its exit status, or 124 when it is still running.
close_window_and_wait() {
    local window=$1 pid=$2
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    xdotool key alt+F4
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && return 124
    wait "$pid"
}
