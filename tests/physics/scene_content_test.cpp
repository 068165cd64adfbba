#include "test_world.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTolerance = 1e-4f;

void ExpectAt(const TestWorld& scene, int index, float x, float y, float z)
{
    SCOPED_TRACE(testing::Message() << "body " << index);
    ExpectNear(scene.Body(index)->getWorldTransform().getOrigin(), btVector3(x, y, z), kTolerance);
}

float Cos(float degrees)
{
    return 6.0f * std::cos(degrees * 3.14159265f / 180.0f);
}
float Sin(float degrees)
{
    return 6.0f * std::sin(degrees * 3.14159265f / 180.0f);
}

TEST(StartBodies, AreTheGroundThenTwoHundredFortyUprightCylinders)
{
    TestWorld scene;
    ASSERT_EQ(scene.BodyCount(), 241);

    btRigidBody* ground = scene.Body(0);
    EXPECT_EQ(ground->getCollisionShape(), scene.shapes.ground.get());
    EXPECT_TRUE(ground->isStaticObject());
    EXPECT_EQ(ground->getInvMass(), 0.0f);
    ExpectAt(scene, 0, 0, -1, 0);

    for (int i = 1; i < 241; ++i) {
        btRigidBody* body = scene.Body(i);
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->getCollisionShape(), scene.shapes.cylinder.get()) << i;
        EXPECT_FLOAT_EQ(1.0f / body->getInvMass(), 2.0f) << i;
        EXPECT_EQ(body->getWorldTransform().getRotation(), btQuaternion::getIdentity()) << i;
        EXPECT_EQ(body->getCcdMotionThreshold(), 0.5f) << i;
        EXPECT_EQ(body->getCcdSweptSphereRadius(), 0.0f) << i;
    }
    EXPECT_EQ(ground->getCcdMotionThreshold(), 0.5f);
}

TEST(StartBodies, TowerGoesByAngleThenRowAndPillarsByCourseThenCorner)
{
    TestWorld scene;
    // Angle 0: rows 0..2, A then B.
    ExpectAt(scene, 1, 6, 0.799f, 0);
    ExpectAt(scene, 2, Cos(5), 2.397f, Sin(5));
    ExpectAt(scene, 3, 6, 3.995f, 0);
    ExpectAt(scene, 6, Cos(5), 8.789f, Sin(5));
    // Next angle.
    ExpectAt(scene, 7, Cos(10), 0.799f, Sin(10));
    ExpectAt(scene, 8, Cos(15), 2.397f, Sin(15));
    // Angle 90, row 1, B.
    ExpectAt(scene, 1 + 9 * 6 + 3, Cos(95), 5.593f, Sin(95));
    // The last of the tower: angle 350, row 2, B.
    ExpectAt(scene, 216, Cos(355), 8.789f, Sin(355));

    ExpectAt(scene, 217, -10, 0.799f, -10);
    ExpectAt(scene, 218, 10, 0.799f, -10);
    ExpectAt(scene, 219, -10, 0.799f, 10);
    ExpectAt(scene, 220, 10, 0.799f, 10);
    ExpectAt(scene, 221, -10, 2.397f, -10);
    ExpectAt(scene, 240, 10, 8.789f, 10);
}

TEST(StartBodies, CoursesTouchWithoutOverlapAndStandOnTheGround)
{
    TestWorld scene;
    const float halfHeight = 0.799f;
    const float radius = 0.5f;
    float lowestBottom = 1e9f;
    for (int i = 1; i < 241; ++i) {
        const btVector3& a = scene.Body(i)->getWorldTransform().getOrigin();
        lowestBottom = std::min(lowestBottom, a.y() - halfHeight);
        bool restsOnSomething = a.y() - halfHeight < kTolerance;
        for (int j = 1; j < 241; ++j) {
            if (j == i) {
                continue;
            }
            const btVector3& b = scene.Body(j)->getWorldTransform().getOrigin();
            const float apart = btVector3(a.x() - b.x(), 0, a.z() - b.z()).length();
            const float verticalOverlap = 2 * halfHeight - std::abs(a.y() - b.y());
            ASSERT_FALSE(apart < 2 * radius && verticalOverlap > kTolerance)
                << "bodies " << i << " and " << j;
            if (apart < 2 * radius &&
                std::abs(a.y() - halfHeight - (b.y() + halfHeight)) < kTolerance) {
                restsOnSomething = true;
            }
        }
        EXPECT_TRUE(restsOnSomething) << "body " << i << " hangs in the air";
    }
    EXPECT_NEAR(lowestBottom, 0.0f, 1e-6f);
}

TEST(StartBodies, TowerStillStandsAfterTenSimulatedSeconds)
{
    TestWorld scene;
    const std::vector<btTransform> start = scene.Transforms();
    scene.Step(600);
    for (int i = 1; i < 241; ++i) {
        const float moved =
            (scene.Body(i)->getWorldTransform().getOrigin() - start[i].getOrigin()).length();
        EXPECT_LT(moved, 0.08f) << "body " << i;
    }
}

}  // namespace
