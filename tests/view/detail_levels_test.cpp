// Simpler meshes for bodies seen small: near bodies keep their own meshes and
// picture, far ones send fewer triangles, resting or moving alike, and a body
// on a threshold keeps its level.
#include "physics/body_thrower.h"
#include "view/detail_levels.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(DetailLevels, ChooseLevelFollowsSizeWithAMarginEachWay)
{
    struct Case {
        float pixels;
        int count, previous, level;
    };
    const float huge = std::numeric_limits<float>::max();
    const Case cases[] = {
        {80, 3, -1, 0},   {20, 3, -1, 1},  {5, 3, -1, 2},   {huge, 3, -1, 0},
        {5, 1, -1, 0},    {5, 2, -1, 1},   // no level past the kind's last
        {29, 3, 0, 0},    {27, 3, 0, 0},   // just under the threshold: stays
        {24, 3, 0, 1},                     // well under: goes
        {31, 3, 1, 1},    {33, 3, 1, 1},   // just over: stays coarse
        {36, 3, 1, 0},                     // well over: comes back
        {11, 3, 1, 1},    {5, 3, 1, 2},    {80, 3, 2, 0},
        {20, 3, 7, 1},                     // a level the kind lacks counts as none
    };
    for (const Case& c : cases)
        EXPECT_EQ(detail_levels::ChooseLevel(c.pixels, c.count, c.previous), c.level)
            << c.pixels << " px, " << c.count << " levels, was " << c.previous;
}

class DetailLevelsScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
    }
    void TearDown() override { m_scene.Destroy(); }

    std::size_t Triangles(const CameraState& camera, FrameRenderer& renderer)
    {
        view_testing::UseViewProjection(m_gl.Width(), m_gl.Height());
        renderer.Render(m_scene, camera);
        glFinish();
        m_picture = m_gl.Pixels();
        return renderer.MeshTriangles();
    }

    testing_support::OffscreenGl m_gl{1024, 768};
    Scene m_scene;
    std::vector<unsigned char> m_picture;
};

TEST_F(DetailLevelsScene, NearBodiesKeepTheirMeshesAndFarOnesSendFewerTriangles)
{
    const DetailLevels& levels = m_scene.Batches()->Levels(m_scene);
    EXPECT_EQ(levels.LevelCount(BodyKind::Can), 3);
    EXPECT_EQ(levels.LevelCount(BodyKind::Ball), 3);
    EXPECT_EQ(levels.LevelCount(BodyKind::Domino), 2);
    EXPECT_EQ(levels.LevelCount(BodyKind::Die), 1);
    for (const BodyKind kind : {BodyKind::Can, BodyKind::Ball, BodyKind::Domino}) {
        const glw::Model* own = levels.Mesh(m_scene, kind, 0);
        const glw::Model* simpler = levels.Mesh(m_scene, kind, 1);
        ASSERT_NE(simpler, nullptr);
        EXPECT_EQ(simpler->surfaces.size(), own->surfaces.size());
        const auto indices = [](const glw::Model& model) {
            std::size_t count = 0;
            for (const glw::Surface& surface : model.surfaces)
                count += surface.indices.size();
            return count;
        };
        EXPECT_LT(indices(*simpler), indices(*own));
        // Dressed as the scene's own: the same material on every surface.
        for (std::size_t s = 0; s < own->surfaces.size(); ++s)
            EXPECT_EQ(simpler->surfaces[s].material.diffuseTexture,
                      own->surfaces[s].material.diffuseTexture);
    }

    // The start scene from the start camera, moving and at rest: every can
    // is near, and the picture is the one the full meshes draw.
    // Each keeps its bodies' levels from frame to frame, as the view's does.
    FrameRenderer full(RenderOptions{true, 100, true, true, false});
    FrameRenderer detailed;
    FrameRenderer oneByOne(RenderOptions{true, 100, true, false, true});
    const CameraState start;
    for (const int steps : {0, 300}) {
        for (int i = 0; i < steps; ++i)
            StepWorld(*m_scene.World());
        const std::size_t own = Triangles(start, full);
        const auto ownPicture = m_picture;
        EXPECT_GT(own, 200u * 400u);
        EXPECT_EQ(Triangles(start, detailed), own) << steps;
        EXPECT_EQ(view_testing::LargestChannelDifference(ownPicture, m_picture), 0) << steps;
        Triangles(start, oneByOne);  // the same history as the others
    }

    // Pulled back and up, the resting balls and cans are small: fewer
    // triangles, chunk by chunk as body by body (everything is in sight and
    // nearer than the far plane, so the chunks that are drawn are all).
    ASSERT_EQ(m_scene.AddRestingBodies(1000), 1000);
    for (int i = 0; i < 300; ++i)
        StepWorld(*m_scene.World());
    CameraState far;
    far.camPos = btVector3(0, -40, -60);
    far.pitch = 35;
    const std::size_t own = Triangles(far, full);
    const std::size_t batched = Triangles(far, detailed);
    EXPECT_LT(batched, own * 9 / 10);
    EXPECT_EQ(Triangles(far, oneByOne), batched);
    std::printf("from afar: %zu triangles with simpler meshes, %zu without\n", batched, own);
}

}  // namespace
