#pragma once
// The view's scene built in a real off-screen context and drawn by the frame
// renderer through the view's projection, for the view-level tests.

#include "physics/rigid_body.h"
#include "support/offscreen_gl.h"
#include "view/frame_renderer.h"
#include "view/scene.h"

#include <GL/glu.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace view_testing {

// A scene that is destroyed with its owner, also when an assertion ends a
// test early: its context must still be current then (declare it after the
// context).
struct BuiltScene {
    Scene scene;
    ~BuiltScene() { scene.Destroy(); }
};

// The view's projection: 30 degrees vertically, near 1, far 100.
inline void UseViewProjection(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, double(width) / height, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
}

// The largest difference of any colour channel between two pictures.
inline int LargestChannelDifference(const std::vector<unsigned char>& a,
                                    const std::vector<unsigned char>& b)
{
    int largest = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (i % 4 != 3)
            largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    }
    return largest;
}

// Draws one frame with the start camera unless told otherwise; the pixels
// are the context's (bottom row first).
inline const std::vector<unsigned char>& RenderPicture(testing_support::OffscreenGl& gl,
                                                       const Scene& scene,
                                                       const CameraState& camera = {},
                                                       RenderOptions options = {})
{
    UseViewProjection(gl.Width(), gl.Height());
    FrameRenderer renderer(options);
    renderer.Render(scene, camera);
    glFinish();
    return gl.Pixels();
}

// A static body of the shape at the position, added after the others; of
// no kind of the scene's own unless told.
inline btRigidBody* AddBody(Scene& scene, btCollisionShape* shape, const btVector3& position,
                            const btQuaternion& orientation = btQuaternion::getIdentity())
{
    btRigidBody* body = CreateRigidBody(shape, 0.0f, position, orientation, 0.0f, 0.0f);
    scene.World()->addRigidBody(body);
    return body;
}

inline btRigidBody* AddBodyOfKind(Scene& scene, BodyKind kind, btCollisionShape* shape,
                                  const btVector3& position)
{
    btRigidBody* body = AddBody(scene, shape, position);
    SetBodyKind(*body, kind);
    return body;
}

// The colour buffer as a PNG file, for a person to look at.
inline bool WritePng(const testing_support::OffscreenGl& gl, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows;
    // OpenGL's rows run bottom to top, PNG's top to bottom.
    for (int y = gl.Height() - 1; y >= 0; --y)
        rows.push_back(const_cast<png_bytep>(&gl.Pixels()[std::size_t(y) * gl.Width() * 4]));
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, gl.Width(), gl.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_rows(png, info, rows.data());
        // Drawn alpha is whatever the materials said: leave it out.
        png_write_png(png, info, PNG_TRANSFORM_STRIP_FILLER_AFTER, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

}  // namespace view_testing
