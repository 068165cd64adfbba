#!/usr/bin/env bash
# --help, --version, usage errors and the missing-display messages, without
# any X server.
set -u
kinetta=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

out=$("$kinetta" --help) || fail "--help exited non-zero"
grep -q -- '--stats' <<<"$out" || fail "--help does not mention --stats"

out=$("$kinetta" --version) || fail "--version exited non-zero"
grep -q '^kinetta 1.0.0.1' <<<"$out" || fail "--version printed: $out"

err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$kinetta" 2>&1 >/dev/null)
rc=$?
[ "$rc" -ne 0 ] || fail "no display: exit code 0"
[ "$rc" -ne 134 ] || fail "no display: Qt aborted"
grep -q 'no display' <<<"$err" || fail "no display: message was '$err'"

err=$(env -u WAYLAND_DISPLAY DISPLAY=:239 "$kinetta" 2>&1 >/dev/null)
rc=$?
[ "$rc" -ne 0 ] && [ "$rc" -ne 134 ] || fail "unreachable display: exit code $rc"
grep -q 'cannot open display' <<<"$err" || fail "unreachable display: message was '$err'"

# Usage errors: status 2, nothing on stdout, GNU's two usage lines on stderr.
for args in "--unknown-option" "--throw" "--throw many" "--stats one.bullet two.bullet"; do
    # shellcheck disable=SC2086 # the words are separate arguments on purpose
    out=$("$kinetta" $args 2>"$tmp/err")
    rc=$?
    [ "$rc" -eq 2 ] || fail "kinetta $args: exit code $rc, expected 2"
    [ -z "$out" ] || fail "kinetta $args: printed '$out' on stdout"
    grep -qx 'Usage: kinetta \[OPTION\]\.\.\. \[FILE\]' "$tmp/err" &&
        grep -qx "Try 'kinetta --help' for more information." "$tmp/err" ||
        fail "kinetta $args: stderr was '$(cat "$tmp/err")'"
done

# A Wayland display whose socket does not exist: Qt would abort; Kinetta
# names the socket and exits 2.
err=$(env -u DISPLAY WAYLAND_DISPLAY=wayland-kinetta-test XDG_RUNTIME_DIR="$tmp" \
    "$kinetta" 2>&1 >/dev/null)
rc=$?
[ "$rc" -eq 2 ] || fail "dead Wayland socket: exit code $rc"
grep -q "cannot connect to Wayland display \"wayland-kinetta-test\" ($tmp/wayland-kinetta-test)" \
    <<<"$err" || fail "dead Wayland socket: message was '$err'"

# Both dead: both named.
err=$(DISPLAY=:239 WAYLAND_DISPLAY=wayland-kinetta-test XDG_RUNTIME_DIR="$tmp" \
    "$kinetta" 2>&1 >/dev/null)
rc=$?
[ "$rc" -eq 2 ] || fail "dead X and Wayland displays: exit code $rc"
grep -q 'cannot open display ":239"' <<<"$err" && grep -q 'wayland-kinetta-test' <<<"$err" ||
    fail "dead X and Wayland displays: message was '$err'"

# A live Wayland socket, but this Qt has no Wayland plugin: the same.
if ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland* >/dev/null 2>&1; then
    perl -MIO::Socket::UNIX -e '
        my $s = IO::Socket::UNIX->new(Local => $ARGV[0], Listen => 1) or die "listen: $!";
        sleep 30;' "$tmp/wayland-live" &
    listener=$!
    for _ in $(seq 50); do [ -S "$tmp/wayland-live" ] && break; sleep 0.1; done
    err=$(env -u DISPLAY WAYLAND_DISPLAY="$tmp/wayland-live" "$kinetta" 2>&1 >/dev/null)
    rc=$?
    kill "$listener"
    [ "$rc" -eq 2 ] || fail "Wayland without the Qt plugin: exit code $rc"
    grep -q "Wayland platform plugin is not installed" <<<"$err" ||
        fail "Wayland without the Qt plugin: message was '$err'"
fi

echo "command line: all checks passed"
