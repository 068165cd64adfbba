#pragma once
// The move and turn handles as lines and flat cones, in world coordinates
// under the current modelview: arrows along x, y and z (from a little out
// of the centre, which stays the body's to press) in
// red, green and blue with a cone at their tips, and a ring about each axis
// in the same colour; the part being dragged in yellow. The caller has
// turned lighting and texturing off; this draws over everything, leaving
// depth testing on again.

#include <LinearMath/btVector3.h>

struct HandleDrawing {
    btVector3 centre{0, 0, 0};
    float length = 1.0f;      // of an arrow
    float ringRadius = 0.75f;  // as a part of the length
    float arrowStart = 0.3f;   // where an arrow begins, the same way
    int activeArrow = -1;     // the axis of the arrow being dragged, or -1
    int activeRing = -1;      // the same for a ring
};

void drawTransformHandles(const HandleDrawing& handles);
