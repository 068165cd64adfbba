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

// Deletes an object that is in no world, with its motion state if it is a
// rigid body.
void DeleteCollisionObject(btCollisionObject* object);

// Destroys every collision object, leaving the world empty. Shapes are not
// touched. Our own world removes them all in one pass and then deletes them
// from the last to the first.
void DestroyAllCollisionObjects(btCollisionWorld& world);
