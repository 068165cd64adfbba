#pragma once
// A ball body: Bullet's sphere for collisions, a mesh decoded after
// construction for drawing.

#include "glw/model.h"

#include <btBulletCollisionCommon.h>

namespace models {

// The Bullet shape is the first base, so a pointer to the model is the shape's
// own pointer; Bullet's aligned operators new and delete are inherited from it.
class SphereModel : public btSphereShape, public glw::Model {
public:
    explicit SphereModel(btScalar radius);
    ~SphereModel() override;
};

}  // namespace models
