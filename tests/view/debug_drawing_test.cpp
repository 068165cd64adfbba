// Bullet's debug drawing over whole frames: nothing at all while off, and
// each part adding its lines to the picture when on.
#include "drawer/gl_debug_drawer.h"
#include "physics/dynamics_world.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_support::OffscreenGl;
using view_testing::UseViewProjection;

class DebugDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&OffscreenGl::ProcLookup);
        // A few steps: the cans rest on each other, so there are contacts.
        for (int i = 0; i < 5; ++i)
            StepWorld(*m_scene.World());
    }
    void TearDown() override { m_scene.Destroy(); }

    std::vector<unsigned char> Render(FrameRenderer& renderer)
    {
        UseViewProjection(m_gl.Width(), m_gl.Height());
        renderer.Render(m_scene, CameraState{});
        glFinish();
        return m_gl.Pixels();
    }
    static int ChangedPixels(const std::vector<unsigned char>& a,
                             const std::vector<unsigned char>& b)
    {
        int changed = 0;
        for (std::size_t i = 0; i + 3 < a.size(); i += 4)
            changed += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
        return changed;
    }

    OffscreenGl m_gl{320, 240};
    Scene m_scene;
};

TEST_F(DebugDrawing, OffAddsNothingAndEachPartAddsItsLinesToThePicture)
{
    FrameRenderer renderer;
    Render(renderer);
    const std::vector<unsigned char> plain = Render(renderer);
    ASSERT_EQ(ChangedPixels(plain, Render(renderer)), 0) << "frames differ without debug drawing";
    EXPECT_EQ(renderer.DebugDrawer().drawnLineCount(), 0);

    struct Part {
        int mode;
        const char* name;
        int pixels;  // at least this many change: contacts are small marks
    };
    const Part parts[] = {{GL_DebugDrawer::kWireframe, "wireframe", 2000},
                          {GL_DebugDrawer::kBoundingBoxes, "bounding boxes", 2000},
                          {GL_DebugDrawer::kContactPoints, "contact points", 100},
                          {GL_DebugDrawer::kAll, "all", 2000}};
    int previousLines = 0;
    for (const Part& part : parts) {
        SCOPED_TRACE(part.name);
        renderer.SetDebugMode(part.mode);
        const std::vector<unsigned char> drawn = Render(renderer);
        EXPECT_GT(renderer.DebugDrawer().drawnLineCount(), 100);
        EXPECT_GT(ChangedPixels(plain, drawn), part.pixels) << "lines that do not show";
        if (part.mode == GL_DebugDrawer::kAll) {
            EXPECT_GT(renderer.DebugDrawer().drawnLineCount(), previousLines);
        }
        previousLines = std::max(previousLines, renderer.DebugDrawer().drawnLineCount());
    }

    // Off again: the very same picture as before, not one line left over.
    renderer.SetDebugMode(0);
    EXPECT_EQ(ChangedPixels(plain, Render(renderer)), 0);
    EXPECT_EQ(renderer.DebugDrawer().drawnLineCount(), 0);
    // And the world keeps no pointer to a drawer that may go.
    EXPECT_EQ(m_scene.World()->getDebugDrawer(), nullptr);
}

}  // namespace
