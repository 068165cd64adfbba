// Multibodies built from a description: how they swing, what Stop puts back,
// and what a saved file gives back to Bullet's own importer.

#include "physics/dynamics_world.h"
#include "physics/simulation_control.h"
#include "physics/world_bodies.h"
#include "worlds/world_file.h"
#include "worlds/world_file_builder.h"
#include "worlds/world_file_scratch.h"
#include "worlds/world_file_writer.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

DescribedShape Box(const btVector3& halfExtents)
{
    DescribedShape shape;
    shape.type = DescribedShapeType::Box;
    shape.margin = 0.04f;
    shape.extents = halfExtents;
    return shape;
}

DescribedShape Ball(float radius)
{
    DescribedShape shape;
    shape.type = DescribedShapeType::Sphere;
    shape.margin = radius;
    shape.extents = btVector3(radius, 0, 0);
    return shape;
}

DescribedLink Link(DescribedJointType joint, int parent, float mass, const btVector3& inertia,
                   const btVector3& parentComToPivot, const btVector3& pivotToThisCom, int shape)
{
    DescribedLink link;
    link.joint = joint;
    link.parent = parent;
    link.mass = mass;
    link.inertia = inertia;
    link.parentComToPivot = parentComToPivot;
    link.pivotToThisCom = pivotToThisCom;
    link.axis = btVector3(0, 0, 1);
    link.collider.shape = shape;
    return link;
}

// A rod of 1 kg and 1 m hanging from a fixed base by a hinge about z, with a
// ball of 2 kg fixed to its end: one compound pendulum.
WorldDescription Pendulum(float startAngle)
{
    WorldDescription d;
    d.shapes = {Box(btVector3(0.05f, 0.5f, 0.05f)), Ball(0.1f)};
    DescribedMultiBody m;
    m.fixedBase = true;
    m.baseTransform.origin = btVector3(0, 5, 0);
    const float rodInertia = (1.0f + 0.01f) / 12.0f;
    m.links.push_back(Link(DescribedJointType::Revolute, -1, 1, btVector3(rodInertia, rodInertia, rodInertia),
                           btVector3(0, 0, 0), btVector3(0, -0.5f, 0), 0));
    m.links[0].positions[0] = startAngle;
    m.links.push_back(Link(DescribedJointType::Fixed, 0, 2, btVector3(0.008f, 0.008f, 0.008f),
                           btVector3(0, -0.5f, 0), btVector3(0, -0.1f, 0), 1));
    d.multiBodies.push_back(m);
    return d;
}

// A ground, a chain on a fixed base with a joint of each kind, and a free
// multibody with a hinged arm dropped onto the ground.
WorldDescription EveryJoint()
{
    WorldDescription d;
    d.shapes = {Box(btVector3(20, 0.5f, 20)), Box(btVector3(0.1f, 0.3f, 0.1f)), Ball(0.15f)};
    DescribedBody ground;
    ground.shape = 0;
    ground.transform.origin = btVector3(0, -0.5f, 0);
    d.bodies.push_back(ground);

    DescribedMultiBody chain;
    chain.fixedBase = true;
    chain.baseTransform.origin = btVector3(0, 4, 0);
    chain.baseCollider.shape = 2;
    const btVector3 inertia(0.03f, 0.01f, 0.03f);
    DescribedLink revolute = Link(DescribedJointType::Revolute, -1, 1, inertia, btVector3(0, -0.2f, 0),
                                  btVector3(0, -0.3f, 0), 1);
    revolute.positions[0] = 0.4f;
    revolute.velocities[0] = -0.5f;
    DescribedLink prismatic = Link(DescribedJointType::Prismatic, 0, 1, inertia, btVector3(0, -0.3f, 0),
                                   btVector3(0, -0.3f, 0), 1);
    prismatic.axis = btVector3(0, 0, 1);
    prismatic.positions[0] = 0.1f;
    DescribedLink spherical = Link(DescribedJointType::Spherical, 1, 1, inertia, btVector3(0, -0.3f, 0),
                                   btVector3(0, -0.3f, 0), 1);
    const btQuaternion turn(btVector3(1, 0, 1).normalized(), 0.3f);
    spherical.positions[0] = turn.x();
    spherical.positions[1] = turn.y();
    spherical.positions[2] = turn.z();
    spherical.positions[3] = turn.w();
    spherical.velocities[1] = 0.7f;
    DescribedLink fixed = Link(DescribedJointType::Fixed, 2, 0.5f, inertia * 0.5f, btVector3(0, -0.3f, 0),
                               btVector3(0, -0.15f, 0), 2);
    chain.links = {revolute, prismatic, spherical, fixed};
    d.multiBodies.push_back(chain);

    DescribedMultiBody free;
    free.baseMass = 2;
    free.baseInertia = btVector3(0.05f, 0.05f, 0.05f);
    free.baseTransform.origin = btVector3(0, 1.5f, 12);
    free.baseTransform.rotation = btQuaternion(btVector3(0, 1, 0), 0.6f);
    free.baseLinearVelocity = btVector3(0, 0, 1);
    free.baseCollider.shape = 2;
    DescribedLink arm = Link(DescribedJointType::Revolute, -1, 1, inertia, btVector3(0, 0.2f, 0),
                             btVector3(0, 0.3f, 0), 1);
    arm.axis = btVector3(1, 0, 0);
    arm.positions[0] = 0.8f;
    free.links = {arm};
    d.multiBodies.push_back(free);
    return d;
}

std::unique_ptr<CDynamicsWorld> SceneWorld()
{
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    return world;
}

// Every joint position of every multibody (or the first `count`), in world
// order, each followed by its base's position.
std::vector<btScalar> JointPositions(btMultiBodyDynamicsWorld& world, int count = -1)
{
    std::vector<btScalar> positions;
    for (int m = 0; m < (count < 0 ? world.getNumMultibodies() : count); ++m) {
        const btMultiBody& body = *world.getMultiBody(m);
        for (int i = 0; i < body.getNumLinks(); ++i) {
            const btScalar* q = body.getJointPosMultiDof(i);
            positions.insert(positions.end(), q, q + body.getLink(i).m_posVarCount);
        }
        const btVector3 base = body.getBasePos();
        positions.insert(positions.end(), {base.x(), base.y(), base.z()});
    }
    return positions;
}

}  // namespace

// The period of a compound pendulum, 2 pi sqrt(I / (m g d)), swung a little.
TEST(MultiBodyWorld, PendulumSwingsWithTheCompoundPendulumPeriod)
{
    std::unique_ptr<CDynamicsWorld> world = SceneWorld();
    WorldBodies bodies(*world);
    bodies.Adopt(BuildLoadedWorld(Pendulum(0.05f)));
    const double g = 10.0;
    const double mass = 3.0;
    const double d = (1.0 * 0.5 + 2.0 * 1.1) / mass;
    const double inertia = (1.0 + 0.01) / 12.0 + 1.0 * 0.25 + 0.008 + 2.0 * 1.1 * 1.1;
    const double expected = 2.0 * M_PI * std::sqrt(inertia / (mass * g * d));

    // Times at which the angle passes zero going down, between steps.
    const btMultiBody& pendulum = *world->getMultiBody(0);
    std::vector<double> crossings;
    double before = pendulum.getJointPos(0);
    for (int step = 1; step <= 600 && crossings.size() < 4; ++step) {
        StepWorld(*world);
        const double now = pendulum.getJointPos(0);
        if (before > 0 && now <= 0)
            crossings.push_back((step - 1 + before / (before - now)) * kFixedTimeStep);
        before = now;
    }
    ASSERT_EQ(crossings.size(), 4u) << "the pendulum does not swing";
    const double period = (crossings.back() - crossings.front()) / 3.0;
    EXPECT_NEAR(period, expected, 0.02 * expected);
    // The ball's collider hangs where the joint puts it.
    const btMultiBodyLinkCollider* ball = pendulum.getLinkCollider(1);
    ASSERT_NE(ball, nullptr);
    const btVector3 pivot(0, 5, 0);
    EXPECT_NEAR((ball->getWorldTransform().getOrigin() - pivot).length(), 1.1f, 1e-4f);
}

// A limit holds its joint; equal bounds, Bullet's unset default, hold nothing.
TEST(MultiBodyWorld, JointLimitsHoldAndEqualBoundsAreNoLimit)
{
    struct Case {
        float lower, upper;
        bool held;
    };
    for (const Case& c : {Case{-0.1f, 0.5f, true}, Case{0.0f, 0.0f, false}}) {
        std::unique_ptr<CDynamicsWorld> world = SceneWorld();
        WorldBodies bodies(*world);
        WorldDescription d = Pendulum(0.3f);
        d.multiBodies[0].links[0].lowerLimit = c.lower;
        d.multiBodies[0].links[0].upperLimit = c.upper;
        bodies.Adopt(BuildLoadedWorld(d));
        EXPECT_EQ(world->getNumMultiBodyConstraints(), c.held ? 1 : 0);
        float lowest = 1;
        for (int step = 0; step < 120; ++step) {
            StepWorld(*world);
            lowest = std::min(lowest, float(world->getMultiBody(0)->getJointPos(0)));
        }
        if (c.held)
            EXPECT_GT(lowest, c.lower - 0.03f);
        else
            EXPECT_LT(lowest, -0.25f);
    }
}

// Stop puts every joint, base and collider back; New (Clear) takes them all
// out and leaves an empty world.
TEST(MultiBodyWorld, StopRestoresJointsBasesAndColliders)
{
    std::unique_ptr<CDynamicsWorld> world = SceneWorld();
    WorldBodies bodies(*world);
    bodies.Adopt(BuildLoadedWorld(EveryJoint()));
    ASSERT_EQ(world->getNumMultibodies(), 2);
    ASSERT_EQ(world->getNumCollisionObjects(), 1 + 5 + 2);
    const std::vector<btScalar> start = JointPositions(*world);
    std::vector<btTransform> placed;
    for (int i = 0; i < world->getNumCollisionObjects(); ++i)
        placed.push_back(world->getCollisionObjectArray()[i]->getWorldTransform());
    // The spherical link's collider starts turned by the joint.
    const btMultiBodyLinkCollider* third = world->getMultiBody(0)->getLinkCollider(2);
    EXPECT_GT(third->getWorldTransform().getRotation().angleShortestPath(btQuaternion::getIdentity()), 0.1f);

    for (int i = 0; i < 120; ++i) StepWorld(*world);
    ASSERT_NE(JointPositions(*world), start) << "nothing moved";
    ResetSimulation(*world);
    EXPECT_EQ(JointPositions(*world), start);
    for (int i = 0; i < world->getNumCollisionObjects(); ++i) {
        const btTransform now = world->getCollisionObjectArray()[i]->getWorldTransform();
        EXPECT_LT((now.getOrigin() - placed[i].getOrigin()).length(), 1e-5f) << "object " << i;
    }
    EXPECT_EQ(world->getMultiBody(1)->getBaseVel(), btVector3(0, 0, 1));
    EXPECT_FLOAT_EQ(world->getMultiBody(0)->getJointVel(0), -0.5f);

    bodies.Clear();
    EXPECT_EQ(world->getNumMultibodies(), 0);
    EXPECT_EQ(world->getNumMultiBodyConstraints(), 0);
    EXPECT_EQ(world->getNumCollisionObjects(), 0);
    StepWorld(*world);
}

// A saved world with a joint of each kind opens again as the same world,
// colliders and all, and runs the same for 300 steps.
TEST(MultiBodyWorld, SavedJointsOfEveryKindOpenAndRunTheSame)
{
    std::unique_ptr<CDynamicsWorld> world = SceneWorld();
    WorldBodies bodies(*world);
    bodies.Adopt(BuildLoadedWorld(EveryJoint()));
    ScratchFolder folder;
    const std::string path = folder.Path("joints.bullet");
    ASSERT_TRUE(SaveWorldFile(*world, path).ok);

    OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "");
    std::unique_ptr<CDynamicsWorld> reopened = SceneWorld();
    WorldBodies reopenedBodies(*reopened);
    reopenedBodies.Adopt(std::move(opened.world));
    ASSERT_EQ(reopened->getNumMultibodies(), 2);
    ASSERT_EQ(reopened->getNumCollisionObjects(), world->getNumCollisionObjects());
    EXPECT_TRUE(reopened->getMultiBody(0)->hasFixedBase());
    EXPECT_FALSE(reopened->getMultiBody(1)->hasFixedBase());
    EXPECT_EQ(reopened->getMultiBody(1)->getBaseVel(), btVector3(0, 0, 1));
    const std::vector<btScalar> start = JointPositions(*world);
    ASSERT_EQ(JointPositions(*reopened), start);

    for (int step = 0; step < 300; ++step) {
        StepWorld(*world);
        StepWorld(*reopened);
    }
    const std::vector<btScalar> ours = JointPositions(*world);
    const std::vector<btScalar> again = JointPositions(*reopened);
    for (std::size_t i = 0; i < ours.size(); ++i) EXPECT_NEAR(again[i], ours[i], 1e-4f) << i;
    EXPECT_GT(std::fabs(ours[0] - start[0]), 0.1f) << "the chain did not swing";
    // The free multibody came down and its colliders hold it on the ground.
    const btScalar baseHeight = ours[ours.size() - 2];
    EXPECT_LT(baseHeight, 1.4f);
    EXPECT_GT(baseHeight, 0.1f);
}
