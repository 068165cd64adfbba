#include "edit/history_series.h"
#include "edit/world_history.h"

#include "../physics/test_world.h"
#include "document_fixture.h"
#include "edit/body_edits.h"
#include "physics/body_kind.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

// A world whose every step goes through a history, with bodies thrown into
// the start scene as the user throws them: between steps, marked thrown.
struct RecordedWorld {
    explicit RecordedWorld(double seconds = WorldHistory::kDefaultSeconds,
                           std::size_t budget = WorldHistory::kDefaultBudgetBytes)
        : history(seconds, budget)
    {
    }
    ~RecordedWorld()
    {
        history.Clear(*test.world);
        for (auto& constraint : constraints) test.world->removeConstraint(constraint.get());
        if (arm)
            test.world->removeMultiBody(arm.get());
    }

    // A two-link arm on a fixed base, swinging into the tower.
    void AddArm()
    {
        arm = std::make_unique<btMultiBody>(2, 0.0f, btVector3(0, 0, 0), true, false);
        arm->setBaseWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(0, 6, -6)));
        for (int link = 0; link < 2; ++link)
            arm->setupRevolute(link, 2.0f, btVector3(0.5f, 0.5f, 0.5f), link - 1,
                               btQuaternion::getIdentity(), btVector3(0, 0, 1), btVector3(0, -1, 0),
                               btVector3(0, -1, 0));
        arm->finalizeMultiDof();
        World().addMultiBody(arm.get());
        btAlignedObjectArray<btQuaternion> worldToLocal;
        btAlignedObjectArray<btVector3> localOrigin;
        arm->forwardKinematics(worldToLocal, localOrigin);
        for (int link = 0; link < 2; ++link) {
            auto* collider = new btMultiBodyLinkCollider(arm.get(), link);
            collider->setCollisionShape(test.shapes.sphere.get());
            arm->getLink(link).m_collider = collider;
            World().addCollisionObject(collider, btBroadphaseProxy::DefaultFilter,
                                       btBroadphaseProxy::AllFilter);
        }
        arm->updateCollisionObjectWorldTransforms(worldToLocal, localOrigin);
        const btScalar swing[] = {2.0f};
        arm->setJointVelMultiDof(0, swing);
    }

    CDynamicsWorld& World() { return *test.world; }

    void Throw(int count)
    {
        std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
        for (int k = 0; k < count; ++k) {
            btCollisionShape* shape = k % 2 ? static_cast<btCollisionShape*>(test.shapes.dice.get())
                                            : test.shapes.sphere.get();
            btRigidBody* body =
                test.Add(shape, 1.0f, btVector3(spread(random) * 3, 3 + spread(random), 20));
            MarkThrown(*body);
            body->setLinearVelocity(btVector3(spread(random) * 3, 2, -25));
        }
    }

    void Step(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            history.BeforeStep(World());
            StepWorld(World());
            history.AfterStep(World());
        }
    }

    // Every object's transform after each of the next `count` steps.
    std::vector<std::vector<btTransform>> Run(int count)
    {
        std::vector<std::vector<btTransform>> trace;
        for (int i = 0; i < count; ++i) {
            Step();
            trace.push_back(test.Transforms());
        }
        return trace;
    }

    TestWorld test;
    std::vector<std::unique_ptr<btTypedConstraint>> constraints;
    std::unique_ptr<btMultiBody> arm;  // its colliders are the world's objects
    WorldHistory history;
    std::mt19937 random{20261208};
};

struct Drift {
    float metres = 0;
    float radians = 0;
};

Drift LargestDrift(const std::vector<std::vector<btTransform>>& first,
                   const std::vector<std::vector<btTransform>>& again)
{
    Drift drift;
    for (std::size_t step = 0; step < first.size(); ++step) {
        for (std::size_t i = 0; i < first[step].size(); ++i) {
            const btTransform& a = first[step][i];
            const btTransform& b = again[step][i];
            drift.metres = std::max(drift.metres, (a.getOrigin() - b.getOrigin()).length());
            drift.radians =
                std::max(drift.radians, a.getRotation().angleShortestPath(b.getRotation()));
        }
    }
    return drift;
}

void ExpectWorldIs(const CDynamicsWorld& world, const WorldStepState& kept)
{
    ASSERT_EQ(world.getNumCollisionObjects(), int(kept.objects.size()));
    for (int i = 0; i < world.getNumCollisionObjects(); ++i) {
        const btCollisionObject& object = *world.getCollisionObjectArray()[i];
        const WorldStepState::Object& was = kept.objects[std::size_t(i)];
        SCOPED_TRACE(i);
        ASSERT_EQ(&object, was.identity);
        EXPECT_TRUE(SameTransform(object.getWorldTransform(), was.transform, 0));
        EXPECT_EQ(object.getActivationState(), was.activationState);
        EXPECT_EQ(object.getDeactivationTime(), was.deactivationTime);
        const btRigidBody* body = btRigidBody::upcast(&object);
        if (body == nullptr)
            continue;  // an arm's link
        EXPECT_EQ(body->getLinearVelocity(), was.linearVelocity);
        EXPECT_EQ(body->getAngularVelocity(), was.angularVelocity);
        btTransform drawn;
        body->getMotionState()->getWorldTransform(drawn);
        // Drawn where it was: the motion state's product with its offset may
        // round the last bit.
        EXPECT_TRUE(SameTransform(drawn, was.transform, 1e-6f));
    }
    for (int i = 0; i < world.getNumConstraints(); ++i)
        EXPECT_EQ(world.getConstraint(i)->isEnabled(), kept.constraints[std::size_t(i)].enabled);
    for (int i = 0; i < world.getNumMultibodies(); ++i) {
        const MultiBodyStart now = CurrentState(*world.getMultiBody(i));
        EXPECT_EQ(now.jointPositions, kept.multiBodies[std::size_t(i)].joints.jointPositions);
        EXPECT_EQ(now.jointVelocities, kept.multiBodies[std::size_t(i)].joints.jointVelocities);
    }
}

TEST(WorldHistory, ShowsEveryKeptStepAsItWasWithTheBodiesOfThatMoment)
{
    RecordedWorld recorded;
    CDynamicsWorld& world = recorded.World();
    // A hinge the test breaks by hand at step 70.
    btRigidBody* bob = recorded.test.Add(recorded.test.shapes.sphere.get(), 1, btVector3(0, 12, 0));
    recorded.constraints.push_back(
        std::make_unique<btPoint2PointConstraint>(*bob, btVector3(3, 0, 0)));
    world.addConstraint(recorded.constraints.back().get());
    recorded.AddArm();

    std::vector<WorldStepState> kept;  // after steps 10, 45, 70 and 200
    std::vector<btRigidBody*> balls;
    for (int step = 1; step <= 200; ++step) {
        if (step <= 60 && step % 3 == 0)
            recorded.Throw(2);
        if (step == 70)
            recorded.constraints[0]->setEnabled(false);
        recorded.Step();
        if (step == 10 || step == 45 || step == 70 || step == 200)
            kept.push_back(CaptureStepState(world));
    }
    const int everyBody = world.getNumCollisionObjects();
    ASSERT_EQ(recorded.history.FirstStep(), 0);
    ASSERT_EQ(recorded.history.LastStep(), 200);
    int asleep = 0;
    for (const WorldStepState::Object& object : kept[3].objects)
        asleep += object.activationState == ISLAND_SLEEPING;
    ASSERT_GT(asleep, 0) << "some bodies must fall asleep for their last step to matter";

    const std::int64_t steps[] = {45, 10, 200, 70};
    const std::size_t at[] = {1, 0, 3, 2};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(steps[k]);
        ASSERT_TRUE(recorded.history.Show(world, steps[k]));
        EXPECT_TRUE(recorded.history.Rewound());
        EXPECT_EQ(recorded.history.ShownStep(), steps[k]);
        ExpectWorldIs(world, kept[at[k]]);
    }
    // The history read back without the world agrees with it.
    const btRigidBody* ball = btRigidBody::upcast(world.getCollisionObjectArray()[250]);
    const auto motions = recorded.history.MotionOf(*ball);
    ASSERT_EQ(motions.size(), 201u);
    EXPECT_FALSE(motions[10].has_value()) << "not yet thrown at step 10";
    ASSERT_TRUE(motions[45].has_value());
    EXPECT_TRUE(SameTransform(motions[45]->transform, kept[1].objects[250].transform, 0));
    EXPECT_EQ(motions[45]->linearVelocity, kept[1].objects[250].linearVelocity);

    // Every body back for the last moment, and running on from it keeps them.
    ASSERT_TRUE(recorded.history.Show(world, 200));
    EXPECT_EQ(world.getNumCollisionObjects(), everyBody);
    EXPECT_TRUE(recorded.history.RunOn(world));
    EXPECT_FALSE(recorded.history.Rewound());
    const WorldStepState again = CaptureStepState(world);
    ExpectWorldIs(world, kept[3]);
    EXPECT_EQ(again.manifolds.size(), kept[3].manifolds.size()) << "the contact cache came back";
}

// Rewinds to the moment, runs on 300 steps and compares with the first run.
Drift RewindAndRunOn(RecordedWorld& recorded, std::int64_t moment,
                     const std::vector<std::vector<btTransform>>& first, ContactCache cache)
{
    EXPECT_TRUE(recorded.history.Show(recorded.World(), moment));
    recorded.history.RunOn(recorded.World(), cache);
    EXPECT_EQ(recorded.history.LastStep(), moment) << "the later history goes";
    return LargestDrift(first, recorded.Run(300));
}

TEST(WorldHistory, RunningOnFromARewoundMomentRepeatsTheFirstRunOnlyWithTheContactCache)
{
    RecordedWorld recorded;
    for (int step = 0; step < 100; ++step) {
        recorded.Throw(2);
        recorded.Step();
    }
    recorded.Step(45);  // 15 steps past a key frame: the run on re-steps
    ASSERT_EQ(recorded.test.BodyCount(), 241 + 200);
    int moving = 0;
    for (int i = 241; i < recorded.test.BodyCount(); ++i)
        moving += recorded.test.Body(i)->getLinearVelocity().length() > 0.1f;
    ASSERT_GT(moving, 100) << "the thrown bodies must still be moving";
    const std::int64_t moment = recorded.history.LastStep();
    const auto first = recorded.Run(300);

    const Drift exact = RewindAndRunOn(recorded, moment, first, ContactCache::Restore);
    EXPECT_LE(exact.metres, 1e-5f);
    EXPECT_LE(exact.radians, 1e-5f);

    const Drift withoutCache = RewindAndRunOn(recorded, moment, first, ContactCache::Forget);
    EXPECT_GT(withoutCache.metres, 1e-3f) << "a replay without the cache should drift";

    // Back before the last throws: they are gone from the world and the history.
    // (Moment 50 is the world the 51st step starts from: 51 throws in.)
    ASSERT_TRUE(recorded.history.Show(recorded.World(), 50));
    EXPECT_EQ(recorded.test.BodyCount(), 241 + 102);
    recorded.history.RunOn(recorded.World());
    recorded.Step(10);
    EXPECT_EQ(recorded.test.BodyCount(), 241 + 102);
    ASSERT_TRUE(recorded.history.Show(recorded.World(), 49));
    EXPECT_EQ(recorded.test.BodyCount(), 241 + 100);
}

// A stand-in for a fracture demo: slabs glued by breakable fixed joints
// fall onto the ground, and the joints that take the landing's impulse break.
TEST(WorldHistory, AFractureReplaysExactlyWithTheSameJointsBroken)
{
    btBoxShape slab(btVector3(0.5f, 0.25f, 0.5f));  // outlives the bodies
    RecordedWorld recorded;
    CDynamicsWorld& world = recorded.World();
    for (int tower = 0; tower < 4; ++tower) {
        btRigidBody* below = nullptr;
        for (int level = 0; level < 6; ++level) {
            btRigidBody* piece = recorded.test.Add(
                &slab, 1.0f, btVector3(-12.0f + 2.0f * tower, 4.0f + 0.5f * level, 12.0f));
            piece->setAngularVelocity(btVector3(0.3f * tower, 0, 0.2f));
            if (below != nullptr) {
                btTransform underneath(btQuaternion::getIdentity(), btVector3(0, 0.25f, 0));
                btTransform above(btQuaternion::getIdentity(), btVector3(0, -0.25f, 0));
                auto joint = std::make_unique<btFixedConstraint>(*below, *piece, underneath, above);
                joint->setBreakingImpulseThreshold(2.0f + 1.5f * float(level));
                world.addConstraint(joint.get(), true);
                recorded.constraints.push_back(std::move(joint));
            }
            below = piece;
        }
    }
    const auto broken = [&world] {
        std::vector<bool> enabled;
        for (int i = 0; i < world.getNumConstraints(); ++i)
            enabled.push_back(world.getConstraint(i)->isEnabled());
        return enabled;
    };
    const auto brokenCount = [](const std::vector<bool>& enabled) {
        return std::count(enabled.begin(), enabled.end(), false);
    };
    recorded.Step(20);  // still falling: nothing broke yet
    ASSERT_EQ(brokenCount(broken()), 0);
    const std::int64_t moment = recorded.history.LastStep();
    std::vector<std::vector<bool>> firstBroken;
    std::vector<std::vector<btTransform>> first;
    for (int step = 0; step < 300; ++step) {
        first.push_back(recorded.Run(1)[0]);
        firstBroken.push_back(broken());
    }
    const auto brokenAtEnd = brokenCount(firstBroken.back());
    ASSERT_GT(brokenAtEnd, 0) << "the landing must break some joints";
    ASSERT_LT(brokenAtEnd, world.getNumConstraints()) << "and keep some";

    // Every step shown has the joints broken that were broken then.
    for (int step = 299; step >= 0; --step) {
        ASSERT_TRUE(recorded.history.Show(world, moment + 1 + step));
        ASSERT_EQ(broken(), firstBroken[std::size_t(step)]) << "shown step " << step;
    }
    ASSERT_TRUE(recorded.history.Show(world, moment));
    EXPECT_EQ(brokenCount(broken()), 0);

    recorded.history.RunOn(world);
    Drift drift;
    for (int step = 0; step < 300; ++step) {
        const auto again = recorded.Run(1);
        const Drift one = LargestDrift(
            std::vector<std::vector<btTransform>>{first[std::size_t(step)]}, again);
        drift.metres = std::max(drift.metres, one.metres);
        drift.radians = std::max(drift.radians, one.radians);
        ASSERT_EQ(broken(), firstBroken[std::size_t(step)]) << "step " << step;
    }
    EXPECT_LE(drift.metres, 1e-5f);
    EXPECT_LE(drift.radians, 1e-5f);
}

TEST(WorldHistory, KeepsTheWantedSecondsWithinItsBudgetAndSaysWhenItKeepsFewer)
{
    // Five seconds wanted rather than twenty, to be quick.
    RecordedWorld roomy(5.0);
    roomy.Throw(60);
    roomy.Step(400);
    EXPECT_GE(roomy.history.KeptSeconds(), 5.0 - 1e-6);
    EXPECT_LE(roomy.history.KeptSeconds(), 5.5 + 1e-6);
    EXPECT_FALSE(roomy.history.LimitedByMemory());
    EXPECT_TRUE(roomy.history.Show(roomy.World(), roomy.history.FirstStep()));

    constexpr std::size_t kBudget = 4u << 20;  // a few key frames of this world
    RecordedWorld tight(5.0, kBudget);
    tight.Throw(60);
    tight.Step(400);
    EXPECT_LT(tight.history.KeptSeconds(), roomy.history.KeptSeconds() - 1.0);
    EXPECT_GT(tight.history.KeptSeconds(), 0.4);
    EXPECT_TRUE(tight.history.LimitedByMemory());
    EXPECT_LE(tight.history.Bytes(), kBudget);
    EXPECT_TRUE(tight.history.Show(tight.World(), tight.history.FirstStep()));
    EXPECT_EQ(tight.history.ShownStep(), tight.history.FirstStep());
    tight.history.Clear(tight.World());
    EXPECT_EQ(tight.history.Bytes(), 0u);
    EXPECT_TRUE(tight.history.Empty());
}

TEST(HistorySeries, ReadsEachKeptStepOfTheBodyOrTheWorld)
{
    RecordedWorld recorded;
    recorded.Step(20);
    recorded.Throw(1);
    btRigidBody* ball = recorded.test.Body(recorded.test.BodyCount() - 1);
    ball->setAngularVelocity(btVector3(0, 0, 0));
    recorded.Step(40);
    CDynamicsWorld& world = recorded.World();
    ASSERT_TRUE(recorded.history.Show(world, 25));

    const PlotSeries body = HistorySeries(recorded.history, ball, "Ball 1");
    ASSERT_EQ(body.columns.size(), 3u);
    EXPECT_EQ(body.columns[1].unit, "m/s");
    ASSERT_EQ(body.times.size(), 61u);
    EXPECT_DOUBLE_EQ(body.times[60], 60 * double(kFixedTimeStep));
    EXPECT_EQ(body.currentRow, 25);
    EXPECT_TRUE(std::isnan(body.values[0][19])) << "not yet thrown";
    // Shown at row 25: the world agrees with the series, in flight with no spin.
    const btScalar speed = ball->getLinearVelocity().length();
    EXPECT_FLOAT_EQ(float(body.values[0][25]), ball->getCenterOfMassPosition().y());
    EXPECT_FLOAT_EQ(float(body.values[1][25]), speed);
    EXPECT_FLOAT_EQ(float(body.values[2][25]), 0.5f / ball->getInvMass() * speed * speed);

    const PlotSeries whole = HistorySeries(recorded.history, nullptr, "World");
    ASSERT_EQ(whole.columns.size(), 2u);
    ASSERT_EQ(whole.values[1].size(), 61u);
    for (std::int64_t step : {5, 25, 59}) {
        ASSERT_TRUE(recorded.history.Show(world, step));
        int awake = 0;
        double energy = 0;
        for (int i = 0; i < world.getNumCollisionObjects(); ++i) {
            const btRigidBody& each = *recorded.test.Body(i);
            if (each.isStaticOrKinematicObject())
                continue;
            awake += each.isActive();
            energy += KineticEnergy(each, {each.getWorldTransform(), each.getLinearVelocity(),
                                           each.getAngularVelocity()});
        }
        EXPECT_EQ(whole.values[1][std::size_t(step)], awake) << step;
        EXPECT_NEAR(whole.values[0][std::size_t(step)], energy, 1e-6 * energy) << step;
    }
    EXPECT_TRUE(HistorySeries(WorldHistory(), ball, "x").Empty());
}

using WorldDocumentHistory = edit_testing::DocumentTest;

TEST_F(WorldDocumentHistory, AnEditAtAnEarlierMomentDropsWhatCameAfterAndStopClears)
{
    m_document.Step();
    btRigidBody* ball = CreateRigidBody(m_shapes.Ball(), 1, btVector3(0, 10, 20), 0, 0);
    MarkThrown(*ball);
    m_document.World().addRigidBody(ball);
    for (int i = 0; i < 40; ++i) m_document.Step();
    m_document.Selection().Select(ball);

    // Before the throw the ball is out of the world and no longer selected.
    ASSERT_TRUE(m_document.ShowMoment(0));
    EXPECT_EQ(m_document.BodyCount(), 241);
    EXPECT_EQ(m_document.Selection().Body(), nullptr);
    ASSERT_TRUE(m_document.ShowMoment(20));
    EXPECT_EQ(m_document.BodyCount(), 242);

    // A move there is kept as that moment, and what came after goes.
    btRigidBody* can = BodyAt(5);
    const btTransform before = can->getCenterOfMassTransform();
    btTransform after = before;
    after.getOrigin() += btVector3(0, 0, 3);
    can->setCenterOfMassTransform(after);
    m_document.History().Push(
        MakeMoveEdit(m_document.World(), *can, before, after, SimulationState::Paused));
    const WorldHistory& history = m_document.Timeline();
    EXPECT_EQ(history.LastStep(), 20);
    EXPECT_FALSE(history.Rewound());
    ASSERT_TRUE(m_document.ShowMoment(3));
    ASSERT_TRUE(m_document.ShowMoment(20));
    EXPECT_EQ(BodyAt(5)->getCenterOfMassPosition(), after.getOrigin());
    m_document.Step();
    EXPECT_EQ(history.LastStep(), 21);

    m_document.ResetSimulation();
    EXPECT_TRUE(history.Empty());
    EXPECT_EQ(m_document.BodyCount(), 241);
}

}  // namespace
