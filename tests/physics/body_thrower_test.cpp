#include "physics/body_thrower.h"

#include "test_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

const CameraPose kStartCamera{btVector3(0, -15, -30), 0.0f, 20.0f};

// Hands out the given draws in order and counts how many were taken.
struct ScriptedDraws {
    std::vector<int> draws;
    size_t taken = 0;
    RandomDraw Source()
    {
        return [this] { return draws.at(taken++); };
    }
};

TEST(ThrowAim, ViewDirectionFollowsPitchThenYaw)
{
    ExpectNear(ViewDirection(CameraPose{btVector3(0, 0, 0), 0, 0}), btVector3(0, 0, -1), 1e-6f);
    ExpectNear(ViewDirection(CameraPose{btVector3(0, 0, 0), 90, 0}), btVector3(1, 0, 0), 1e-6f);
    ExpectNear(ViewDirection(CameraPose{btVector3(0, 0, 0), 0, -90}), btVector3(0, 1, 0), 1e-6f);
    const btVector3 both = ViewDirection(CameraPose{btVector3(0, 0, 0), 90, 20});
    ExpectNear(both, btVector3(0.93969f, -0.34202f, 0), 1e-5f);
    EXPECT_NEAR(both.length(), 1.0f, 1e-6f);
}

TEST(ThrowSphere, LeavesBelowTheEyeAlongTheViewAtFifty)
{
    TestWorld scene;
    btRigidBody* sphere = ThrowSphere(*scene.world, scene.shapes.sphere.get(), kStartCamera);
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(scene.BodyCount(), 242);
    EXPECT_EQ(scene.Body(241), sphere);
    ExpectNear(sphere->getLinearVelocity(), btVector3(0, -17.101f, -46.985f), 1e-3f);
    ExpectNear(sphere->getWorldTransform().getOrigin(), btVector3(0, 14.25f, 30), 1e-6f);
    EXPECT_EQ(sphere->getWorldTransform().getRotation(), btQuaternion::getIdentity());
    EXPECT_EQ(sphere->getAngularVelocity(), btVector3(0, 0, 0));
    EXPECT_FLOAT_EQ(1.0f / sphere->getInvMass(), 0.75f);
    EXPECT_EQ(sphere->getCollisionShape(), scene.shapes.sphere.get());
}

TEST(ThrowDice, SpinDrawsGoToZThenYThenX)
{
    TestWorld scene;
    ScriptedDraws script{{0, 32767, 16383, 32767, 0, 32767}};
    const RandomDraw random = script.Source();

    btRigidBody* first = ThrowDice(*scene.world, scene.shapes.dice.get(), kStartCamera, random);
    ExpectNear(first->getAngularVelocity(), btVector3(-0.000153f, 5, -5), 1e-6f);
    btRigidBody* second = ThrowDice(*scene.world, scene.shapes.dice.get(), kStartCamera, random);
    ExpectNear(second->getAngularVelocity(), btVector3(5, -5, 5), 1e-6f);
    EXPECT_EQ(script.taken, 6u);

    EXPECT_NEAR(first->getLinearVelocity().length(), 40.0f, 1e-4f);
    ExpectNear(first->getLinearVelocity().normalized(), ViewDirection(kStartCamera), 1e-6f);
    EXPECT_FLOAT_EQ(1.0f / first->getInvMass(), 2.0f);
    EXPECT_EQ(first->getCollisionShape(), scene.shapes.dice.get());
}

TEST(ThrowDice, SpinStaysWithinFiveForAnyDraw)
{
    EXPECT_EQ(SpinFromDraw(0), -5.0f);
    EXPECT_EQ(SpinFromDraw(32767), 5.0f);
    EXPECT_EQ(SpinFromDraw(-1), -5.0f);
    EXPECT_EQ(SpinFromDraw(2147483647), 5.0f);

    int lowest = 32767, highest = 0;
    for (int i = 0; i < 20000; ++i) {
        const int draw = CLibraryRandomDraw();
        ASSERT_GE(draw, 0);
        ASSERT_LE(draw, 32767);
        lowest = std::min(lowest, draw);
        highest = std::max(highest, draw);
    }
    EXPECT_LT(lowest, 1000);
    EXPECT_GT(highest, 31767);
}

TEST(ThrowRateLimiter, AllowsTheFirstAtOnceThenOneEveryTwoHundredMs)
{
    ThrowRateLimiter limiter;
    EXPECT_TRUE(limiter.Allow(0));  // even at a clock reading of 0
    EXPECT_FALSE(limiter.Allow(10));
    EXPECT_FALSE(limiter.Allow(199));
    EXPECT_TRUE(limiter.Allow(200));
    EXPECT_FALSE(limiter.Allow(350));  // released and pressed again too soon
    EXPECT_TRUE(limiter.Allow(1000));
}

TEST(ThrowRateLimiter, WorksAcrossTheClockWrapAndAfterLongIdleSpans)
{
    ThrowRateLimiter limiter;
    const std::uint32_t nearWrap = 0xFFFFFFFFu - 99;  // 100 ms before the wrap
    EXPECT_TRUE(limiter.Allow(nearWrap));
    EXPECT_FALSE(limiter.Allow(50));  // 150 ms later, across the wrap
    EXPECT_TRUE(limiter.Allow(100));  // 200 ms later
    EXPECT_FALSE(limiter.Allow(250));
    // Thirty days without a throw is not "in the future".
    EXPECT_TRUE(limiter.Allow(100 + 30u * 24 * 3600 * 1000));
}

TEST(BodyThrower, HeldKeysThrowAboutFivePerSecondEachIndependently)
{
    TestWorld scene;
    std::uint32_t now = 5000;
    ScriptedDraws script{std::vector<int>(300, 16383)};
    BodyThrower thrower([&now] { return now; }, script.Source());

    int spheres = 0, dice = 0;
    for (int tick = 0; tick < 100; ++tick, now += 10) {  // one second of 10 ms ticks
        spheres += thrower.TryThrowSphere(*scene.world, scene.shapes.sphere.get(), kStartCamera) !=
                   nullptr;
        if (tick >= 5) {  // T pressed 50 ms after Space
            dice += thrower.TryThrowDice(*scene.world, scene.shapes.dice.get(), kStartCamera) !=
                    nullptr;
        }
    }
    EXPECT_EQ(spheres, 5);
    EXPECT_EQ(dice, 5);
    EXPECT_EQ(scene.BodyCount(), 241 + 10);
    EXPECT_EQ(script.taken, 15u) << "only thrown dice draw their spin";

    // Held on: the next sphere is due 200 ms after the last one (at +800 ms), once.
    EXPECT_NE(thrower.TryThrowSphere(*scene.world, scene.shapes.sphere.get(), kStartCamera),
              nullptr);
    EXPECT_EQ(thrower.TryThrowSphere(*scene.world, scene.shapes.sphere.get(), kStartCamera),
              nullptr);
}

}  // namespace
