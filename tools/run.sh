#!/usr/bin/env bash
# Installs what is missing, builds Kinetta and starts it.
# With no display, Kinetta runs for a few seconds on a virtual X server
# instead: its --stats lines are shown and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh >/dev/null

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/kinetta "$@"
fi

echo "No display: running Kinetta on a virtual X server for a few seconds."
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
# shellcheck source=x_session.sh
. tools/x_session.sh
start_x_session
trap stop_x_session EXIT

./build/kinetta --stats &
app=$!
sleep "${KINETTA_DEMO_SECONDS:-6}"
shot="$PWD/build/kinetta-screenshot.png"
window=$(kinetta_window "$app")
if [ -n "$window" ]; then
    import -window "$window" "$shot"
    close_window_and_wait "$window" "$app" || true
else
    import -window root "$shot"
fi
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo "Screenshot saved to $shot"
