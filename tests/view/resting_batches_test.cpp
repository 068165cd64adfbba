// Resting bodies drawn from batches look as they do drawn one by one, and the
// batches follow the world: rebuilt when a body wakes, is selected or goes,
// never on a frame where nothing changed.
#include "physics/simulation_control.h"
#include "support/offscreen_gl.h"
#include "view/frame_renderer.h"
#include "view/scene.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Pixels whose colour differs by more than a rounding step in any channel.
long DifferingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    long differing = 0;
    for (std::size_t p = 0; p + 3 < a.size() && p + 3 < b.size(); p += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(int(a[p + c]) - int(b[p + c])) > 2) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

std::size_t BatchVertices(const Scene& scene, BodyKind kind)
{
    const glw::Model* batch = scene.Batches()->Batch(kind);
    std::size_t count = 0;
    for (std::size_t s = 0; batch != nullptr && s < batch->SurfaceCount(); ++s)
        count += batch->GetSurface(s).vertices.size();
    return count;
}

class RestingBatchesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
        ASSERT_EQ(m_scene.AddRestingBodies(400), 400);
        for (int i = 0; i < 400; ++i)
            StepWorld(*m_scene.World());
        const btCollisionObjectArray& objects = m_scene.World()->getCollisionObjectArray();
        for (int i = 0; i < objects.size(); ++i)
            ASSERT_FALSE(objects[i]->isActive() && !objects[i]->isStaticObject()) << "body " << i;
    }
    void TearDown() override { m_scene.Destroy(); }

    // The frame as the renderer draws it, batched or body by body; the
    // batches are kept in step either way.
    std::vector<unsigned char> Picture(bool batched)
    {
        RenderOptions options;
        options.restingBatches = batched;
        view_testing::UseViewProjection(kWidth, kHeight);
        FrameRenderer renderer(options);
        renderer.Render(m_scene, m_camera);
        glFinish();
        return m_gl.Pixels();
    }

    void ExpectBatchedLooksLikeBodyByBody(const char* when)
    {
        const auto bodyByBody = Picture(false);
        const auto batched = Picture(true);
        // Only rounding of the world-space vertices, and which of two
        // fragments at the same depth wins, may differ.
        const long differing = DifferingPixels(bodyByBody, batched);
        EXPECT_LE(differing, kWidth * kHeight / 2000) << when;
        std::printf("%s: %ld of %d pixels differ, by up to %d\n", when, differing,
                    kWidth * kHeight, view_testing::LargestChannelDifference(bodyByBody, batched));
    }

    testing_support::OffscreenGl m_gl{kWidth, kHeight};
    Scene m_scene;
    // Up and back from the start camera: the tower and the resting bodies.
    CameraState m_camera = [] {
        CameraState camera;
        camera.camPos = btVector3(0, -25, -45);
        camera.pitch = 30;
        return camera;
    }();
};

TEST_F(RestingBatchesTest, BatchedPictureLooksLikeBodyByBodyAndFollowsTheWorld)
{
    const auto before = Picture(true);
    for (const BodyKind kind : {BodyKind::Can, BodyKind::Die, BodyKind::Ball})
        EXPECT_NE(m_scene.Batches()->Batch(kind), nullptr) << "kind " << int(kind);
    // Not a blank frame.
    long lit = 0;
    for (const unsigned char c : before)
        lit += c > 40;
    EXPECT_GT(lit, long(before.size() / 4));
    ExpectBatchedLooksLikeBodyByBody("all asleep");

    const int rebuilds = m_scene.Batches()->Rebuilds();
    Picture(true);
    Picture(true);
    EXPECT_EQ(m_scene.Batches()->Rebuilds(), rebuilds) << "nothing changed, nothing rebuilt";

    // A die that wakes leaves its batch; the selected body is drawn on its own.
    const std::size_t dice = BatchVertices(m_scene, BodyKind::Die);
    const btCollisionObjectArray& objects = m_scene.World()->getCollisionObjectArray();
    std::vector<btRigidBody*> restingDice;
    for (int i = 0; i < objects.size(); ++i) {
        if (KindOf(*objects[i]) == BodyKind::Die)
            restingDice.push_back(btRigidBody::upcast(objects[i]));
    }
    ASSERT_GE(restingDice.size(), 3u);
    const std::size_t perDie = dice / restingDice.size();
    restingDice[0]->activate();
    m_scene.Document()->Selection().Select(restingDice[1]);
    ExpectBatchedLooksLikeBodyByBody("one die awake, one selected");
    EXPECT_EQ(BatchVertices(m_scene, BodyKind::Die), dice - 2 * perDie);

    // Moved while asleep (an edit while stopped): the batch follows.
    btTransform moved = restingDice[2]->getWorldTransform();
    moved.setOrigin(btVector3(0, 12, 10));  // in the air before the tower, in sight
    restingDice[2]->setWorldTransform(moved);
    restingDice[2]->getMotionState()->setWorldTransform(moved);
    ExpectBatchedLooksLikeBodyByBody("one die lifted while asleep");

    // Stop wakes every body and takes the thrown ones away: no batch is left.
    ResetSimulation(*m_scene.World());
    ExpectBatchedLooksLikeBodyByBody("after Stop");
    for (const BodyKind kind : {BodyKind::Can, BodyKind::Die, BodyKind::Ball})
        EXPECT_EQ(m_scene.Batches()->Batch(kind), nullptr) << "kind " << int(kind);
}

// Only the chunks the view can show are drawn, and the picture is the whole
// one: a chunk left out wrongly would leave a hole where bodies stand.
TEST_F(RestingBatchesTest, ChunksOutOfViewAreLeftOutAndThePictureStaysWhole)
{
    struct View {
        const char* name;
        btVector3 camPos;
        float yaw, pitch;
        bool someOut;  // the view leaves some chunks of every kind out
    };
    const View views[] = {
        {"from the start camera", btVector3(0, -15, -30), 0, 20, true},
        {"low among the stacks, looking along them", btVector3(14, -2, -17), 0, 5, true},
        {"straight down onto one corner", btVector3(14, -8, 14), 0, 90, true},
        {"from high above, everything", btVector3(0, -70, 0), 0, 90, false},
    };
    for (const View& view : views) {
        m_camera.camPos = view.camPos;
        m_camera.yaw = view.yaw;
        m_camera.pitch = view.pitch;
        ExpectBatchedLooksLikeBodyByBody(view.name);
        for (const BodyKind kind : {BodyKind::Die, BodyKind::Ball}) {
            const RestingBatches& batches = *m_scene.Batches();
            EXPECT_GT(batches.PickedCount(kind), 0) << view.name;
            if (view.someOut)
                EXPECT_LT(batches.PickedCount(kind), batches.ChunkCount(kind)) << view.name;
            else
                EXPECT_EQ(batches.PickedCount(kind), batches.ChunkCount(kind)) << view.name;
        }
    }
    // Turned to the sky: nothing of any kind is drawn.
    m_camera.pitch = -60;
    ExpectBatchedLooksLikeBodyByBody("looking up at the sky");
    for (const BodyKind kind : {BodyKind::Can, BodyKind::Die, BodyKind::Ball})
        EXPECT_EQ(m_scene.Batches()->PickedCount(kind), 0) << "kind " << int(kind);
}

}  // namespace
