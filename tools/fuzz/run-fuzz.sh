#!/usr/bin/env bash
# Fuzzes the LWOB decoder with libFuzzer, AddressSanitizer and UBSan.
#
#   tools/fuzz/run-fuzz.sh [SECONDS] [libFuzzer options...]
#
# Configures and builds the "fuzz" preset (clang) in build-fuzz/, seeds a
# corpus from res/*.lwo and a few hand-made files, and fuzzes for SECONDS
# (default 60). The corpus grows in build-fuzz/fuzz/corpus/ from run to run.
# Exits non-zero when the fuzzer finds a crash; the input that caused it is
# left in build-fuzz/fuzz/artifacts/ (replay it: kinetta_lwo_fuzzer FILE).
#
# Environment: KINETTA_FUZZ_BUILD_DIR replaces build-fuzz/, KINETTA_BUILD_JOBS
# the number of compile jobs (default: all cores).
set -euo pipefail

seconds="${1:-60}"
[ $# -gt 0 ] && shift
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [SECONDS] [libFuzzer options...]" >&2
  exit 2
fi

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${KINETTA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
jobs="${KINETTA_BUILD_JOBS:-$(nproc)}"

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target kinetta_lwo_fuzzer -j "$jobs"
fuzzer="$build/tools/fuzz/kinetta_lwo_fuzzer"

corpus="$build/fuzz/corpus/lwo"
seeds="$build/fuzz/seeds/lwo"
artifacts="$build/fuzz/artifacts/"
mkdir -p "$corpus" "$artifacts"
rm -rf "$seeds"
mkdir -p "$seeds"

# --- Seeds: the program's own meshes plus small files that reach the corners
# of the format. Bytes are built as hex text, big-endian as in the file.
u16() { printf '%04x' "$(( $1 & 0xffff ))"; }
u32() { printf '%08x' "$1"; }
text() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
chunk() { printf '%s%s%s' "$(text "$1")" "$(u32 $(( ${#2} / 2 )))" "$2"; }
lwob() {
  local body
  body="$(text LWOB)$1"
  printf '%s%s%s' "$(text FORM)" "$(u32 $(( ${#body} / 2 )))" "$body"
}
write_hex() { printf "$(printf '%s' "$2" | sed 's/../\\x&/g')" > "$seeds/$1"; }

zero=00000000 one=3f800000 minus_one=bf800000 half=3f000000
points="$zero$zero$zero$one$zero$zero$zero$one$zero$one$one$half"
settings="$(text COLR)$(u16 4)c8c8c800$(text FLAG)$(u16 2)$(u16 4)$(text GLOS)$(u16 2)$(u16 64)"

write_hex triangle.lwo "$(lwob "$(chunk SRFS "$(text A)00")$(chunk PNTS "$points")$(chunk POLS "$(u16 3)$(u16 0)$(u16 1)$(u16 2)$(u16 1)")$(chunk SURF "$(text A)00$settings")")"

polygons="$(u16 4)$(u16 0)$(u16 1)$(u16 3)$(u16 2)$(u16 -1)$(u16 1)"  # quad with one detail
polygons+="$(u16 3)$(u16 0)$(u16 1)$(u16 2)$(u16 2)"                   # the detail, on surface 2
polygons+="$(u16 1)$(u16 3)$(u16 1)$(u16 2)$(u16 0)$(u16 3)$(u16 2)$(u16 0)$(u16 1)"  # one and two points
write_hex details.lwo "$(lwob "$(chunk SRFS "$(text Face)0000$(text sides)00")$(chunk CRVS "")$(chunk PNTS "$points$minus_one$minus_one$minus_one")$(chunk XODD 010203)00$(chunk POLS "$polygons")$(chunk SURF "$(text sides)00$settings")")"

write_hex lowercase.lwo "$(lwob "$(chunk srfs "$(text s)00")$(chunk pnts "$points")$(chunk pols "$(u16 3)$(u16 2)$(u16 1)$(u16 0)$(u16 1)")$(chunk surf "$(text s)00$(text colr)$(u16 4)ff000000")")"

for mesh in "$root"/res/*.lwo; do
  [ -e "$mesh" ] && cp "$mesh" "$seeds/"
done

# --- Fuzz. The first folder collects new inputs; the seeds are only read.
echo "Fuzzing the LWOB decoder for ${seconds}s"
if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -dict="$root/tools/fuzz/lwo.dict" -artifact_prefix="$artifacts" "$@" "$corpus" "$seeds"; then
  echo "run-fuzz.sh: the fuzzer found a failing input; see $artifacts" >&2
  exit 1
fi
