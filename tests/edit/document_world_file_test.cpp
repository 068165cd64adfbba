// Worlds from files at the scene's level: a saved world opens with the
// scene's own shapes and kinds, Stop puts it back as the file had it, a file
// that cannot be opened changes nothing, New brings the start scene back, and
// the world's settings and bodies' names travel with the file.
#include "physics/body_name.h"
#include "physics/body_thrower.h"
#include "physics/scene_content.h"
#include "edit/body_properties.h"
#include "edit/document_fixture.h"
#include "edit/world_tree.h"
#include "worlds/world_file_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

struct Snapshot {
    std::vector<const btCollisionObject*> objects;
    std::vector<BodyKind> kinds;
    std::vector<btVector3> origins;

    explicit Snapshot(const WorldDocument& document)
    {
        const btCollisionObjectArray& array = document.World().getCollisionObjectArray();
        for (int i = 0; i < array.size(); ++i) {
            objects.push_back(array[i]);
            kinds.push_back(KindOf(*array[i]));
            origins.push_back(array[i]->getWorldTransform().getOrigin());
        }
    }
};

class SceneWorldFile : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        // Its own folder: ctest runs this suite's tests side by side.
        std::string pattern = ::testing::TempDir() + "kinetta-scene-world-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override
    {
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder);
    }
    WorldFileResult Open(const std::string& path)
    {
        WorldFileOpenOptions options;
        options.readerPath = KINETTA_WORLD_READER_PATH;
        return m_document.OpenWorld(path, options);
    }
    void ThrowABall()
    {
        ThrowSphere(m_document.World(), m_shapes.Ball(),
                    CameraPose{btVector3(0, -15, -30), 0, 20});
    }

    std::string m_folder;
};

TEST_F(SceneWorldFile, SavedWorldOpensWithTheScenesKindsAndStopPutsItBackAsTheFileHadIt)
{
    // Every kind the scene draws, thrown bodies among them, and a body of no
    // kind on a shape of its own.
    ASSERT_EQ(m_document.AddRestingBodies(6), 6);
    edit_testing::AddBodyOfKind(m_document, BodyKind::Domino, m_shapes.Domino(), {0, 1, 12});
    btBoxShape crate(btVector3(1.0f, 0.5f, 1.0f));
    edit_testing::AddBody(m_document, &crate, btVector3(-3, 0.5f, 12));
    for (int i = 0; i < 20; ++i)
        StepWorld(m_document.World());
    const Snapshot saved(m_document);
    const WorldFileResult save = m_document.SaveWorld(m_folder + "/world.bullet");
    ASSERT_TRUE(save.ok) << save.error;

    m_document.NewWorld();  // the crate's body goes before its shape does
    const WorldFileResult open = Open(m_folder + "/world.bullet");
    ASSERT_TRUE(open.ok) << open.error;
    const Snapshot opened(m_document);
    ASSERT_EQ(opened.kinds, saved.kinds);
    for (std::size_t i = 0; i < opened.objects.size(); ++i) {
        EXPECT_FALSE(WasThrown(*opened.objects[i])) << i << ": a body from a file stays at Stop";
        const btCollisionShape* shape = opened.objects[i]->getCollisionShape();
        EXPECT_EQ(shape == m_shapes.For(opened.kinds[i]), opened.kinds[i] != BodyKind::Other);
        EXPECT_LT((opened.origins[i] - saved.origins[i]).length(), 1e-5f) << i;
    }

    ThrowABall();
    for (int i = 0; i < 60; ++i)
        StepWorld(m_document.World());
    m_document.ResetSimulation();
    const Snapshot stopped(m_document);
    EXPECT_EQ(stopped.objects, opened.objects) << "the ball gone, every opened body kept";
    EXPECT_EQ(stopped.origins, opened.origins);

    m_document.NewWorld();
    const Snapshot fresh(m_document);
    ASSERT_EQ(fresh.kinds.size(), std::size_t(kStartBodyCount));
    EXPECT_EQ(fresh.kinds[0], BodyKind::Ground);
    EXPECT_EQ(std::count(fresh.kinds.begin(), fresh.kinds.end(), BodyKind::Can),
              kStartBodyCount - 1);
    EXPECT_EQ(m_document.World().getGravity(), btVector3(0, -10, 0));
}

// Gravity, solver iterations and a body's own name come back through Save
// and Open, and again through a second round; New brings the scene's own.
TEST_F(SceneWorldFile, GravitySolverIterationsAndBodyNamesSurviveSaveAndOpen)
{
    const std::string given = "Leaning tower";
    btRigidBody* can = nullptr;
    const btCollisionObjectArray& start = m_document.World().getCollisionObjectArray();
    for (int i = 0; i < start.size() && can == nullptr; ++i)
        if (KindOf(*start[i]) == BodyKind::Can)
            can = btRigidBody::upcast(start[i]);
    ASSERT_NE(can, nullptr);
    SetBodyName(*can, &given);
    m_document.World().setGravity(btVector3(0.5f, -3, 0));
    ASSERT_FALSE(EditSolverIterations(m_document.World(), 37));
    const btVector3 canAt = can->getWorldTransform().getOrigin();

    auto namedCans = [&] {
        WorldTree tree;
        TakeWorldTree(m_document.World(), tree);
        std::vector<std::string> names;
        for (const WorldTreeGroup& group : tree.groups)
            for (const WorldTreeBody& body : group.bodies)
                if (group.kind == BodyKind::Can && body.name.rfind("Can ", 0) != 0)
                    names.push_back(body.name);
        return names;
    };
    for (const char* file : {"/first.bullet", "/second.bullet"}) {
        const WorldFileResult save = m_document.SaveWorld(m_folder + file);
        ASSERT_TRUE(save.ok) << save.error;
        m_document.NewWorld();
        EXPECT_EQ(m_document.World().getSolverInfo().m_numIterations, 10);
        EXPECT_EQ(m_document.World().getGravity(), btVector3(0, -10, 0));
        EXPECT_TRUE(namedCans().empty());
        const WorldFileResult open = Open(m_folder + file);
        ASSERT_TRUE(open.ok) << open.error;
        EXPECT_EQ(m_document.World().getSolverInfo().m_numIterations, 37) << file;
        EXPECT_EQ(m_document.World().getGravity(), btVector3(0.5f, -3, 0)) << file;
        EXPECT_EQ(namedCans(), std::vector<std::string>{given}) << file;
        const btCollisionObjectArray& opened = m_document.World().getCollisionObjectArray();
        for (int i = 0; i < opened.size(); ++i)
            if (BodyNameOf(*opened[i]) == given) {
                EXPECT_LT((opened[i]->getWorldTransform().getOrigin() - canAt).length(), 1e-5f);
                EXPECT_EQ(BodyNameIn(m_document.World(), opened[i]), given);
            }
    }
}

TEST_F(SceneWorldFile, AFileThatCannotBeOpenedLeavesTheWorldAsItWas)
{
    ThrowABall();
    StepWorld(m_document.World());
    const Snapshot before(m_document);
    std::ofstream(m_folder + "/damaged.bullet") << "BULLETf_v284 and nothing a reader could use";
    for (const std::string name : {"/damaged.bullet", "/missing.bullet"}) {
        const WorldFileResult result = Open(m_folder + name);
        EXPECT_FALSE(result.ok || result.error.empty()) << name;
        const Snapshot after(m_document);
        EXPECT_EQ(after.objects, before.objects) << name;
        EXPECT_EQ(after.kinds, before.kinds) << name;
        EXPECT_EQ(after.origins, before.origins) << name;
    }
}

// Every file opened brings shapes of its own; whoever made something from
// them (the drawer's hulls) is told of each as it goes with its world, and of
// none of the scene's own.
TEST_F(SceneWorldFile, AnOpenedWorldsShapesAreToldAsTheyGo)
{
    std::vector<const btCollisionShape*> gone;
    m_document.OnShapeGone([&gone](const btCollisionShape& shape) { gone.push_back(&shape); });
    std::vector<std::unique_ptr<btCylinderShape>> posts;
    for (int i = 0; i < 4; ++i) {
        const float radius = 0.2f + 0.1f * float(i);
        posts.push_back(std::make_unique<btCylinderShape>(btVector3(radius, 1.0f, radius)));
        edit_testing::AddBody(m_document, posts.back().get(),
                              btVector3(-3.0f + 2.0f * float(i), 1, 12));
    }
    const std::string path = m_folder + "/posts.bullet";
    const WorldFileResult save = m_document.SaveWorld(path);
    ASSERT_TRUE(save.ok) << save.error;
    m_document.NewWorld();  // the posts' bodies go before their shapes do
    EXPECT_TRUE(gone.empty()) << "no file's shapes were in the world";

    for (int open = 1; open <= 2; ++open) {
        const WorldFileResult result = Open(path);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(gone.size(), std::size_t(4 * (open - 1))) << "opened " << open << " times";
    }
    m_document.NewWorld();
    ASSERT_EQ(gone.size(), 8u);
    for (const btCollisionShape* shape : gone) {
        for (int k = 0; k < kBodyKindCount; ++k)
            EXPECT_NE(shape, m_shapes.For(static_cast<BodyKind>(k)));
        EXPECT_EQ(std::count(gone.begin(), gone.end(), shape), 1);
    }
}

// Stop in an opened world of 2,000 joints: every joint is still in the world,
// in its order and with its bodies' references; those the throws and their
// weight broke are whole again, one the file had off stays off; New then
// takes every joint out.
TEST_F(SceneWorldFile, StopPutsEveryJointOfAnOpenedWorldBackAsTheFileHadIt)
{
    WorldDescription description;
    DescribedShape box;
    box.extents = btVector3(0.4f, 0.4f, 0.4f);
    box.margin = 0.04f;
    description.shapes = {box};
    constexpr int kJoints = 2000;
    for (int i = 0; i < kJoints; ++i) {
        // Chains of ten hanging from the world, one metre apart.
        const int chain = i / 10;
        DescribedBody body;
        body.mass = 1;
        body.transform.origin = btVector3(float(chain % 40) * 1.5f - 30, 20.0f - float(i % 10),
                                          float(chain / 40) * 1.5f);
        description.bodies.push_back(body);
        DescribedConstraint joint;
        joint.record = i;
        joint.bodyA = i;
        joint.bodyB = i % 10 == 0 ? -1 : i - 1;
        joint.disableCollisionsBetweenBodies = i % 2 == 0;
        joint.frameA.origin = btVector3(0, 0.5f, 0);
        joint.frameB.origin = i % 10 == 0 ? body.transform.origin + btVector3(0, 0.5f, 0)
                                          : btVector3(0, -0.5f, 0);
        // Every chain's top joint breaks under its weight; one joint is off.
        if (i % 10 == 0)
            joint.breakingImpulseThreshold = 0.5f;
        joint.enabled = i != 55;
        description.constraints.push_back(joint);
    }
    m_document.TakeWorld(BuildLoadedWorld(description));
    CDynamicsWorld& world = m_document.World();
    ASSERT_EQ(world.getNumConstraints(), kJoints);
    std::vector<btTypedConstraint*> joints;
    std::vector<int> references;
    for (int c = 0; c < kJoints; ++c) {
        joints.push_back(world.getConstraint(c));
        references.push_back(joints.back()->getRigidBodyA().getNumConstraintRefs());
    }
    const Snapshot opened(m_document);

    ThrowABall();
    for (int i = 0; i < 30; ++i)
        StepWorld(world);
    int broken = 0;
    for (int c = 0; c < kJoints; ++c)
        broken += c != 55 && !joints[std::size_t(c)]->isEnabled() ? 1 : 0;
    ASSERT_GE(broken, kJoints / 10) << "the chains should have torn loose";

    m_document.ResetSimulation();
    ASSERT_EQ(world.getNumConstraints(), kJoints);
    for (int c = 0; c < kJoints; ++c) {
        btTypedConstraint& joint = *world.getConstraint(c);
        ASSERT_EQ(&joint, joints[std::size_t(c)]) << c;
        EXPECT_EQ(joint.isEnabled(), c != 55) << c;
        EXPECT_EQ(joint.getAppliedImpulse(), 0.0f) << c;
        EXPECT_EQ(joint.getRigidBodyA().getNumConstraintRefs(), references[std::size_t(c)]) << c;
    }
    const Snapshot stopped(m_document);
    EXPECT_EQ(stopped.objects, opened.objects);
    EXPECT_EQ(stopped.origins, opened.origins);
    // And it hangs again: a second run tears the same joints.
    for (int i = 0; i < 5; ++i)
        StepWorld(world);
    EXPECT_FALSE(joints[0]->isEnabled());
    EXPECT_TRUE(joints[1]->isEnabled());

    m_document.NewWorld();
    EXPECT_EQ(world.getNumConstraints(), 0);
    EXPECT_EQ(btTypedConstraint::getFixedBody().getNumConstraintRefs(), 0);
}

}  // namespace
