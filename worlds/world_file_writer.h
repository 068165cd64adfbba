#pragma once
// Saving the whole current world as a .bullet file with Bullet's own
// serializer: every body with its shape (shared shapes once), velocities,
// mass, friction, damping, activation state and name, the constraints, gravity
// and the solver's settings.

#include "worlds/world_file_result.h"

#include <btBulletDynamicsCommon.h>

#include <functional>
#include <string>

// The name to store with a shape ("kinetta.can"), or an empty string for none.
// Named shapes are how a reopened file finds Kinetta's own shapes again.
using ShapeNameLookup = std::function<std::string(const btCollisionShape& shape)>;

// Writes a temporary file in the target's folder and renames it over the
// target, so that a failed save leaves any old file as it was. The error
// names the reason ("the folder is read-only", "the disk is full").
WorldFileResult SaveWorldFile(btDynamicsWorld& world, const std::string& path,
                              const ShapeNameLookup& shapeNames = {});
