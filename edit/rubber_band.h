#pragma once
// The bodies a rubber band drawn over the view encloses. The view hands
// over its matrices as plain numbers; nothing here draws or knows a window.

#include <btBulletDynamicsCommon.h>

#include <vector>

// How the frame was drawn: OpenGL's column-major modelview (world to eye)
// and projection matrices, and the viewport's size in the pixels the band
// is given in.
struct BandView {
    float modelview[16];
    float projection[16];
    float width = 0;
    float height = 0;
};

// A rectangle of the view between two corners in any order, in pixels from
// the top-left corner.
struct BandRect {
    float x0, y0, x1, y1;
};

// Where a world point shows in the view, in pixels from the top-left
// corner; false for a point at or behind the eye.
bool ProjectToView(const BandView& view, const btVector3& point, float& x, float& y);

// Every rigid body whose bounding box lies wholly inside the band and in
// front of the eye, in the world's order. Multibodies' colliders are not
// picked, as a click does not pick them.
std::vector<btRigidBody*> BodiesInBand(const btCollisionWorld& world, const BandView& view,
                                       const BandRect& band);
