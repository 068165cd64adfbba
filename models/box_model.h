#pragma once
// A box body: Bullet's box for collisions, a mesh decoded after construction
// (or built by a derived class) for drawing.

#include "glw/model.h"

// Our vtable pulls in btBoxShape::getPlane, whose local plane GCC 12 wrongly
// reports as maybe uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <btBulletCollisionCommon.h>
#pragma GCC diagnostic pop

namespace models {

// The Bullet shape is the first base, so a pointer to the model is the shape's
// own pointer; Bullet's aligned operators new and delete are inherited from it.
class BoxModel : public btBoxShape, public glw::Model {
public:
    explicit BoxModel(const btVector3& halfExtents);
    ~BoxModel() override;
};

}  // namespace models
