# Sourced by the end-to-end tests: a private X server with a window manager.
# Sets DISPLAY and registers cleanup. Needs Xvfb, openbox and xdotool.
# KINETTA_X_SCREEN sets the screen (WIDTHxHEIGHTxDEPTH), 1280x1024x24 unless told.
# Forgets any Wayland display: Kinetta would prefer it to the private X server.

start_x_session() {
    local number_file number=""
    unset WAYLAND_DISPLAY
    # Xvfb picks a free display itself and names it once it listens: two
    # sessions starting at once never share a server.
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${KINETTA_X_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        number=$(cat "$number_file")
        [ -n "$number" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number_file"
    if [ -z "$number" ]; then
        kill "$XVFB_PID" 2>/dev/null
        echo "could not start Xvfb" >&2
        return 1
    fi
    export DISPLAY=":$number"
    openbox >/dev/null 2>&1 &
    WM_PID=$!
    # A window mapped before the window manager runs is never placed nor
    # framed as on a desktop.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "the window manager did not start" >&2
    stop_x_session
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

# The ids of the visible windows of process $app_pid called exactly $1.
windows_named() {
    xdotool search --all --pid "$app_pid" --onlyvisible --name "^$1\$" 2>/dev/null
}

# Evaluates the test $1 every 0.1 s until it holds (status 0) or 15 s have
# passed (status 1): a loaded machine may take seconds to show a change.
wait_for() {
    for _ in $(seq 150); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}
