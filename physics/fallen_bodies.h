#pragma once
// Bodies that have fallen off the world. A body flung over the edge of the
// ground would fall for ever, costing steps and growing its numbers without
// bound: once it is this far below the lowest static body, nothing it can
// still meet, it is taken to have left the world.

#include <btBulletDynamicsCommon.h>

#include <vector>

inline constexpr btScalar kFallenDepth = 500.0f;

// The movable rigid bodies whose every point is more than `depth` below the
// lowest point of every static body; none in a world without a static body.
// A static body without a lowest point (a plane) counts by its origin.
std::vector<btRigidBody*> FallenBodies(const btCollisionWorld& world,
                                       btScalar depth = kFallenDepth);
