#include "models/sphere_model.h"

namespace models {

SphereModel::SphereModel(btScalar radius) : btSphereShape(radius), glw::Model() {}

// The surfaces go first, then the shape: bases are destroyed in reverse order.
SphereModel::~SphereModel() = default;

}  // namespace models
