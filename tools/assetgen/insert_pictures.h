#pragma once
// The Insert band's pictures: one 16 x 15 button image per body it adds.

#include "tools/assetgen/vector_canvas.h"

namespace assetgen {

// 160 x 15 times scale: box, ball, cylinder, capsule, cone, can, die,
// domino, ramp and wall, in the band's order; transparent around them.
RgbaCanvas MakeInsertStrip(int scale);

}  // namespace assetgen
