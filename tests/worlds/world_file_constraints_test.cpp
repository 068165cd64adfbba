// Every constraint type Bullet writes, opened through the reader and stepped
// beside the same file opened by Bullet's own importer.

#include "worlds/world_file.h"
#include "worlds/world_file_scratch.h"

#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct StepWorld {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
};

// Boxes, each held to a fixed anchor box by one constraint of each type, with
// motors, springs, limits, a breaking threshold and a disabled joint; two
// geared wheels. Each mechanism is apart and simple, so that the last bits of
// a rotation stored as a matrix cannot grow into a different motion. The
// fixed joint comes first and is stored as older Bullets stored it, under its
// own type, which the importer builds as another one.
struct ConstraintWorld : StepWorld {
    btBoxShape box{btVector3(0.2f, 0.2f, 0.2f)};
    btEmptyShape unknown;
    std::vector<std::unique_ptr<btRigidBody>> bodies;
    std::vector<std::unique_ptr<btTypedConstraint>> constraints;

    // unreadable: the first constraint holds a body Kinetta cannot simulate.
    explicit ConstraintWorld(bool unreadable)
    {
        world.setGravity(btVector3(0, -9.8f, 0));
        btRigidBody* lost = unreadable ? Body(&unknown, 1, {0, 10, 0}) : nullptr;
        btRigidBody* a[12];
        btRigidBody* b[12];
        for (int i = 0; i < 12; ++i) {
            a[i] = Body(&box, 0, {2.0f * i, 5, 0});
            b[i] = Body(&box, 1, {2.0f * i + 0.5f, 5, 0});
        }
        if (unreadable) {
            Joint(std::make_unique<btPoint2PointConstraint>(*lost, *b[0], btVector3(0, 0, 0),
                                                            btVector3(0, 1, 0)));
        }
        const btTransform right(btQuaternion::getIdentity(), btVector3(0.25f, 0, 0));
        const btTransform left(btQuaternion::getIdentity(), btVector3(-0.25f, 0, 0));
        const btTransform turned(btQuaternion(btVector3(0, 1, 0), 0.4f), btVector3(0.25f, 0, 0));

        // Holding a box against gravity takes more than this in one step.
        auto fixed = std::make_unique<btFixedConstraint>(*a[0], *b[0], right, left);
        fixed->m_objectType = FIXED_CONSTRAINT_TYPE;
        fixed->setBreakingImpulseThreshold(0.05f);
        Joint(std::move(fixed));
        Joint(std::make_unique<btPoint2PointConstraint>(*b[1], btVector3(-0.25f, 0.1f, 0)));
        auto motor = std::make_unique<btHingeConstraint>(*a[2], *b[2], right, left, true);
        motor->enableAngularMotor(true, 3, 0.4f);
        Joint(std::move(motor));
        auto hinge = std::make_unique<btHingeConstraint>(*a[3], *b[3], turned, left);
        hinge->setLimit(-0.3f, 0.5f, 0.8f, 0.2f, 0.9f);
        Joint(std::move(hinge));
        auto cone = std::make_unique<btConeTwistConstraint>(*a[4], *b[4], right, left);
        cone->setLimit(0.5f, 0.4f, 0.3f, 0.7f, 0.25f, 0.8f);
        cone->setDamping(0.3f);
        Joint(std::move(cone));
        auto d6 = std::make_unique<btGeneric6DofConstraint>(*a[5], *b[5], right, left, false);
        d6->setLinearLowerLimit(btVector3(-0.1f, 0, 0));
        d6->setLinearUpperLimit(btVector3(0.1f, 0, 0));
        d6->setAngularLowerLimit(btVector3(-0.5f, -0.2f, -0.1f));
        d6->setAngularUpperLimit(btVector3(0.5f, 0.2f, 0.1f));
        Joint(std::move(d6));
        auto spring = std::make_unique<btGeneric6DofSpringConstraint>(*a[6], *b[6], right, left, true);
        spring->setLinearLowerLimit(btVector3(0, -0.4f, 0));
        spring->setLinearUpperLimit(btVector3(0, 0.4f, 0));
        spring->enableSpring(1, true);
        spring->setStiffness(1, 150);
        spring->setDamping(1, 0.6f);
        spring->setEquilibriumPoint(1, 0.1f);
        Joint(std::move(spring));
        auto spring2 = std::make_unique<btGeneric6DofSpring2Constraint>(*a[7], *b[7], right, left, RO_ZYX);
        spring2->setLinearLowerLimit(btVector3(0, -0.3f, 0));
        spring2->setLinearUpperLimit(btVector3(0, 0.3f, 0));
        spring2->setAngularLowerLimit(btVector3(0, 0, -1));
        spring2->setAngularUpperLimit(btVector3(0, 0, 1));
        spring2->enableSpring(1, true);
        spring2->setStiffness(1, 100);
        spring2->setDamping(1, 0.4f);
        spring2->enableMotor(5, true);
        spring2->setServo(5, true);
        spring2->setServoTarget(5, 0.6f);
        spring2->setTargetVelocity(5, 2);
        spring2->setMaxMotorForce(5, 3);
        spring2->setBounce(5, 0.3f);
        Joint(std::move(spring2));
        auto slider = std::make_unique<btSliderConstraint>(*a[8], *b[8], turned, left, false);
        slider->setLowerLinLimit(-0.2f);
        slider->setUpperLinLimit(0.3f);
        slider->setLowerAngLimit(-0.4f);
        slider->setUpperAngLimit(0.4f);
        Joint(std::move(slider));
        // Two wheels on axles, the second geared to the first, which a motor
        // spins (Bullet's importer does not read velocities).
        const btTransform axle(btQuaternion(btVector3(0, 1, 0), SIMD_HALF_PI), btVector3(0.5f, 0, 0));
        auto driven = std::make_unique<btHingeConstraint>(*a[9], *b[9], axle, btTransform::getIdentity());
        driven->enableAngularMotor(true, 4, 1);
        Joint(std::move(driven));
        Joint(std::make_unique<btHingeConstraint>(*a[10], *b[10], axle, btTransform::getIdentity()));
        Joint(std::make_unique<btGearConstraint>(*b[9], *b[10], btVector3(1, 0, 0), btVector3(1, 0, 0), 2));
        auto off = std::make_unique<btPoint2PointConstraint>(*a[11], *b[11], btVector3(0.25f, 0, 0),
                                                             btVector3(-0.25f, 0, 0));
        off->setEnabled(false);
        Joint(std::move(off));
        auto held = std::make_unique<btPoint2PointConstraint>(*a[11], *b[11], btVector3(0.25f, 0, 0),
                                                              btVector3(-0.25f, 0, 0));
        held->setOverrideNumSolverIterations(30);
        Joint(std::move(held), true);
    }

    ~ConstraintWorld()
    {
        for (auto& c : constraints) world.removeConstraint(c.get());
        for (auto& b : bodies) world.removeRigidBody(b.get());
    }

    btRigidBody* Body(btCollisionShape* shape, float mass, const btVector3& at)
    {
        btVector3 inertia(0, 0, 0);
        if (mass > 0) shape->calculateLocalInertia(mass, inertia);
        bodies.push_back(std::make_unique<btRigidBody>(mass, nullptr, shape, inertia));
        bodies.back()->getWorldTransform().setOrigin(at);
        world.addRigidBody(bodies.back().get());
        return bodies.back().get();
    }

    void Joint(std::unique_ptr<btTypedConstraint> constraint, bool disableCollisions = true)
    {
        world.addConstraint(constraint.get(), disableCollisions);
        constraints.push_back(std::move(constraint));
    }
};

std::string SaveConstraintWorld(const ScratchFolder& folder, bool unreadable)
{
    ConstraintWorld generated(unreadable);
    std::string path = folder.Path(unreadable ? "unreadable.bullet" : "constraints.bullet");
    EXPECT_TRUE(SaveWorldFile(generated.world, path).ok);
    return path;
}

void Step(btDiscreteDynamicsWorld& world)
{
    for (int i = 0; i < 300; ++i) world.stepSimulation(0.01f, 0);
}

TEST(WorldFileConstraints, EveryTypeMovesAsBulletsOwnImporterHasIt)
{
    ScratchFolder folder;
    const std::string path = SaveConstraintWorld(folder, false);

    StepWorld reference;
    btBulletWorldImporter importer(&reference.world);
    ASSERT_TRUE(importer.loadFile(path.c_str()));
    ASSERT_EQ(importer.getNumConstraints(), 14);

    // The one thing Kinetta keeps that the importer leaves off: the motor of
    // the second-generation spring, which its record holds.
    auto& spring2 = static_cast<btGeneric6DofSpring2Constraint&>(*importer.getConstraintByIndex(7));
    ASSERT_FALSE(spring2.getRotationalLimitMotor(2)->m_enableMotor);
    spring2.enableMotor(5, true);
    spring2.setServo(5, true);
    spring2.setServoTarget(5, 0.6f);
    spring2.setTargetVelocity(5, 2);
    spring2.setMaxMotorForce(5, 3);

    OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "");
    LoadedWorld& loaded = *opened.world;
    ASSERT_EQ(loaded.ConstraintCount(), 14);
    for (int i = 0; i < loaded.ConstraintCount(); ++i) {
        const btTypedConstraint& mine = loaded.ConstraintAt(i);
        const btTypedConstraint& theirs = *importer.getConstraintByIndex(i);
        EXPECT_EQ(mine.getConstraintType(), theirs.getConstraintType()) << i;
        EXPECT_EQ(mine.getBreakingImpulseThreshold(), theirs.getBreakingImpulseThreshold()) << i;
        EXPECT_EQ(mine.isEnabled(), theirs.isEnabled()) << i;
    }

    StepWorld ours;
    loaded.AddTo(ours.world);
    Step(reference.world);
    Step(ours.world);
    ASSERT_EQ(ours.world.getNumCollisionObjects(), reference.world.getNumCollisionObjects());
    // The fixed joint broke under its box's weight in both; the geared wheel turns.
    EXPECT_FALSE(loaded.ConstraintAt(0).isEnabled());
    EXPECT_FALSE(importer.getConstraintByIndex(0)->isEnabled());
    EXPECT_GT(loaded.BodyAt(21).getAngularVelocity().length(), 1);
    for (int i = 0; i < ours.world.getNumCollisionObjects(); ++i) {
        const btTransform& mine = ours.world.getCollisionObjectArray()[i]->getWorldTransform();
        const btTransform& theirs = reference.world.getCollisionObjectArray()[i]->getWorldTransform();
        EXPECT_LT((mine.getOrigin() - theirs.getOrigin()).length(), 1e-3f) << "body " << i;
        EXPECT_NEAR(std::fabs(mine.getRotation().dot(theirs.getRotation())), 1, 1e-4f) << "body " << i;
    }
    loaded.RemoveFrom(ours.world);
    importer.deleteAllData();
}

// A constraint Kinetta cannot simulate is left out alone: every later one is
// matched to its own record, whatever type Bullet built it as.
TEST(WorldFileConstraints, OneUnreadableConstraintDropsNoOther)
{
    ScratchFolder folder;
    OpenedWorldFile opened = OpenWorldFile(SaveConstraintWorld(folder, true), {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "left out 1 body of a shape Kinetta cannot simulate, "
                                  "1 constraint Kinetta cannot simulate");
    ASSERT_EQ(opened.world->ConstraintCount(), 14);
    const int types[] = {D6_SPRING_2_CONSTRAINT_TYPE, POINT2POINT_CONSTRAINT_TYPE,
                         HINGE_CONSTRAINT_TYPE,       HINGE_CONSTRAINT_TYPE,
                         CONETWIST_CONSTRAINT_TYPE,   D6_CONSTRAINT_TYPE,
                         D6_SPRING_CONSTRAINT_TYPE,   D6_SPRING_2_CONSTRAINT_TYPE,
                         SLIDER_CONSTRAINT_TYPE,      HINGE_CONSTRAINT_TYPE,
                         HINGE_CONSTRAINT_TYPE,       GEAR_CONSTRAINT_TYPE,
                         POINT2POINT_CONSTRAINT_TYPE, POINT2POINT_CONSTRAINT_TYPE};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(opened.world->ConstraintAt(i).getConstraintType(), types[i]) << i;
    auto& motor = static_cast<btHingeConstraint&>(opened.world->ConstraintAt(2));
    EXPECT_TRUE(motor.getEnableAngularMotor());
    EXPECT_FLOAT_EQ(motor.getMotorTargetVelocity(), 3);
    EXPECT_FLOAT_EQ(motor.getMaxMotorImpulse(), 0.4f);
    EXPECT_EQ(opened.world->ConstraintAt(13).getOverrideNumSolverIterations(), 30);
    auto& spring2 = static_cast<btGeneric6DofSpring2Constraint&>(opened.world->ConstraintAt(7));
    const btRotationalLimitMotor2& servo = *spring2.getRotationalLimitMotor(2);
    EXPECT_TRUE(servo.m_enableMotor && servo.m_servoMotor);
    EXPECT_FLOAT_EQ(servo.m_servoTarget, 0.6f);
    EXPECT_FLOAT_EQ(servo.m_maxMotorForce, 3);
    EXPECT_FLOAT_EQ(servo.m_bounce, 0.3f);
    EXPECT_EQ(spring2.getRotationOrder(), RO_ZYX);
}

}  // namespace
