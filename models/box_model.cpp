#include "models/box_model.h"

namespace models {

BoxModel::BoxModel(const btVector3& halfExtents) : btBoxShape(halfExtents), glw::Model() {}

// The surfaces go first, then the shape: bases are destroyed in reverse order.
BoxModel::~BoxModel() = default;

}  // namespace models
