#pragma once
// The program's six images.

#include "tools/assetgen/image.h"

namespace assetgen {

// 192 x 128: the six dice faces, white pips on blue, in 64 x 64 cells; top
// row 1, 2, 3 pips, bottom row 4, 5, 6 (left to right).
Image MakeDiceSheet();
// 64 x 128: a domino face, five pips above a dividing line, six below, black
// on white.
Image MakeDominoFace();
// 256 x 256: two black wave lines on yellow.
Image MakeWaves();
// 256 x 128: a white disc on red.
Image MakeDisc();
// 64 x 64: grey metallic streaks, for sphere-mapped reflections.
Image MakeMetalStreaks();
// 256 x 256: a 2 x 2 checker of white and cyan squares with grey borders.
Image MakeChecker();

}  // namespace assetgen
