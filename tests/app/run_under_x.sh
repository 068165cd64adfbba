#!/bin/sh
# Runs a test program on a private X server with a window manager, so that
# its windows become active and keyboard focus works as on a desktop.
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    openbox >/dev/null 2>&1 &
    # Windows mapped before the window manager runs are never framed.
    for i in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    "$@"
    status=$?
    kill $! 2>/dev/null
    exit $status' run_under_x "$@"
