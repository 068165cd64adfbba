// The mouse's ray and picking: the ray through a pixel meets what the frame
// drew at that pixel, whatever the view's size, scale and camera.
#include "physics/scene_content.h"
#include "view/pixel_ray.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct ViewCase {
    int logicalWidth, logicalHeight;
    double scale;  // device pixels per logical pixel, as QT_SCALE_FACTOR makes it
    CameraState camera;
};

TEST(Picking, TheRayThroughAPixelMeetsWhatTheFrameDrewThere)
{
    testing_support::OffscreenGl gl(320, 240);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    view_testing::BuiltScene built;
    Scene& scene = built.scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);
    scene.AddRestingBodies(40);
    // Dice and balls in the air above the tower, apart from each other and
    // from everything else: what is drawn around their centres is theirs.
    std::vector<btRigidBody*> floating;
    for (int i = 0; i < 12; ++i) {
        const float angle = i * 30.0f * kDegreesToRadians;
        const btVector3 at(8.0f * std::cos(angle), 12.0f + (i % 3) * 2.5f, 8.0f * std::sin(angle));
        floating.push_back(i % 2 ? view_testing::AddBodyOfKind(scene, BodyKind::Die, scene.DieModel(), at)
                                 : view_testing::AddBodyOfKind(scene, BodyKind::Ball, scene.BallModel(), at));
    }

    const ViewCase cases[] = {
        {320, 240, 1.0, {}},
        {160, 110, 2.0, {btVector3(4, -16, -26), 37, 8}},
        {211, 97, 1.5, {btVector3(-3, -12, 25), 180, 15}},
        {64, 160, 1.25, {btVector3(30, -14, 0), 90, 10}},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.logicalWidth << "x" << c.logicalHeight << " at " << c.scale);
        // As the window applies its projection: its size in device pixels.
        ViewProjection projection;
        projection.width = static_cast<int>(c.logicalWidth * c.scale);
        projection.height = static_cast<int>(c.logicalHeight * c.scale);
        ASSERT_LE(projection.width, gl.Width());
        ASSERT_LE(projection.height, gl.Height());
        glViewport(0, 0, projection.width, projection.height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(projection.fovY, float(double(projection.width) / projection.height),
                       projection.zNear, projection.zFar);
        glMatrixMode(GL_MODELVIEW);
        FrameRenderer().Render(scene, c.camera);
        glFinish();

        GLdouble modelview[16], projectionMatrix[16];
        GLint viewport[4];
        LoadCameraTransform(c.camera);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projectionMatrix);
        glGetIntegerv(GL_VIEWPORT, viewport);
        std::vector<float> depth(std::size_t(projection.width) * projection.height);
        glReadPixels(0, 0, projection.width, projection.height, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depth.data());

        // The ray through a pixel (OpenGL's rows) and the point drawn there, if any.
        const auto rayAt = [&](int px, int py) {
            // The cursor as the window's mouse events give it: logical pixels
            // from the top-left corner, times the scale.
            const float x = float(px / c.scale) * float(c.scale);
            const float y = float((projection.height - 1 - py) / c.scale) * float(c.scale);
            return RayThroughPixel(c.camera, projection, x, y);
        };
        const auto drawnAt = [&](int px, int py) -> std::optional<btVector3> {
            const float d = depth[std::size_t(py) * projection.width + px];
            if (d >= 1.0f)
                return std::nullopt;
            GLdouble wx, wy, wz;
            gluUnProject(px + 0.5, py + 0.5, d, modelview, projectionMatrix, viewport, &wx, &wy, &wz);
            return btVector3(float(wx), float(wy), float(wz));
        };
        const auto project = [&](const btVector3& p) -> std::optional<std::pair<int, int>> {
            GLdouble x, y, z;
            gluProject(p.x(), p.y(), p.z(), modelview, projectionMatrix, viewport, &x, &y, &z);
            if (x < 0 || y < 0 || x >= projection.width || y >= projection.height || z <= 0 || z >= 1)
                return std::nullopt;
            return std::make_pair(int(x), int(y));
        };

        // Whatever is drawn at a pixel lies on that pixel's ray.
        int onRay = 0;
        for (int gx = 0; gx < 12; ++gx) {
            for (int gy = 0; gy < 12; ++gy) {
                const int px = gx * (projection.width - 1) / 11, py = gy * (projection.height - 1) / 11;
                const std::optional<btVector3> drawn = drawnAt(px, py);
                if (!drawn)
                    continue;
                const auto ray = rayAt(px, py);
                ASSERT_TRUE(ray.has_value());
                const btVector3 along = (ray->to - ray->from).normalized();
                const btVector3 off = (*drawn - ray->from) - along * (*drawn - ray->from).dot(along);
                EXPECT_LT(off.length(), 0.01f) << "at " << px << "," << py;
                ++onRay;
            }
        }
        EXPECT_GT(onRay, 15);

        // A body drawn around its centre is the body picked there.
        int seen = 0;
        for (btRigidBody* body : floating) {
            const btVector3 centre = body->getWorldTransform().getOrigin();
            const auto pixel = project(centre);
            if (!pixel)
                continue;
            const std::optional<btVector3> drawn = drawnAt(pixel->first, pixel->second);
            if (!drawn || (*drawn - centre).length() > 0.9f)
                continue;  // hidden behind the tower or another body
            ++seen;
            const std::optional<PickHit> hit = PickBody(*scene.World(), *rayAt(pixel->first, pixel->second));
            ASSERT_TRUE(hit.has_value());
            EXPECT_EQ(hit->body, body);
            EXPECT_LT((hit->point - *drawn).length(), 0.1f);
        }
        EXPECT_GE(seen, 2);
    }
}

}  // namespace
