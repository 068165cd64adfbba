#!/usr/bin/env bash
# Fuzzes the LWOB decoder, the saved window layout (the settings file and
# the placement rules) and the world description (the text the world reader
# sends back: its parser, checks and builder) with libFuzzer, AddressSanitizer
# and UBSan.
#
#   tools/fuzz/run-fuzz.sh [SECONDS] [libFuzzer options...]
#
# Configures and builds the "fuzz" preset (clang) in build-fuzz/, seeds each
# corpus with hand-made inputs (and res/*.lwo), and fuzzes each target for
# SECONDS (default 60). The corpora grow in build-fuzz/fuzz/corpus/ from run
# to run. Exits non-zero when a fuzzer finds a failing input; it is left in
# build-fuzz/fuzz/artifacts/NAME/ (replay it: kinetta_NAME_fuzzer FILE).
#
# Environment: KINETTA_FUZZ_TARGETS the targets to fuzz (default "lwo
# layout world"), KINETTA_FUZZ_BUILD_DIR replaces build-fuzz/, KINETTA_BUILD_JOBS
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
read -r -a targets <<<"${KINETTA_FUZZ_TARGETS:-lwo layout world}"
for target in "${targets[@]}"; do
  case $target in
  lwo | layout | world) ;;
  *)
    echo "run-fuzz.sh: unknown target '$target' (lwo, layout, world)" >&2
    exit 2
    ;;
  esac
done

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
# The world target fuzzes the description the reader process sends back.
fuzzer_name() {
  case $1 in
  world) echo kinetta_world_description_fuzzer ;;
  *) echo "kinetta_$1_fuzzer" ;;
  esac
}
dictionary_name() {
  case $1 in
  world) echo world_description.dict ;;
  *) echo "$1.dict" ;;
  esac
}
build_targets=()
for target in "${targets[@]}"; do
  build_targets+=(--target "$(fuzzer_name "$target")")
done
cmake --build "$build" "${build_targets[@]}" -j "$jobs"

u16() { printf '%04x' "$(( $1 & 0xffff ))"; }
u32() { printf '%08x' "$1"; }
text() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

# --- LWOB seeds: the program's own meshes plus small files that reach the
# corners of the format. Bytes are built as hex text, big-endian as in the file.
lwo_seeds() {
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
}

# --- Layout seeds: settings files as Kinetta writes them, each followed by
# the screen it is restored on. The screen is read from the end, last byte
# first: work area left, top (two bytes each, 4000 meaning 0), width and
# height (1280 x 1024), the number of other screens, the window's minimum
# size (112 x 80) and its frame (4, 24, 4, 4).
layout_seeds() {
  local screen='\x04\x04\x18\x04\x50\x00\x70\x00\x00\x00\x04\x00\x05\xa0\x0f\xa0\x0f'
  local band0='@ByteArray(P\0\0\0\x63\x3\0\0\x5\x2\0\0\0\0\0\xff\0\0\0\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\xcf\0\0\0\x16\0\0\0\x9f\x1\0\0\0\0\0\0\x1\xeb\0\0\x16\0\0\0\x16\0\0\0\0\0\0\0\x9f\x1\0\0\0\0\0\0\0\0\0\0)'
  local band1='@ByteArray(P\0\0\0\x63\x3\0\0\x4\x2\0\0\0\0\0\xff\0\0\0\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0V\0\0\0\x16\0\0\0\xac\0\0\0\0\0\0\0\0\xeb\0\0\x16\0\0\0\x16\0\0\0\0\0\0\0\xac\0\0\0\0\0\0\0\0\0\0\0)'
  # Placements: normal at (150, 110) 760 x 560, maximised, and 1 x 1 at (5, 5).
  local normal='"@ByteArray(,\0\0\0\0\0\0\0\x1\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x96\0\0\0n\0\0\0\x8e\x3\0\0\x46\x2\0\0)"'
  local maximised='"@ByteArray(,\0\0\0\x2\0\0\0\x3\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x96\0\0\0n\0\0\0\x8e\x3\0\0\x46\x2\0\0)"'
  local tiny='"@ByteArray(,\0\0\0\0\0\0\0\x1\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x5\0\0\0\x5\0\0\0\x6\0\0\0\x6\0\0\0)"'
  local name placement visible width
  for name in normal maximised tiny; do
    placement=${!name}
    visible=0 width=1280
    [ "$name" = maximised ] && visible=1
    [ "$name" = tiny ] && width=1600
    {
      printf '[%%General]\nSM_CXSCREEN=%s\nSM_CYSCREEN=1024\n\n[MainWindow]\n' "$width"
      printf 'Wnd-0xfffffffe\\visible=%s\n' "$visible"
      printf 'Wnd-0xffffffff\\band0=%s\nWnd-0xffffffff\\band1=%s\n' "$band0" "$band1"
      printf 'placement=%s\n\n' "$placement"
      # Values of other types in a section Kinetta does not read.
      printf '[Other]\nimage=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QImage\\0)\nlist=1, 0\n'
      printf "$screen"
    } >"$seeds/$name.conf"
  done
}

# --- World seeds: descriptions as the world reader sends them, one with every
# shape, constraint and joint kind the description knows and one empty world.
world_seeds() {
  local header
  header='kinetta-world-description 5'
  cat >"$seeds/every-shape.txt" <<DESCRIPTION
$header
gravity 0 -9.8 0
solver 0.6 1 0.3 0.016666668 0 20 1 0.2 0.8 0 -0.04 0.1 0 0.85 100 1e+30 10 276 2 128 1
skipped =2%20multibodies
shape BOX_SHAPE_PROXYTYPE 0 =kinetta.die 0.04 1 2 1 0.5 0.5 0.5
shape SPHERE_SHAPE_PROXYTYPE 1 =kinetta.ball 0.3 1 1 1 0.3
shape CAPSULE_SHAPE_PROXYTYPE 2 = 0.2 1 1 1 0 0.2 0.3
shape CYLINDER_SHAPE_PROXYTYPE 3 =kinetta.can 0.04 1 1 1 1 0.3 0.5 0.3
shape CONE_SHAPE_PROXYTYPE -1 = 0.04 1 1 1 2 0.4 1
shape CONVEX_HULL_SHAPE_PROXYTYPE 5 = 0.04 1 1 1 4 0 0 0 1 0 0 0 1 0 0 0 1
shape MULTI_SPHERE_SHAPE_PROXYTYPE 6 = 0.04 1 1 1 2 0 -0.3 0 0.25 0 0.3 0 0.15
shape STATIC_PLANE_PROXYTYPE 7 = 0 1 1 1 0 1 0 -1
shape TRIANGLE_MESH_SHAPE_PROXYTYPE 8 = 0 1 1 1 4 -5 0 -5 5 0 -5 5 0 5 -5 0 5 2 0 1 2 0 2 3
shape COMPOUND_SHAPE_PROXYTYPE 9 = 0 1 1 1 2 0 0 0.5 0 0 0 0 1 1 0.7 0 0 0 0 0.2474 0.9689
body 0 0 2 1 1 0 0 0 0 1 1 -0.5 0.25 0.1 0 -0.2 0.31 0.02 0.05 0.01 0.02 1 0.05 0.2 =Left%20wheel
body 2 1 0.5 2 1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 2 0 0 =
body 3 7 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 1 0 0 =
body 4 8 0 0 -1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 1 0 0 =
body 5 9 3 8 1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 4 0 0 =
constraint HINGE_CONSTRAINT_TYPE 0 0 1 1 0.1 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 -0.5 0 0 0.5 0 0 1 3.4028235e+38 -1 0.3 1 0 0.9 0.3 1 1 2 0.5
constraint POINT2POINT_CONSTRAINT_TYPE 1 1 -1 0 0.5 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0 1e3 10 0.05
constraint SLIDER_CONSTRAINT_TYPE 2 0 4 0 0 0 0 0 0 0 1 0 0 0 0 0 0 1 -1 0 0 1 0 0 -0.1 0 0 0.1 0 0 1 3.4028235e+38 -1 0.05 0 1
constraint CONETWIST_CONSTRAINT_TYPE 3 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 1 inf -1 0.05 0.9 0.3 1 0.01
constraint D6_CONSTRAINT_TYPE 4 1 4 0 0 0 0 0 0 0 1 0 0 0 0 0 0 1 -1 0 0 1 0 0 -0.1 0 0 0.1 0 0 1 3.4028235e+38 -1 0.05 1 0
constraint D6_SPRING_CONSTRAINT_TYPE 5 0 4 1 0 0 0 0 0 0 1 0 0 0 0 0 0 1 -1 0 0 1 0 0 -0.1 0 0 0.1 0 0 1 3.4028235e+38 -1 0.05 1 0 1 30 0.5 0 1 30 0.5 0 1 30 0.5 0 1 30 0.5 0 1 30 0.5 0 1 30 0.5 0
constraint D6_SPRING_2_CONSTRAINT_TYPE 6 4 1 1 0 0 0 0 0 0 1 0 0 0 0 0 0 1 -1 0 0 1 0 0 -0.1 0 0 0.1 0 0 1 3.4028235e+38 -1 0.05 3 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0
constraint FIXED_CONSTRAINT_TYPE 7 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 1 4 -1 0.05 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0 1 2 3 0 0 1 25 0.4 0.1 1 1 0.3 0.2 0 0.9 0
constraint GEAR_CONSTRAINT_TYPE 8 0 4 0 1 0 0 0 0 0 1 0 1 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 1 3.4028235e+38 -1 0.05 2
multibody 0 2 0 0.1 0.2 0.3 1 2 3 0 0 -0.2474 0.9689 0.5 0 0 0 0.25 0 0 0.33 0 0.44 =robot
link -1 eRevolute 1.5 1 1.1 1.2 0.0998 0 0 0.995 0 -1 0 0 -0.5 0 0 0 1 0.3 0 0 1 0.7 0 0 0.11 0.22 -1 1 5 6 1 0 0 0 =arm
link 0 ePrismatic 1.25 2 2 2 0 0 0 1 0 -1 0 0 -0.5 0 0 1 0 0.1 0 0 1 -0.2 0 0 0 0 0 0 0 0 0 0.1 0 0 =
link 1 eSpherical 1 3 3 3 -0.0998 0 0 0.995 0 -1 0 0 -0.5 0 0 0 0 0.1 0.2 0.3 0.9274 0.4 0.5 0.6 0 0 0 0 0 0 1 0.2 0 0 =
link 0 eFixed 0.5 4 4 4 0 0 0 1 1 0 0 0.5 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0.3 0 0 =
multibody 1 0 1 0 0 0 0 5 0 0 0 0 1 0 0 0 0 0 0 7 0.5 0 0 =
link -1 eRevolute 1 0.1 0.1 0.1 0 0 0 1 0 0 0 0 -2 0 1 0 0 0.4 0 0 1 0 0 0 0 0 0 0 0 0 1 0.5 0 0.1 =
end
DESCRIPTION
  cat >"$seeds/empty-world.txt" <<DESCRIPTION
$header
gravity 0 -10 0
end
DESCRIPTION
}

for target in "${targets[@]}"; do
  fuzzer="$build/tools/fuzz/$(fuzzer_name "$target")"
  corpus="$build/fuzz/corpus/$target"
  seeds="$build/fuzz/seeds/$target"
  artifacts="$build/fuzz/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  "${target}_seeds"
  # The first folder collects new inputs; the seeds are only read.
  echo "Fuzzing target '$target' for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -dict="$root/tools/fuzz/$(dictionary_name "$target")" -artifact_prefix="$artifacts" "$@" "$corpus" "$seeds"; then
    echo "run-fuzz.sh: the $target fuzzer found a failing input; see $artifacts" >&2
    exit 1
  fi
done
