#pragma once
// An upright (axis y) cylinder body: Bullet's cylinder for collisions, a mesh
// decoded after construction for drawing.

#include "glw/model.h"

#include <btBulletCollisionCommon.h>

namespace models {

// The Bullet shape is the first base, so a pointer to the model is the shape's
// own pointer; Bullet's aligned operators new and delete are inherited from it.
class CylinderModel : public btCylinderShape, public glw::Model {
public:
    explicit CylinderModel(const btVector3& halfExtents);
    ~CylinderModel() override;
};

}  // namespace models
