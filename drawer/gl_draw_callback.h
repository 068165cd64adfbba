#pragma once
// Draws the triangles a concave shape reports, each in both windings so it
// shows from either side under back-face culling. Sets no normal or colour:
// those of the caller apply.

#include <btBulletCollisionCommon.h>

class GlDrawcallback : public btTriangleCallback {
public:
    void processTriangle(btVector3* triangle, int partId, int triangleIndex) override;
};
