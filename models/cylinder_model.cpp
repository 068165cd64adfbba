#include "models/cylinder_model.h"

namespace models {

CylinderModel::CylinderModel(const btVector3& halfExtents)
    : btCylinderShape(halfExtents), glw::Model()
{
}

// The surfaces go first, then the shape: bases are destroyed in reverse order.
CylinderModel::~CylinderModel() = default;

}  // namespace models
