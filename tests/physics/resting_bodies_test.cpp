// The bodies --throw places: clear of the start bodies, and at rest for good.
#include "physics/body_kind.h"
#include "physics/body_thrower.h"

#include "test_world.h"

#include <gtest/gtest.h>

namespace {

// Bodies from index 241 on are the placed ones.
int AddResting(TestWorld& scene, int count)
{
    return AddRestingThrownBodies(*scene.world, scene.shapes.sphere.get(), scene.shapes.dice.get(),
                                  count);
}

TEST(RestingBodies, KeepClearOfTheTowerAndPillarsAndAreTaggedAsThrown)
{
    for (const int count : {1, 2, 733, 4000, 8000}) {
        TestWorld scene;
        ASSERT_EQ(AddResting(scene, count), count);
        ASSERT_EQ(scene.BodyCount(), kStartBodyCount + count);
        int balls = 0;
        for (int i = kStartBodyCount; i < scene.BodyCount(); ++i) {
            const btRigidBody& body = *scene.Body(i);
            ASSERT_TRUE(WasThrown(body)) << i;
            const bool ball = KindOf(body) == BodyKind::Ball;
            ASSERT_TRUE(ball || KindOf(body) == BodyKind::Die) << i;
            ASSERT_EQ(body.getCollisionShape(),
                      ball ? static_cast<btCollisionShape*>(scene.shapes.sphere.get())
                           : scene.shapes.dice.get());
            balls += ball;
        }
        if (count >= 2) {
            EXPECT_GT(balls, 0) << count;
            EXPECT_LT(balls, count) << count;
        }

        // Not even touching a can: no contact point between the two.
        scene.world->performDiscreteCollisionDetection();
        btDispatcher& dispatcher = *scene.world->getDispatcher();
        for (int m = 0; m < dispatcher.getNumManifolds(); ++m) {
            const btPersistentManifold& manifold = *dispatcher.getManifoldByIndexInternal(m);
            const btCollisionObject& a = *manifold.getBody0();
            const btCollisionObject& b = *manifold.getBody1();
            const bool placedOnCan = (WasThrown(a) && KindOf(b) == BodyKind::Can) ||
                                     (WasThrown(b) && KindOf(a) == BodyKind::Can);
            ASSERT_FALSE(placedOnCan && manifold.getNumContacts() > 0)
                << count << " bodies: one touches a can";
        }
    }
}

// Three layers used to be enough for the pile to slide apart for ever.
TEST(RestingBodies, UpToEightThousandComeToRestOnTheGroundAndSleepWithinFiveSeconds)
{
    for (const int count : {2200, 8000}) {
        TestWorld scene;
        const std::vector<btTransform> start = scene.Transforms();
        ASSERT_EQ(AddResting(scene, count), count);
        scene.Step(300);

        int awake = 0, offTheGround = 0, canMoved = 0;
        for (int i = 0; i < scene.BodyCount(); ++i) {
            const btRigidBody& body = *scene.Body(i);
            const btVector3 at = body.getWorldTransform().getOrigin();
            if (i < kStartBodyCount) {
                canMoved += (at - start[std::size_t(i)].getOrigin()).length() > 0.1f;
                continue;
            }
            awake += body.isActive();
            offTheGround += at.y() < 0.0f || btFabs(at.x()) > 20.0f || btFabs(at.z()) > 20.0f;
        }
        EXPECT_EQ(awake, 0) << count;
        EXPECT_EQ(offTheGround, 0) << count;
        EXPECT_EQ(canMoved, 0) << count;
    }
}

}  // namespace
