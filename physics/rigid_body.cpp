#include "physics/rigid_body.h"

#include "common/kinetta_assert.h"
#include "physics/dynamics_world.h"

btRigidBody* CreateRigidBody(btCollisionShape* shape, float mass, const btVector3& position,
                             const btQuaternion& orientation, float ccdMotionThreshold,
                             float ccdSweptSphereRadius)
{
    KINETTA_ASSERT(shape != nullptr, "give every body a collision shape");
    btVector3 localInertia(0, 0, 0);
    if (mass != 0.0f) {
        shape->calculateLocalInertia(mass, localInertia);
    }
    const btTransform start(orientation, position);
    auto* motionState = new btDefaultMotionState(start, btTransform::getIdentity());
    btRigidBody::btRigidBodyConstructionInfo info(mass, motionState, shape, localInertia);
    auto* body = new btRigidBody(info);
    body->setContactProcessingThreshold(BT_LARGE_FLOAT);
    body->setCcdMotionThreshold(ccdMotionThreshold);
    body->setCcdSweptSphereRadius(ccdSweptSphereRadius);
    return body;
}

btRigidBody* CreateRigidBody(btCollisionShape* shape, float mass, const btVector3& position,
                             float ccdMotionThreshold, float ccdSweptSphereRadius)
{
    static const btQuaternion identity(btVector3(0, 1, 0), 0);
    return CreateRigidBody(shape, mass, position, identity, ccdMotionThreshold,
                           ccdSweptSphereRadius);
}

void DeleteCollisionObject(btCollisionObject* object)
{
    KINETTA_ASSERT(object->getBroadphaseHandle() == nullptr,
                   "remove an object from its world before deleting it");
    if (btRigidBody* body = btRigidBody::upcast(object)) {
        delete body->getMotionState();
        body->setMotionState(nullptr);
    }
    delete object;
}

void DestroyCollisionObject(btCollisionWorld& world, btCollisionObject* object)
{
    world.removeCollisionObject(object);
    DeleteCollisionObject(object);
}

void DestroyAllCollisionObjects(btCollisionWorld& world)
{
    if (auto* ours = dynamic_cast<CDynamicsWorld*>(&world)) {
        const std::vector<btCollisionObject*> removed =
            ours->RemoveCollisionObjects([](const btCollisionObject&) { return true; });
        for (auto object = removed.rbegin(); object != removed.rend(); ++object)
            DeleteCollisionObject(*object);
        return;
    }
    for (int i = world.getNumCollisionObjects() - 1; i >= 0; --i) {
        DestroyCollisionObject(world, world.getCollisionObjectArray()[i]);
    }
}
