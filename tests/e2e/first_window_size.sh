#!/usr/bin/env bash
# With no saved layout, the first window and its frame fit the screen's work
# area: on an 800 x 600 screen, and at scale 2 on 1280 x 1024, where 1,024 by
# 768 logical pixels would put the status bar and the close button off-screen.
# On a large screen the first window keeps its 1,024 by 768.
set -u
kinetta=$1
workdir=$2
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$workdir"
mkdir -p "$workdir"

# check SCREEN SCALE EXPECT: EXPECT is "fits", or the client size "WxH".
check() {
    local screen=$1 scale=$2 expect=$3
    (
        export KINETTA_X_SCREEN="${screen}x24"
        # shellcheck source=../../tools/x_session.sh
        . "$here/../../tools/x_session.sh"
        export XDG_CONFIG_HOME="$workdir/config-$screen-$scale"  # nothing saved
        start_x_session || exit 1
        QT_SCALE_FACTOR=$scale "$kinetta" >>"$workdir/stdout.log" 2>>"$workdir/stderr.log" &
        app_pid=$!
        trap 'kill $app_pid 2>/dev/null; stop_x_session' EXIT
        window=""
        wait_for 'window=$(kinetta_window "$app_pid"); [ -n "$window" ]' || {
            echo "FAIL: no window on $screen at scale $scale" >&2
            exit 1
        }
        # The frame is known once the window manager has framed the window.
        wait_for '[ -n "$(xprop -id "$window" _NET_FRAME_EXTENTS | grep -o "= .*")" ]' || {
            echo "FAIL: the window was never framed" >&2
            exit 1
        }
        sleep 1  # the posted restore of the layout runs just after the window appears
        eval "$(xdotool getwindowgeometry --shell "$window")"
        read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS |
                                           sed 's/.*= //; s/,//g')
        screen_w=${screen%x*}
        screen_h=${screen#*x}
        frame="$((X - left)),$((Y - top)) $((WIDTH + left + right))x$((HEIGHT + top + bottom))"
        echo "$screen scale $scale: window ${WIDTH}x${HEIGHT} at $X,$Y, frame $frame"
        if [ "$expect" = fits ]; then
            [ $((X - left)) -ge 0 ] && [ $((Y - top)) -ge 0 ] &&
                [ $((X + WIDTH + right)) -le "$screen_w" ] &&
                [ $((Y + HEIGHT + bottom)) -le "$screen_h" ] || {
                echo "FAIL: the frame ($frame) does not fit the $screen screen" >&2
                exit 1
            }
            # Not shrunk to nothing either: most of the screen is used.
            [ "$WIDTH" -ge $((screen_w * 3 / 4 / 1)) ] || [ "$scale" != 1 ] || {
                echo "FAIL: the window is needlessly small" >&2
                exit 1
            }
        elif [ "${WIDTH}x${HEIGHT}" != "$expect" ]; then
            echo "FAIL: expected a ${expect} window on the $screen screen" >&2
            exit 1
        fi
    ) || exit 1
}

check 800x600 1 fits
check 1280x1024 2 fits
check 1280x1024 1.5 fits
check 1280x1024 1 1024x768
echo PASS
