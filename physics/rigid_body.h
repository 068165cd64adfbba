#pragma once
// Creation and destruction of the world's bodies. A body owns neither its
// shape nor its motion state; whoever removes a body deletes its motion state
// and then the body.

#include <btBulletDynamicsCommon.h>

// A new body, not yet in any world, with a btDefaultMotionState holding the
// start transform. Mass 0 makes a static body with zero inertia. The shape
// must not be null (checked).
btRigidBody* CreateRigidBody(btCollisionShape* shape, float mass, const btVector3& position,
                             const btQuaternion& orientation, float ccdMotionThreshold,
                             float ccdSweptSphereRadius);

// The same with the identity rotation.
btRigidBody* CreateRigidBody(btCollisionShape* shape, float mass, const btVector3& position,
                             float ccdMotionThreshold, float ccdSweptSphereRadius);

// Removes the object from the world and deletes it, with its motion state if
// it is a rigid body.
void DestroyCollisionObject(btCollisionWorld& world, btCollisionObject* object);

// Destroys every collision object, from the last to the first, leaving the
// world empty. Shapes are not touched.
void DestroyAllCollisionObjects(btCollisionWorld& world);
