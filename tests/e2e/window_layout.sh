#!/usr/bin/env bash
# The saved window layout across restarts, driven as a user would drive it:
# move and resize the window, drag the toolbar band above the menu band, hide
# the status bar, close; the next start shows all of it again. A damaged
# settings file gives the default layout; a read-only settings folder still
# lets the window close with exit code 1.
set -u
kinetta=$1
workdir=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"

rm -rf "$workdir"
mkdir -p "$workdir"
export XDG_CONFIG_HOME="$workdir/config"
conf_dir="$XDG_CONFIG_HOME/Kinetta"
conf="$conf_dir/Kinetta.conf"

cleanup() {
    [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
    # Undo the read-only step, or the folder could not be removed later.
    chattr -i "$conf" "$conf_dir" 2>/dev/null
    chmod -R u+w "$workdir" 2>/dev/null
    stop_x_session
}
fail() {
    echo "FAIL: $*" >&2
    cleanup
    exit 1
}

start_x_session || exit 1
trap cleanup EXIT

# Starts Kinetta and waits until its window is shown and the saved layout has
# been applied (the restore runs just after the window appears).
start_kinetta() {
    "$kinetta" >>"$workdir/stdout.log" 2>>"$workdir/stderr.log" &
    app_pid=$!
    window=""
    for _ in $(seq 100); do
        window=$(kinetta_window "$app_pid")
        [ -n "$window" ] && break
        if ! kill -0 "$app_pid" 2>/dev/null; then
            wait "$app_pid"
            fail "kinetta exited early with code $?"
        fi
        sleep 0.1
    done
    [ -n "$window" ] || fail "no visible Kinetta window"
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    # Keep the pointer off the bars: no tooltip or prompt in the pictures.
    xdotool mousemove --window "$window" 300 300
    settle || fail "the window did not settle: framed and still"
}

# wait_until CONDITION [SECONDS]: polls a shell condition, ten seconds unless
# told. A loaded machine may take seconds where an idle one takes a tick.
wait_until() {
    local tries=$((${2:-10} * 10))
    for _ in $(seq "$tries"); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

# The program's menus and other pop-ups on the screen: windows the window
# manager does not frame.
popups_shown() {
    local id count=0
    for id in $(xdotool search --all --pid "$app_pid" --onlyvisible --name '' 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && count=$((count + 1))
    done
    echo "$count"
}

# The colour in the middle of the client area, three rows above its bottom:
# the status bar's background while it is shown, the 3D view's floor when not.
bottom_colour() {
    client_origin
    import -window root -crop "1x1+$((origin_x + client_width / 2))+$((origin_y + client_height - 3))" \
        -depth 8 txt:- 2>/dev/null | sed -n '2s/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p'
}

# What the layout looks like now: the window's place and size, and a checksum
# of its bars.
layout_signature() {
    client_origin
    echo "$(geometry) $(import -window root -crop "${client_width}x80+$origin_x+$origin_y" \
        +repage rgb:- 2>/dev/null | md5sum)"
}

# Waits until the window manager has framed the window and nothing in its
# place, size or bars changed for half a second: placement, a restored
# layout and a re-layout after a move each arrive in their own time.
settle() {
    local last="" now still=0
    for _ in $(seq 100); do
        if xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; then
            now=$(layout_signature)
            if [ "$now" = "$last" ]; then
                still=$((still + 1))
                [ "$still" -ge 5 ] && return 0
            else
                still=0
            fi
            last=$now
        fi
        sleep 0.1
    done
    return 1
}

close_kinetta() {
    # Through the X server, not to the window itself: a key sent to a window
    # lets go of nothing once that window is gone, and a held Alt+F4 closes
    # the next run's window as soon as it appears.
    close_window_and_wait "$window" "$app_pid"
    local rc=$?
    [ "$rc" -ne 124 ] || fail "$1: kinetta did not exit after the window was closed"
    app_pid=""
    [ "$rc" -eq 1 ] || fail "$1: expected exit code 1 after closing, got $rc"
}

geometry() {
    xdotool getwindowgeometry "$window" | sed -n 's/^ *\(Position\|Geometry\): *\([0-9x,-]*\).*/\2/p' |
        tr '\n' ' '
}

# The client area's top-left corner on the screen.
client_origin() {
    local info
    info=$(xwininfo -id "$window")
    origin_x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    origin_y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    client_width=$(sed -n 's/.*Width: *//p' <<<"$info")
    client_height=$(sed -n 's/.*Height: *//p' <<<"$info")
}

# strip NAME TOP|BOTTOM HEIGHT: a picture of a band of the client area.
strip() {
    client_origin
    local y=$origin_y
    [ "$2" = BOTTOM ] && y=$((origin_y + client_height - $3))
    import -window root -crop "${client_width}x$3+$origin_x+$y" +repage "$workdir/$1.png" ||
        fail "could not take a picture of the screen"
}

# Alike up to a seam: Qt may lay the rows out a pixel apart after a drag than
# after a restore. Bars in another order differ in ten times as many pixels.
similar_picture() {
    local differing width
    differing=$(compare -metric AE "$workdir/$1.png" "$workdir/$2.png" null: 2>&1)
    width=$(identify -format '%w' "$workdir/$1.png")
    [ "${differing%%.*}" -le $((4 * width)) ] 2>/dev/null
}

# The height of the bars at the top: rows down the right edge, where the bars
# are empty, until the first row of the 3D view.
bars_height() {
    client_origin
    local x=$((origin_x + client_width - 4)) row colour
    import -window root -crop "1x160+$x+$origin_y" +repage "$workdir/column.txt"
    for row in $(seq 0 159); do
        colour=$(sed -n "$((row + 2))s/.*#\([0-9A-F]\{6\}\).*/\1/p" "$workdir/column.txt")
        # Separator lines between the bars are darker greys; the view is black
        # at the top.
        [ "$colour" = "000000" ] && { echo "$row"; return; }
    done
    echo 56
}

# The band id stored at a position: the 32-bit value at offset 52 of the
# "bandN" record, unescaped from Qt's @ByteArray notation.
stored_band_id() {
    local text bytes="" i=0 c digits
    text=$(sed -n "s/^Wnd-0xffffffff\\\\band$1=\"\\?@ByteArray(\\(.*\\))\"\\?$/\\1/p" "$conf")
    while [ "$i" -lt "${#text}" ]; do
        c=${text:i:1}
        if [ "$c" != "\\" ]; then
            bytes+=$(printf '%02x ' "'$c")
            i=$((i + 1))
            continue
        fi
        c=${text:i+1:1}
        i=$((i + 2))
        case $c in
        x)
            digits=$(grep -o '^[0-9a-fA-F]*' <<<"${text:i}")
            bytes+=$(printf '%02x ' "0x$digits")
            i=$((i + ${#digits}))
            ;;
        [0-7])
            digits=$c$(grep -o '^[0-7]*' <<<"${text:i}")
            bytes+=$(printf '%02x ' "$((8#$digits))")
            i=$((i + ${#digits} - 1))
            ;;
        a) bytes+="07 " ;;
        b) bytes+="08 " ;;
        f) bytes+="0c " ;;
        n) bytes+="0a " ;;
        r) bytes+="0d " ;;
        t) bytes+="09 " ;;
        v) bytes+="0b " ;;
        *) bytes+=$(printf '%02x ' "'$c") ;;
        esac
    done
    read -r -a array <<<"$bytes"
    [ "${#array[@]}" -eq 80 ] || { echo "none"; return; }
    echo $((16#${array[55]}${array[54]}${array[53]}${array[52]}))
}

# 1. First start: the default layout; nothing is written until the close.
start_kinetta
default_geometry=$(geometry)
strip default_top TOP 80
strip default_bottom BOTTOM 30
status_colour=$(bottom_colour)
[ -e "$conf" ] && fail "the settings file was written before the window closed"

# The user's changes: move and resize, the toolbar band dragged above the
# menu band (the menu band's grip dropped just under the toolbar band), the
# status bar hidden with View > Status Bar.
xdotool windowmove --sync "$window" 150 110
xdotool windowsize --sync "$window" 760 560
settle || fail "the window did not settle after the move and resize"
# The bottom rows show the view until the program has laid its bars out anew.
wait_until '[ "$(bottom_colour)" = "$status_colour" ]' || fail "the status bar did not follow the resize"
strip shown_bottom BOTTOM 30
height=$(bars_height)
client_origin
# Each step of the drag waits for its answer on the screen. The first move
# only starts the drag; the band lifts on a later one. A busy program merges
# queued moves, so the lifting move is repeated until the band shows lifted.
xdotool mousemove --sync $((origin_x + 7)) $((origin_y + height / 4))
settle || fail "the bars did not settle under the pointer"
xdotool mousedown 1
settle || fail "the bars did not settle after the press"
xdotool mousemove --sync $((origin_x + 17)) $((origin_y + height / 4 + 10))
settle || fail "the bars did not settle as the drag started"
before=$(layout_signature)
lifted=""
for offset in 5 6 5 6 5; do
    xdotool mousemove --sync $((origin_x + 7)) $((origin_y + height * 6 / 10 + offset))
    wait_until '[ "$(layout_signature)" != "$before" ]' 3 && { lifted=1; break; }
done
[ -n "$lifted" ] || fail "the drag did not lift the menu band"
settle || fail "the bars did not settle with the band lifted"
before=$(layout_signature)
xdotool mousemove --sync $((origin_x + 7)) $((origin_y + height * 6 / 10))
wait_until '[ "$(layout_signature)" != "$before" ]' || fail "no place opened for the band under the pointer"
settle || fail "the bars did not settle at the drop place"
xdotool mouseup 1
settle || fail "the bars did not settle after the drag"
# S only once the View menu is open: earlier it would reach the view.
xdotool key --window "$window" alt+v
wait_until '[ "$(popups_shown)" -gt 0 ]' || fail "Alt+V did not open the View menu"
xdotool key s
# Closed menu, so no status tip in the strip, and a strip unlike the shown
# status bar.
wait_until '[ "$(popups_shown)" -eq 0 ] && [ "$(bottom_colour)" != "$status_colour" ] && { strip hidden_bottom BOTTOM 30; ! similar_picture shown_bottom hidden_bottom; }' ||
    fail "View > Status Bar did not hide the status bar"
xdotool mousemove --window "$window" 300 300
settle || fail "the window did not settle after hiding the status bar"
moved_geometry=$(geometry)
strip moved_top TOP 80
strip hidden_bottom BOTTOM 30
similar_picture shown_bottom hidden_bottom && fail "the status bar came back"
close_kinetta "first run"

[ -f "$conf" ] || fail "no settings file after closing: $conf"
grep -q '^SM_CXSCREEN=1280$' "$conf" || fail "work-area width not stored as an integer"
grep -q '^Wnd-0xfffffffe\\visible=0$' "$conf" || fail "hidden status bar not stored"
[ "$(stored_band_id 0)" = 60161 ] || fail "the drag did not put the toolbar band first: band0 is $(stored_band_id 0)"
# The Insert band stays beside the toolbar, on its row.
[ "$(stored_band_id 1)" = 60162 ] || fail "band1 is $(stored_band_id 1), not the Insert band"
[ "$(stored_band_id 2)" = 60160 ] || fail "band2 is $(stored_band_id 2), not the menu band"

# 2. Next start: the same place and size, the same bars.
start_kinetta
[ "$(geometry)" = "$moved_geometry" ] ||
    fail "geometry after restart: $(geometry), expected $moved_geometry"
strip restored_top TOP 80
similar_picture moved_top restored_top || fail "the bands did not come back in their saved order and widths"
strip restored_bottom BOTTOM 30
similar_picture shown_bottom restored_bottom && fail "the status bar is shown again after restart"
close_kinetta "second run"
# The second close saved what the second run showed.
grep -q '^Wnd-0xfffffffe\\visible=0$' "$conf" || fail "the restored status bar was visible"
[ "$(stored_band_id 0)" = 60161 ] || fail "the restored bands were not in the saved order"

# 3. A damaged settings file: the default layout.
head -c 3000 /dev/urandom >"$conf"
printf '\n[MainWindow]\nplacement=@ByteArray(\\0\\x1\n[%%General\nSM_CXSCREEN=-1\n' >>"$conf"
start_kinetta
[ "$(geometry)" = "$default_geometry" ] ||
    fail "damaged file: geometry $(geometry), expected the default $default_geometry"
strip damaged_top TOP 80
strip damaged_bottom BOTTOM 30
similar_picture default_top damaged_top || fail "damaged file: the bands are not in their default order"
similar_picture default_bottom damaged_bottom || fail "damaged file: the status bar is not shown"
close_kinetta "damaged file"

# 4. Damaged rectangles (1 x 1 near the corner, 15 pixels tall at the bottom,
# far larger than the screen): the window, frame and title bar included,
# comes back on the screen.
le32() {
    local v=$(($1 & 0xffffffff))
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255))
}
# placement_value LEFT TOP RIGHT BOTTOM: a normal placement as Kinetta stores it.
placement_value() {
    printf '@ByteArray(%s%s%s%s%s%s%s%s%s%s%s)' "$(le32 44)" "$(le32 0)" "$(le32 1)" "$(le32 -1)" \
        "$(le32 -1)" "$(le32 -1)" "$(le32 -1)" "$(le32 "$1")" "$(le32 "$2")" "$(le32 "$3")" "$(le32 "$4")"
}
for rectangle in "5 5 6 6" "0 1009 1280 1024" "-50 -50 5000 4000"; do
    # shellcheck disable=SC2086
    printf '[%%General]\nSM_CXSCREEN=1280\nSM_CYSCREEN=1024\n\n[MainWindow]\nplacement=%s\n' \
        "$(placement_value $rectangle)" >"$conf"
    start_kinetta
    read -r frame_left frame_right frame_top frame_bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS |
        sed -n 's/.*= *//p' | tr -d ',')
    client_origin
    outer_left=$((origin_x - ${frame_left:-0}))
    outer_top=$((origin_y - ${frame_top:-0}))
    outer_right=$((origin_x + client_width + ${frame_right:-0}))
    outer_bottom=$((origin_y + client_height + ${frame_bottom:-0}))
    [ "${frame_top:-0}" -gt 0 ] || fail "no frame from the window manager"
    [ "$outer_left" -ge 0 ] && [ "$outer_top" -ge 0 ] && [ "$outer_right" -le 1280 ] &&
        [ "$outer_bottom" -le 1024 ] ||
        fail "stored $rectangle: the window spans ($outer_left, $outer_top)-($outer_right, $outer_bottom)"
    close_kinetta "stored $rectangle"
done

# 5. A read-only settings folder: the save fails, the close goes on.
chmod 0444 "$conf"
chmod 0555 "$conf_dir"
[ "$(id -u)" -eq 0 ] && chattr +i "$conf" "$conf_dir" 2>/dev/null
before=$(md5sum <"$conf")
if touch "$conf_dir/probe" 2>/dev/null; then
    rm -f "$conf_dir/probe"
    echo "SKIP: the settings folder cannot be made read-only here"
else
    start_kinetta
    xdotool windowmove --sync "$window" 40 30
    settle || fail "read-only settings: the window did not settle after the move"
    close_kinetta "read-only settings"
    [ "$(md5sum <"$conf")" = "$before" ] || fail "the read-only settings file changed"
fi

echo "window layout: all checks passed"
