#pragma once
// A configured world over plain Bullet shapes, empty or holding the 241 start
// bodies, and comparisons for Bullet's vectors and transforms.

#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"
#include "physics/scene_shapes.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct TestWorld {
    enum Content { Empty, StartBodies };

    explicit TestWorld(Content content = StartBodies) : world(CreateDynamicsWorld())
    {
        ApplyWorldSettings(*world);
        if (content == StartBodies) {
            AddStartBodies(*world, shapes.ground.get(), shapes.cylinder.get());
        }
    }
    ~TestWorld() { DestroyAllCollisionObjects(*world); }

    btRigidBody* Add(btCollisionShape* shape, float mass, const btVector3& position)
    {
        btRigidBody* body =
            CreateRigidBody(shape, mass, position, kCcdMotionThreshold, kCcdSweptSphereRadius);
        world->addRigidBody(body);
        return body;
    }

    btRigidBody* Body(int index) const
    {
        return btRigidBody::upcast(world->getCollisionObjectArray()[index]);
    }
    int BodyCount() const { return world->getNumCollisionObjects(); }

    std::vector<btTransform> Transforms() const
    {
        std::vector<btTransform> transforms;
        for (int i = 0; i < BodyCount(); ++i) {
            transforms.push_back(Body(i)->getWorldTransform());
        }
        return transforms;
    }

    void Step(int count)
    {
        for (int i = 0; i < count; ++i) {
            StepWorld(*world);
        }
    }

    SceneShapes shapes;  // outlives the world's bodies
    std::unique_ptr<CDynamicsWorld> world;
};

inline void ExpectNear(const btVector3& actual, const btVector3& expected, float tolerance)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
    EXPECT_NEAR(actual.z(), expected.z(), tolerance);
}

inline bool SameTransform(const btTransform& a, const btTransform& b, float tolerance)
{
    for (int row = 0; row < 3; ++row) {
        if ((a.getBasis()[row] - b.getBasis()[row]).length() > tolerance) {
            return false;
        }
    }
    return (a.getOrigin() - b.getOrigin()).length() <= tolerance;
}
