#pragma once
// The program's four LightWave objects, built in code.

#include "tools/assetgen/mesh.h"

namespace assetgen {

// A drinks can around the y axis: 12 segments, 218 points, 432 triangles.
Mesh MakeCan();
// A ball of radius 0.5: a once-subdivided icosahedron, 42 points, 80 triangles.
Mesh MakeBall();
// Simpler cans for far away: level 1 sweeps 10 of the rings in 8 segments
// (160 triangles), level 2 six rings in 6 segments (72 triangles).
Mesh MakeSimplerCan(int level);
// Level 1: the icosahedron (20 triangles); level 2: an octahedron (8).
Mesh MakeSimplerBall(int level);
// A 1 x 2 x 0.3 domino slab with rounded edges: 36 points, 30 quadrilaterals.
Mesh MakeDomino();
// The same slab with square edges: 6 quadrilaterals.
Mesh MakeSimplerDomino();
// A cube of side 1 with rounded edges and corners: 56 points, 48 triangles
// and 30 quadrilaterals.
Mesh MakeRoundedCube();

}  // namespace assetgen
