#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: unit
# tests, real-OpenGL tests, end-to-end tests of the program under Xvfb, the
# asset check, a bounded fuzzing run of the mesh decoder and the threaded
# open under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The package's own tree (no tests, contract checks off) is what packaging.deb packages.
cmake --preset package
cmake --build --preset package -j "$(nproc)"
cmake --preset default -DKINETTA_PACKAGE_TREE="$PWD/build-package"
cmake --build --preset default -j "$(nproc)"
ctest --preset default
# The threaded open under ThreadSanitizer, in a small tree of its own that
# runs the world reader just built.
cmake --preset tsan -DKINETTA_WORLD_READER="$PWD/build/kinetta-world-reader"
cmake --build --preset tsan -j "$(nproc)"
ctest --preset tsan
