#!/usr/bin/env bash
# Fuzzes the parsing, checking and building of world descriptions (the text
# the world reader sends back) with libFuzzer, AddressSanitizer and UBSan.
#
#   tools/fuzz/run-world-fuzz.sh [SECONDS] [libFuzzer options...]
#
# Builds the "fuzz" preset (clang) in build-fuzz/, seeds a corpus with a few
# descriptions, and fuzzes for SECONDS (default 60). A failing input is left
# in build-fuzz/fuzz/artifacts/world/ (replay: kinetta_world_description_fuzzer FILE).
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
cmake --build "$build" --target kinetta_world_description_fuzzer -j "$jobs"
fuzzer="$build/tools/fuzz/kinetta_world_description_fuzzer"

corpus="$build/fuzz/corpus/world"
seeds="$build/fuzz/seeds/world"
artifacts="$build/fuzz/artifacts/world/"
mkdir -p "$corpus" "$artifacts"
rm -rf "$seeds"
mkdir -p "$seeds"

header='kinetta-world-description 1'
cat >"$seeds/every-shape.txt" <<DESCRIPTION
$header
gravity 0 -9.8 0
skipped =2%20multibodies
shape BOX_SHAPE_PROXYTYPE =kinetta.die 0.04 1 2 1 0.5 0.5 0.5
shape SPHERE_SHAPE_PROXYTYPE =kinetta.ball 0.3 1 1 1 0.3
shape CAPSULE_SHAPE_PROXYTYPE = 0.2 1 1 1 0 0.2 0.3
shape CYLINDER_SHAPE_PROXYTYPE =kinetta.can 0.04 1 1 1 1 0.3 0.5 0.3
shape CONE_SHAPE_PROXYTYPE = 0.04 1 1 1 2 0.4 1
shape CONVEX_HULL_SHAPE_PROXYTYPE = 0.04 1 1 1 4 0 0 0 1 0 0 0 1 0 0 0 1
shape MULTI_SPHERE_SHAPE_PROXYTYPE = 0.04 1 1 1 2 0 -0.3 0 0.25 0 0.3 0 0.15
shape STATIC_PLANE_PROXYTYPE = 0 1 1 1 0 1 0 -1
shape TRIANGLE_MESH_SHAPE_PROXYTYPE = 0 1 1 1 4 -5 0 -5 5 0 -5 5 0 5 -5 0 5 2 0 1 2 0 2 3
shape COMPOUND_SHAPE_PROXYTYPE = 0 1 1 1 2 0 0 0.5 0 0 0 0 1 1 0.7 0 0 0 0 0.2474 0.9689
body 0 2 1 1 0 0 0 0 1 1 -0.5 0.25 0.1 0 -0.2 0.31 0.02 0.05 0.01 0.02 1 0.05 0.2
body 1 0.5 2 1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 2 0 0
body 7 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 1 0 0
body 8 0 0 -1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 1 0 0
body 9 3 8 1 0 0 0 0 1 0 0 0 0 0 0 0.5 0 0 0 0 4 0 0
constraint HINGE_CONSTRAINT_TYPE 0 1 1 0.1 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 -0.5 0 0 0.5 0 0
constraint POINT2POINT_CONSTRAINT_TYPE 1 -1 0 0.5 0 0 0 0 0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0
constraint SLIDER_CONSTRAINT_TYPE 0 4 0 0 0 0 0 0 0 1 0 0 0 0 0 0 1 -1 0 0 1 0 0 -0.1 0 0 0.1 0 0
end
DESCRIPTION
cat >"$seeds/empty-world.txt" <<DESCRIPTION
$header
gravity 0 -10 0
end
DESCRIPTION

echo "Fuzzing the world description for ${seconds}s"
if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -dict="$root/tools/fuzz/world_description.dict" -artifact_prefix="$artifacts" "$@" \
      "$corpus" "$seeds"; then
  echo "run-world-fuzz.sh: the fuzzer found a failing input; see $artifacts" >&2
  exit 1
fi
