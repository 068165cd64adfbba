// The frame renderer's speed-ups must not change the picture: welded meshes in
// buffer objects, the state economy and the staged flushes draw the same
// pixels as the design's calls from client arrays.
#include "physics/body_thrower.h"
#include "support/offscreen_gl.h"
#include "view/frame_renderer.h"
#include "view/scene.h"
#include "view/scene_fixture.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::vector<unsigned char> RenderFrame(testing_support::OffscreenGl& gl, const Scene& scene,
                                       const RenderOptions& options)
{
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, double(kWidth) / kHeight, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    FrameRenderer renderer(options);
    const CameraState camera;
    // Twice: the second frame starts from what the first left behind.
    renderer.Render(scene, camera);
    renderer.Render(scene, camera);
    glFinish();
    return gl.Pixels();
}

TEST(FramePicture, SpeedUpsLeaveThePictureAsTheDesignDrawsIt)
{
    testing_support::OffscreenGl gl(kWidth, kHeight);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Scene scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);
    // Balls and dice among the cylinders, so that every row of the scene
    // follows every other.
    ASSERT_EQ(scene.AddRestingBodies(60), 60);
    for (int i = 0; i < 30; ++i)
        StepWorld(*scene.World());

    const std::array<glw::Model*, 4> meshes = {scene.CanModel(), scene.BallModel(),
                                               scene.DominoModel(), scene.DieModel()};
    for (glw::Model* mesh : meshes)
        mesh->ReleaseBuffers(scene.Procs());
    const auto reference = RenderFrame(gl, scene, RenderOptions{false, 0});
    for (glw::Model* mesh : meshes)
        ASSERT_TRUE(mesh->UploadBuffers(scene.Procs()));
    // Not a blank frame: the tower and the ground cover much of the picture.
    const long lit =
        std::count_if(reference.begin(), reference.end(), [](unsigned char c) { return c > 40; });
    EXPECT_GT(lit, static_cast<long>(reference.size() / 4));

    for (const RenderOptions options :
         {RenderOptions{false, 0}, RenderOptions{true, 0}, RenderOptions{true, 1},
          RenderOptions{false, 7}, RenderOptions{true, 80}}) {
        const auto picture = RenderFrame(gl, scene, options);
        EXPECT_LE(view_testing::LargestChannelDifference(reference, picture), 1)
            << "economy " << options.stateEconomy << ", flush every " << options.flushEvery;
    }
    scene.Destroy();
}

}  // namespace
