#!/usr/bin/env bash
# Builds the Debian package from a built tree, without installing it: lintian
# finds nothing to warn about, the control fields are those of a proper
# package, every file a desktop installation needs is inside, and the
# extracted program answers --version, --help and a bad option. A release
# tree's package carries no contract checks; a test build's does.
#   package.sh BUILD_DIR release|test-build APP_ID VERSION
set -u
build=$1 kind=$2 id=$3 version=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack: $(tail -n 20 "$tmp/cpack.log")"
arch=$(dpkg --print-architecture)
deb=$tmp/kinetta_${version}_$arch.deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$tmp")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kinetta ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
for name in Section Priority Maintainer Description; do
    [ -n "$(field $name)" ] || fail "no $name field"
done
# Computed from the binary by dpkg-shlibdeps, plus the run-time Qt plugin.
for dependency in libqt6widgets6 libbullet libbullet-extras libpng16-16 libc6 qt6-qpa-plugins; do
    field Depends | grep -q "$dependency" || fail "Depends lacks $dependency: $(field Depends)"
done

lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian.txt")"
grep -E '^[EW]: ' "$tmp/lintian.txt" && fail "lintian complaints"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
expected=(
    /usr/bin/kinetta
    /usr/libexec/kinetta/kinetta-world-reader
    "/usr/share/applications/$id.desktop"
    "/usr/share/metainfo/$id.metainfo.xml"
    /usr/share/man/man1/kinetta.1.gz
    "/usr/share/mime/packages/$id.xml"
    /usr/share/doc/kinetta/README.md
    /usr/share/doc/kinetta/copyright
    /usr/share/doc/kinetta/changelog.gz
    "/usr/share/icons/hicolor/scalable/apps/$id.svg"
)
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
for path in "${expected[@]}"; do
    grep -qx "$path" "$tmp/files" || fail "the package lacks $path"
done

dpkg-deb -x "$deb" "$tmp/root"
program=$tmp/root/usr/bin/kinetta
file "$program" | grep -q ', stripped' || fail "not stripped: $(file "$program")"
for size in 16 32 48 64 128 256; do
    file "$tmp/root/usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
        grep -q "PNG image data, $size x $size" || fail "the ${size}px icon is not $size x $size"
done
[ "$("$program" --version | head -n 1)" = "kinetta $version" ] || fail "--version: $("$program" --version)"
"$program" --help | grep -q -- '--throw N' || fail "--help: $("$program" --help)"
"$program" --unknown-option 2>"$tmp/err" && fail "a bad option was accepted"
grep -q "Try 'kinetta --help'" "$tmp/err" || fail "bad option: $(cat "$tmp/err")"
# The words every failed contract check prints are in the binary only where
# the checks are compiled in.
checks=no
for binary in "$program" "$tmp/root/usr/libexec/kinetta/kinetta-world-reader"; do
    grep -q 'contract broken' "$binary" && checks=yes
done
case $kind in
release) [ $checks = no ] || fail "the package's binaries check contracts: build it from the package preset" ;;
*) [ $checks = yes ] || fail "a test build without contract checks" ;;
esac
# The world reader answers from where the program looks for it.
reader=$tmp/root/usr/libexec/kinetta/kinetta-world-reader
out=$("$reader" </dev/null) && fail "the world reader accepted an empty file"
[ "$out" = "the file is empty" ] || fail "world reader: $out"
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes) passed"
