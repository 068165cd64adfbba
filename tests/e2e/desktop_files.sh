#!/usr/bin/env bash
# The menu entry, the AppStream metadata and the manual page pass their
# validators without a remark; the manual page documents every option and key
# that --help lists; the file type entry makes the desktop call Bullet files
# application/x-bullet by name and by content, and the menu entry opens them;
# and on a desktop with a dead Wayland socket beside a live X server, Kinetta
# opens its window on X11 with the window class its menu entry names.
#   desktop_files.sh KINETTA DESKTOP_FILE METAINFO_FILE MAN_PAGE MIME_FILE
set -u
kinetta=$1 desktop=$2 metainfo=$3 manpage=$4 mime=$5
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate remarks: $out"

out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
! grep -E '^[EWI]: ' <<<"$out" || fail "appstreamcli validate remarks: $out"
id=$(basename "$desktop" .desktop)
grep -q "<id>$id</id>" "$metainfo" || fail "metadata id is not $id"
grep -qx "Icon=$id" "$desktop" || fail "the menu entry's icon is not $id"

out=$(zcat -f "$manpage" | groff -ww -man -z 2>&1)
[ -z "$out" ] || fail "groff warnings: $out"
MANWIDTH=80 man --warnings -l "$manpage" >"$tmp/man.txt" 2>"$tmp/man.err" || fail "man failed"
[ -s "$tmp/man.err" ] && fail "man warnings: $(cat "$tmp/man.err")"
for section in SYNOPSIS DESCRIPTION OPTIONS KEYS FILES 'EXIT STATUS'; do
    grep -qx "$section" "$tmp/man.txt" || fail "manual page has no $section section"
done
"$kinetta" --help >"$tmp/help.txt" || fail "--help failed"
# Every option word and every key label of --help, in the manual page too.
grep -oE -- '--[a-z]+' "$tmp/help.txt" | sort -u >"$tmp/options"
[ "$(wc -l <"$tmp/options")" -ge 4 ] || fail "--help lists too few options"
while read -r option; do
    grep -qE -- "(^|[ ,])$option( |,|$)" "$tmp/man.txt" || fail "manual page lacks $option"
done <"$tmp/options"
sed -n '/^Keys:/,/^$/p' "$tmp/help.txt" | sed -nE 's/^  (.*[^ ])  +.*/\1/p' >"$tmp/keys"
[ "$(wc -l <"$tmp/keys")" -ge 10 ] || fail "--help lists too few keys"
while read -r key; do
    grep -qF "       $key" "$tmp/man.txt" || fail "manual page lacks the key $key"
done <"$tmp/keys"
grep -q 'Kinetta\.conf' "$tmp/man.txt" || fail "manual page does not name the settings file"
grep -q '\[FILE\]' "$tmp/man.txt" && grep -q '\[FILE\]' "$tmp/help.txt" ||
    fail "the manual page or --help lacks the FILE operand"

# The file type, in a private MIME database: a .bullet name alone and the
# BULLET signature alone are each enough; neither alone is a false match.
grep -qx 'Exec=kinetta %f' "$desktop" || fail "the menu entry does not pass a file: $(grep ^Exec= "$desktop")"
grep -qx 'MimeType=application/x-bullet;' "$desktop" || fail "the menu entry opens no Bullet files"
grep -q '<mediatype>application/x-bullet</mediatype>' "$metainfo" ||
    fail "the metadata does not name the file type"
mkdir -p "$tmp/share/mime/packages" "$tmp/files"
cp "$mime" "$tmp/share/mime/packages/"
export XDG_DATA_HOME="$tmp/share" XDG_DATA_DIRS="$tmp/share:/usr/share"
out=$(update-mime-database "$tmp/share/mime" 2>&1) || fail "update-mime-database: $out"
[ -z "$out" ] || fail "update-mime-database remarks: $out"
printf 'not a world' >"$tmp/files/by-name.bullet"
printf 'BULLETd-v282 and the rest' >"$tmp/files/by-content.dat"
printf 'BULLEX' >"$tmp/files/neither.dat"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }
for file in by-name.bullet by-content.dat; do
    [ "$(type_of "$tmp/files/$file")" = application/x-bullet ] ||
        fail "$file is '$(type_of "$tmp/files/$file")', not application/x-bullet"
done
[ "$(type_of "$tmp/files/neither.dat")" != application/x-bullet ] ||
    fail "a file with neither name nor signature is taken for a Bullet file"
unset XDG_DATA_HOME XDG_DATA_DIRS

# shellcheck source=../../tools/x_session.sh
. "$(dirname "$0")/../../tools/x_session.sh"
start_x_session || fail "no X server"
trap 'stop_x_session; rm -rf "$tmp"' EXIT
WAYLAND_DISPLAY=wayland-kinetta-dead XDG_SESSION_TYPE=wayland "$kinetta" 2>"$tmp/err" &
app=$!
window=""
for _ in $(seq 100); do
    window=$(kinetta_window "$app")
    [ -n "$window" ] && break
    kill -0 "$app" 2>/dev/null || fail "kinetta exited early: $(cat "$tmp/err")"
    sleep 0.1
done
[ -n "$window" ] || fail "no Kinetta window on X11"
class=$(xprop -id "$window" WM_CLASS | sed -nE 's/.*, "(.*)"$/\1/p')
grep -qx "StartupWMClass=$class" "$desktop" || fail "window class '$class' is not the menu entry's"
close_window_and_wait "$window" "$app"
rc=$?
# A key sent while the window manager is still taking the new window can be
# lost: while the window is still there, close it once more.
if [ "$rc" -eq 124 ] && xdotool getwindowname "$window" >/dev/null 2>&1; then
    close_window_and_wait "$window" "$app"
    rc=$?
fi
[ "$rc" -ne 124 ] || { kill "$app"; fail "kinetta did not exit after its window closed"; }
[ "$rc" -eq 1 ] || fail "exit code $rc after closing the window, expected 1"
echo "desktop files: all checks passed"
