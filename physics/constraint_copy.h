#pragma once
// A copy of a constraint that joins other bodies: how a copied or pasted
// group of bodies keeps the joints among them.

#include <btBulletDynamicsCommon.h>

#include <memory>

// The constraint between a and b, with the frames, limits, motors, springs
// and breaking threshold of `from`. A body without a shape stands for the
// world (it sits at the origin): a frame on that side is moved by
// worldShift, as the group it holds was. Null for a type it cannot copy
// (none of Bullet's rigid-body constraints today).
std::unique_ptr<btTypedConstraint> CopyConstraint(const btTypedConstraint& from, btRigidBody& a,
                                                  btRigidBody& b, const btVector3& worldShift);
