#pragma once
// The program's four LightWave objects, built in code.

#include "tools/assetgen/mesh.h"

namespace assetgen {

// A drinks can around the y axis: 12 segments, 218 points, 432 triangles.
Mesh MakeCan();
// A ball of radius 0.5: a once-subdivided icosahedron, 42 points, 80 triangles.
Mesh MakeBall();
// A 1 x 2 x 0.3 domino slab with rounded edges: 36 points, 30 quadrilaterals.
Mesh MakeDomino();
// A cube of side 1 with rounded edges and corners: 56 points, 48 triangles
// and 30 quadrilaterals.
Mesh MakeRoundedCube();

}  // namespace assetgen
