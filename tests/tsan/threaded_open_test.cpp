// Built and run with ThreadSanitizer (the tsan preset): a world file opens on
// the open's own thread, reader process and all, while this thread steps the
// user's world with a body held on the spring, as the window's thread does;
// then the finished world is taken. Bullet itself is not instrumented, so
// what is checked here is Kinetta's own code on both threads.
#include "edit/document_fixture.h"
#include "worlds/world_file_builder.h"
#include "worlds/world_file_opening.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Chains of boxes hanging from the world, so that the open's thread builds
// constraints to the world while the spring holds a body on this one.
WorldDescription HangingChains(int bodies)
{
    WorldDescription description;
    DescribedShape box;
    box.extents = btVector3(0.4f, 0.4f, 0.4f);
    box.margin = 0.04f;
    description.shapes = {box};
    for (int i = 0; i < bodies; ++i) {
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
        joint.frameA.origin = btVector3(0, 0.5f, 0);
        joint.frameB.origin = i % 10 == 0 ? body.transform.origin + btVector3(0, 0.5f, 0)
                                          : btVector3(0, -0.5f, 0);
        description.constraints.push_back(joint);
    }
    return description;
}

class ThreadedOpen : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "kinetta-tsan-open-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        const char* reader = std::getenv("KINETTA_WORLD_READER");
        ASSERT_TRUE(reader != nullptr && fs::exists(reader))
            << "KINETTA_WORLD_READER must name the world reader of a default build";
        m_options.readerPath = reader;
    }
    void TearDown() override
    {
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }

    fs::path m_folder;
    WorldFileOpenOptions m_options;
};

TEST_F(ThreadedOpen, FinishesWhileTheWorldStepsWithABodyHeld)
{
    constexpr int kBodies = 2000;
    const fs::path file = m_folder / "chains.bullet";
    {
        edit_testing::KindShapeSet shapes;
        WorldDocument source(shapes.Shapes());
        source.TakeWorld(BuildLoadedWorld(HangingChains(kBodies)));
        ASSERT_TRUE(source.SaveWorld(file.string()).ok);
    }

    // A pillar's top can, held on the spring and pulled about while the
    // open runs.
    const btCollisionObjectArray& objects = m_document.World().getCollisionObjectArray();
    btRigidBody* can = btRigidBody::upcast(objects[objects.size() - 1]);
    const btVector3 start = can->getWorldTransform().getOrigin();
    auto downThrough = [](const btVector3& at) {
        return PickRay{at + btVector3(0, 10, 0), at - btVector3(0, 30, 0), 1.0f, 41.0f};
    };
    ASSERT_TRUE(m_document.PressAt(downThrough(start), SimulationState::Running));

    WorldFileOpening opening(file.string(), m_document.ShapeLookup(), m_options);
    int steps = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!opening.Finished() && std::chrono::steady_clock::now() < deadline) {
        (void)opening.Progress();
        m_document.DragTo(downThrough(start + btVector3(float(steps % 60) / 20.0f, 0, 0)));
        StepWorld(m_document.World());
        ++steps;
    }
    ASSERT_TRUE(opening.Finished()) << "the open took over a minute";
    EXPECT_GT(steps, 0) << "the world never stepped while the open ran";
    EXPECT_TRUE(m_document.Drag().Active());

    OpenedWorldFile opened = opening.Take();
    ASSERT_TRUE(opened.result.ok) << opened.result.error;
    ASSERT_NE(opened.world, nullptr);
    m_document.TakeWorld(std::move(opened.world));
    EXPECT_FALSE(m_document.Drag().Active()) << "the old world's hold outlived it";
    EXPECT_EQ(m_document.BodyCount(), kBodies);
    EXPECT_EQ(m_document.World().getNumConstraints(), kBodies);
    for (int i = 0; i < 5; ++i)
        StepWorld(m_document.World());
}

}  // namespace
