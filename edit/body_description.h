#pragma once
// The words the status bar gives the selected body: what it is, its mass and
// how it moves, as in "Can 37 · 2 kg · asleep".

#include <btBulletDynamicsCommon.h>

#include <string>
#include <vector>

// The body's number among the bodies of its kind, counted from 1 in the
// world's order; 0 when it is not in the world. Walks the world: call it when
// the selection changes, not on every tick.
int BodyNumber(const btCollisionWorld& world, const btCollisionObject& body);

// held: the mouse holds it.
std::string DescribeBody(const btRigidBody& body, int number, bool held);

// Many bodies at once: "12 bodies · 24 kg" (static bodies weigh nothing).
std::string DescribeBodies(const std::vector<btRigidBody*>& bodies);
