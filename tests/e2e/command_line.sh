#!/usr/bin/env bash
# --help, --version and the missing-display message, without any X server.
set -u
kinetta=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

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

echo "command line: all checks passed"
