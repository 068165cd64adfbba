#!/usr/bin/env bash
# --picture and --record as a script runs them, on a private virtual X
# server: the picture's size and text chunks, the video's frames, size and
# codec as ffprobe reads them, its first frame against the picture, and
# videos cut short by a killed program and by a full disk still playing.
set -u
kinetta=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
# One private X server for every run below: servers started and stopped in
# quick turns raced one another, and one whose number xvfb-run chose could
# be taken by another test's server starting at the same moment.
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/x_session.sh
. "$here/../../tools/x_session.sh"
KINETTA_X_SCREEN=640x480x24 start_x_session || fail "no X server"
tmp=$(mktemp -d)
mnt=""
cleanup() {
    [ -n "$mnt" ] && umount "$mnt" 2>/dev/null
    rm -rf "$tmp"
    stop_x_session
}
trap cleanup EXIT
run() { "$kinetta" "$@"; }

# Frames ffprobe decodes, as a player would; empty when it cannot read it.
frames() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
        -of csv=p=0 "$1" 2>/dev/null
}

run --picture "$tmp/start.png" --size 320x240 || fail "--picture exited $?"
[ "$(identify -format '%wx%h' "$tmp/start.png")" = 320x240 ] || fail "picture size"
identify -verbose "$tmp/start.png" | grep -q 'Simulated time: 0.00 s' ||
    fail "no simulated time in the picture's text"
run --picture "$tmp/later.png" --size 320x240 --at 1.5 --throw 20 || fail "--picture --at"
identify -verbose "$tmp/later.png" | grep -q 'Simulated time: 1.50 s' || fail "--at 1.5"

# Without any display, a script's picture is drawn on a private one.
env -u DISPLAY -u WAYLAND_DISPLAY -u KINETTA_PRIVATE_DISPLAY "$kinetta" \
    --picture "$tmp/headless.png" --size 160x120 || fail "--picture without a display exited $?"
[ "$(identify -format '%wx%h' "$tmp/headless.png")" = 160x120 ] || fail "headless picture size"

run --record "$tmp/two.mp4" --seconds 2 --size 320x240 || fail "--record exited $?"
probe=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$tmp/two.mp4")
[ "$probe" = "h264,320,240,120" ] || [ "$probe" = "vp9,320,240,120" ] ||
    fail "ffprobe says '$probe', expected 120 frames of 320x240"
# The first frame is the start picture, within the encoder's loss (a mean
# error of 0.018 measured; the same frame upside down gives 0.38).
ffmpeg -v error -i "$tmp/two.mp4" -frames:v 1 "$tmp/first.png" || fail "cannot decode frame 1"
mae=$(compare -metric MAE "$tmp/start.png" "$tmp/first.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
awk -v e="$mae" 'BEGIN { exit !(e < 0.03) }' || fail "first frame differs from the picture: $mae"

# Killed while recording: what was written plays.
"$kinetta" --record "$tmp/killed.mp4" --seconds 600 --size 320x240 &
recorder=$!
for _ in $(seq 1 120); do
    [ "$(stat -c %s "$tmp/killed.mp4" 2>/dev/null || echo 0)" -gt 200000 ] && break
    sleep 0.5
done
kill -KILL "$recorder"
wait "$recorder" 2>/dev/null
n=$(frames "$tmp/killed.mp4")
[ -n "$n" ] && [ "$n" -ge 60 ] || fail "a killed recording plays $n frames"

# A full disk: the program says so, exits 1, and the file plays.
mnt="$tmp/small"
mkdir -p "$mnt"
mount -t tmpfs -o size=300k tmpfs "$mnt" || fail "cannot mount a small tmpfs (run as root)"
run --record "$mnt/full.mp4" --seconds 60 --size 320x240 2>"$tmp/full.err"
rc=$?
[ "$rc" -eq 1 ] || fail "full disk: exit code $rc: $(cat "$tmp/full.err")"
grep -q 'No space left' "$tmp/full.err" || fail "full disk: said '$(cat "$tmp/full.err")'"
n=$(frames "$mnt/full.mp4")
[ -n "$n" ] && [ "$n" -ge 60 ] || fail "a recording on a full disk plays $n frames"

# A folder that is not there.
run --record "$tmp/none/v.mp4" --seconds 1 2>"$tmp/none.err"
[ $? -eq 1 ] && grep -q 'No such file' "$tmp/none.err" || fail "missing folder: $(cat "$tmp/none.err")"
echo "pictures and videos: ok"
