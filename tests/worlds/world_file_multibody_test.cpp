// Multibodies in world files: what the real reader describes of each joint
// type, in files of both precisions, and damaged multibodies refused.

#include "physics/dynamics_world.h"
#include "worlds/world_file_checks.h"
#include "worlds/world_file_description.h"
#include "worlds/world_file_multibody_sample.h"
#include "worlds/world_file_reader_process.h"
#include "worlds/world_file_scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace {

void ExpectNear(const btVector3& expected, const btVector3& actual, const std::string& what)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(expected[i], actual[i], 1e-6f) << what << " [" << i << "]";
}

void ExpectSameTurn(const btQuaternion& expected, const btQuaternion& actual, const std::string& what)
{
    EXPECT_NEAR(std::fabs(expected.dot(actual)), 1.0f, 1e-6f) << what;
}

// The sample's bytes; a plane on the pendulum's swinging link when asked.
std::vector<char> SampleBytes(bool planeOnALink = false)
{
    MultiBodySample sample;
    btStaticPlaneShape plane(btVector3(0, 1, 0), 0);
    if (planeOnALink) sample.colliders.back()->setCollisionShape(&plane);
    btDefaultSerializer serializer;
    sample.Serialize(serializer);
    const auto* bytes = reinterpret_cast<const char*>(serializer.getBufferPointer());
    return {bytes, bytes + serializer.getCurrentBufferSize()};
}

std::string Write(const ScratchFolder& folder, const std::string& name, const std::vector<char>& bytes)
{
    std::string path = folder.Path(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

TEST(WorldFileMultiBodies, DescribesEveryJointTypeInBothPrecisions)
{
    ScratchFolder folder;
    MultiBodySample sample;
    const btMultiBody& r = *sample.robot;
    for (const std::string& path : {Write(folder, "robot.bullet", SampleBytes()),
                                   std::string(KINETTA_DOUBLE_MULTIBODIES_PATH)}) {
        SCOPED_TRACE(path);
        WorldReaderOutput output = RunWorldReader(KINETTA_WORLD_READER_PATH, path);
        ASSERT_TRUE(output.result.ok) << output.result.error;
        std::string error;
        std::optional<WorldDescription> d = ParseWorldDescription(output.description, &error);
        ASSERT_TRUE(d) << error;
        EXPECT_EQ(FormatWorldDescription(*d), output.description);
        EXPECT_EQ(CheckWorldDescription(*d).error, "");
        EXPECT_TRUE(d->skipped.empty());
        ASSERT_EQ(d->multiBodies.size(), 2u);
        auto shapeOf = [&](const DescribedCollider& c) {
            return c.shape >= 0 && c.shape < int(d->shapes.size()) ? d->shapes[c.shape].type
                                                                   : DescribedShapeType::Compound;
        };

        const DescribedMultiBody& robot = d->multiBodies[0];
        EXPECT_EQ(robot.name, "robot");
        EXPECT_FALSE(robot.fixedBase);
        EXPECT_FLOAT_EQ(robot.baseMass, 2);
        ExpectNear(r.getBaseInertia(), robot.baseInertia, "base inertia");
        ExpectNear(r.getBasePos(), robot.baseTransform.origin, "base position");
        ExpectSameTurn(r.getWorldToBaseRot().inverse(), robot.baseTransform.rotation, "base turn");
        ExpectNear(r.getBaseVel(), robot.baseLinearVelocity, "base velocity");
        ExpectNear(r.getBaseOmega(), robot.baseAngularVelocity, "base spin");
        EXPECT_EQ(shapeOf(robot.baseCollider), DescribedShapeType::Box);
        EXPECT_FLOAT_EQ(robot.baseCollider.friction, 0.33f);
        EXPECT_FLOAT_EQ(robot.baseCollider.restitution, 0.44f);
        ASSERT_EQ(robot.links.size(), 4u);
        const DescribedJointType joints[] = {DescribedJointType::Revolute, DescribedJointType::Prismatic,
                                             DescribedJointType::Spherical, DescribedJointType::Fixed};
        for (int i = 0; i < 4; ++i) {
            const btMultibodyLink& e = r.getLink(i);
            const DescribedLink& a = robot.links[i];
            const std::string what = "link " + std::to_string(i);
            EXPECT_EQ(a.joint, joints[i]) << what;
            EXPECT_EQ(a.parent, e.m_parent) << what;
            EXPECT_FLOAT_EQ(a.mass, e.m_mass) << what;
            ExpectNear(e.m_inertiaLocal, a.inertia, what + " inertia");
            ExpectSameTurn(e.m_zeroRotParentToThis, a.rotationParentToThis, what);
            ExpectNear(e.m_eVector, a.parentComToPivot, what + " to the joint");
            ExpectNear(e.m_dVector, a.pivotToThisCom, what + " from the joint");
            const btVector3 axis = i == 0 ? e.getAxisTop(0) : i == 1 ? e.getAxisBottom(0) : btVector3(0, 0, 0);
            ExpectNear(axis, a.axis, what + " axis");
            for (int k = 0; k < e.m_posVarCount; ++k) {
                EXPECT_NEAR(r.getJointPosMultiDof(i)[k], a.positions[k], 1e-6f) << what << " position " << k;
            }
            for (int k = 0; k < e.m_dofCount; ++k) {
                EXPECT_NEAR(r.getJointVelMultiDof(i)[k], a.velocities[k], 1e-6f) << what << " velocity " << k;
            }
            EXPECT_EQ(shapeOf(a.collider), i % 2 ? DescribedShapeType::Box : DescribedShapeType::Sphere) << what;
            EXPECT_FLOAT_EQ(a.collider.friction, btScalar(0.1) * i) << what;
        }
        const DescribedLink& arm = robot.links[0];
        EXPECT_EQ(arm.name, "arm");
        const float armFields[] = {arm.damping, arm.friction, arm.lowerLimit, arm.upperLimit, arm.maxForce,
                                   arm.maxVelocity};
        const float expectedArm[] = {0.11f, 0.22f, -1, 1, 5, 6};
        for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(armFields[k], expectedArm[k]) << "arm field " << k;

        const DescribedMultiBody& pendulum = d->multiBodies[1];
        EXPECT_TRUE(pendulum.fixedBase);
        EXPECT_EQ(pendulum.baseCollider.shape, -1);
        ASSERT_EQ(pendulum.links.size(), 1u);
        EXPECT_FLOAT_EQ(pendulum.links[0].positions[0], 0.4f);
        EXPECT_EQ(shapeOf(pendulum.links[0].collider), DescribedShapeType::Sphere);
        EXPECT_FLOAT_EQ(pendulum.links[0].collider.restitution, 0.1f);
    }
}

// Records changed in place, found by their values: the robot (base mass 2,
// 4 links), its prismatic link (1 degree of freedom, mass 1.25, parent 0,
// type 1) and its first link's name, in a float file, and the robot in a
// double one. Each is refused with a message in the file's terms, or the
// multibody Bullet cannot step is left out with a note.
TEST(WorldFileMultiBodies, DamagedFilesAreRefusedOrLeftOut)
{
    ScratchFolder folder;
    const std::vector<char> good = SampleBytes();
    std::vector<char> goodDouble;
    {
        std::ifstream in(KINETTA_DOUBLE_MULTIBODIES_PATH, std::ios::binary);
        goodDouble.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto patchedIn = [&](const std::vector<char>& source, std::vector<int32_t> find, size_t field, int32_t value) {
        std::vector<char> bytes = source;
        const char* pattern = reinterpret_cast<const char*>(find.data());
        auto at = std::search(bytes.begin(), bytes.end(), pattern, pattern + find.size() * 4);
        EXPECT_NE(at, bytes.end());
        EXPECT_EQ(std::search(at + 1, bytes.end(), pattern, pattern + find.size() * 4), bytes.end());
        if (at != bytes.end()) std::memcpy(&*at + field * 4, &value, 4);
        return bytes;
    };
    auto patched = [&](std::vector<int32_t> find, size_t field, int32_t value) {
        return patchedIn(good, std::move(find), field, value);
    };
    auto text = [](const char* four) {  // four bytes, a zero counted
        int32_t i;
        std::memcpy(&i, four, 4);
        return i;
    };
    auto bits = [](float f) {
        int32_t i;
        std::memcpy(&i, &f, 4);
        return i;
    };
    // After the robot's count come its name's pointer, then its links' (field 4: the lower half).
    const std::vector<int32_t> robot{bits(2), 4}, link{1, bits(1.25f), 0, 1}, armName{text("arm")};
    const std::vector<int32_t> doubleRobot{0, 0x40000000, 4};
    // The first collider's chunk head (code, length, the writer's pointer),
    // then its count (field 5) and its record: the shape's pointer is field 8.
    const std::vector<int32_t> collider{text("MBLC"), 304, 15, 15};
    const struct {
        std::vector<char> bytes;
        const char* outcome;
    } cases[] = {
        {patched(robot, 1, 1 << 30), "the file is damaged: multibody 1 has 1073741824 links, more than the 1000"},
        {patched(robot, 1, -3), "the file is damaged: multibody 1 has no list of its links"},
        {patched(robot, 1, 7), "the file is damaged: multibody 1: its record says 7 links but holds 4"},
        {patchedIn(goodDouble, doubleRobot, 2, 6),
         "the file is damaged: multibody 1: its record says 6 links but holds 4"},
        {patched(robot, 4, 12345), "the file is damaged: multibody 1: its m_links points to nothing the file holds"},
        {patched(collider, 5, 0), "the file is damaged: link collider 1 is not a whole collider record"},
        {patched(collider, 8, 12345),
         "the file is damaged: link collider 1: its m_collisionShape points to nothing the file holds"},
        {patched(armName, 0, text("armX")),
         "the file is damaged: array 2 of btMultiBodyLinkFloatData, item 1: its m_linkName is a text without an end"},
        {patched(link, 2, 5), "the file is damaged: multibody 1, link 2: its parent, link 6, is not"},
        {patched(link, 2, 1), "the file is damaged: multibody 1, link 2: its parent, link 2, is not"},
        {patched(link, 2, 2), "the file is damaged: multibody 1, link 2: its parent, link 3, is not"},
        {patched(link, 1, bits(std::numeric_limits<float>::quiet_NaN())),
         "the file is damaged: multibody 1, link 2: mass is not a finite number"},
        {patched(link, 3, btMultibodyLink::ePlanar), "left out 1 multibody Kinetta cannot simulate"},
        {patched(link, 3, 77), "left out 1 multibody Kinetta cannot simulate"},
        {SampleBytes(true), "the file is damaged: multibody 2, link 1: a plane or triangle mesh cannot move"},
    };
    for (const auto& c : cases) {
        OpenedWorldFile opened = OpenWorldFile(Write(folder, "damaged.bullet", c.bytes), {}, ReaderOptions());
        const std::string& said = opened.result.ok ? opened.result.note : opened.result.error;
        EXPECT_EQ(said.rfind(c.outcome, 0), 0u) << "'" << said << "' is not '" << c.outcome << "'";
        EXPECT_EQ(opened.result.ok, opened.world != nullptr) << c.outcome;
    }
}

// A robot as one of Bullet's own example files stores it: its base's
// rotation (0, 0, 0, 0) is read as no rotation and said so, its colliders,
// plain collision objects named after their links, go on those links, and
// it stands on its wheels for 300 steps. A rotation that is clearly wrong
// is still refused.
TEST(WorldFileMultiBodies, RobotWithAZeroRotationAndPlainCollidersStands)
{
    ScratchFolder folder;
    StandingRobotSample sample;
    const std::string path = Write(folder, "robot.bullet", sample.Bytes());
    OpenedWorldFile opened = OpenWorldFile(path, {}, ReaderOptions());
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    EXPECT_EQ(opened.result.note, "");
    EXPECT_EQ(opened.result.mended, "1 rotation of length 0 read as no rotation");
    EXPECT_EQ(opened.result.StatusNote(), "1 rotation of length 0 read as no rotation");
    ASSERT_EQ(opened.world->MultiBodyCount(), 1);
    ASSERT_EQ(opened.world->LinkCount(), StandingRobotSample::kLinks);
    EXPECT_EQ(opened.world->Colliders().size(), size_t(StandingRobotSample::kLinks + 1));
    EXPECT_EQ(opened.world->BodyCount(), 1);

    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    opened.world->AddTo(*world);
    const btMultiBody& robot = opened.world->MultiBodyAt(0);
    for (int step = 0; step < 300; ++step) StepWorld(*world);
    const btVector3 base = robot.getBasePos();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(std::isfinite(base[i])) << "base " << i;
    for (int i = 0; i < robot.getNumLinks(); ++i) {
        ASSERT_TRUE(std::isfinite(robot.getJointPos(i))) << "link " << i;
        const btVector3& at = robot.getLink(i).m_collider->getWorldTransform().getOrigin();
        EXPECT_GT(at.y(), -0.05f) << "link " << i << " sank into the ground";
    }
    // Standing: the body's centre where the wheels hold it, not on the ground.
    EXPECT_GT(base.y(), 0.8f);
    opened.world->RemoveFrom(*world);

    // Half a rotation's length is no rounding: refused, as before; one a
    // little off unit length opens, silently.
    const OpenedWorldFile refused =
        OpenWorldFile(Write(folder, "wrong.bullet", sample.Bytes({0, 0, 0, 0.5f})), {}, ReaderOptions());
    EXPECT_EQ(refused.result.error,
              "the file is damaged: multibody 1, base: transform has a rotation that is not a rotation");
    const OpenedWorldFile near =
        OpenWorldFile(Write(folder, "near.bullet", sample.Bytes({0, 0, 0, 1.0005f})), {}, ReaderOptions());
    ASSERT_TRUE(near.result.ok) << near.result.error;
    EXPECT_EQ(near.result.mended, "");
    EXPECT_EQ(near.world->MultiBodyAt(0).getWorldToBaseRot().length(), 1.0f);
}

}  // namespace
