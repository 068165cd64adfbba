#pragma once
// What OpenGL really receives, read back through feedback mode: every point,
// line and polygon after transformation, lighting and texture-coordinate
// generation. Positions come back in the coordinates of an orthographic view
// of the cube [-extent, extent]^3, so they can be compared with the world
// coordinates the caller drew at.

#include <btBulletCollisionCommon.h>

#include <GL/gl.h>

#include <functional>
#include <vector>

namespace testing_support {

struct FeedbackVertex {
    btVector3 position;
    float colour[4];
    float texture[4];  // s, t, r, q after generation and the texture matrix
};

struct FeedbackPrimitive {
    GLenum token;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN (resets included), GL_POINT_TOKEN
    std::vector<FeedbackVertex> vertices;
};

// Selects an orthographic projection of the cube, a viewport for it and an
// identity modelview (left selected). Other state is the caller's.
inline void UseFeedbackView(float extent)
{
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-extent, extent, -extent, extent, -extent, extent);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Runs `draw` in feedback mode under the view of UseFeedbackView(extent).
inline std::vector<FeedbackPrimitive> CaptureFeedback(float extent,
                                                      const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto readVertex = [&](GLint& at) {
        FeedbackVertex v{};
        const float* f = &buffer[at];
        const float x = (f[0] - viewport[0]) / viewport[2] * 2.0f - 1.0f;
        const float y = (f[1] - viewport[1]) / viewport[3] * 2.0f - 1.0f;
        const float z = 2.0f * f[2] - 1.0f;
        v.position = btVector3(x * extent, y * extent, -z * extent);
        for (int i = 0; i < 4; ++i) {
            v.colour[i] = f[4 + i];
            v.texture[i] = f[8 + i];
        }
        at += 12;
        return v;
    };

    std::vector<FeedbackPrimitive> primitives;
    for (GLint at = 0; at < used;) {
        const auto token = static_cast<GLenum>(buffer[at++]);
        FeedbackPrimitive primitive{token, {}};
        int count = 0;
        if (token == GL_POLYGON_TOKEN) {
            count = static_cast<int>(buffer[at++]);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            primitive.token = GL_LINE_TOKEN;
            count = 2;
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
                   token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
            count = 1;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++at;
            continue;
        }
        for (int i = 0; i < count; ++i)
            primitive.vertices.push_back(readVertex(at));
        primitives.push_back(std::move(primitive));
    }
    return primitives;
}

// Directional lights along the positive (sign 1) or negative (sign -1) axes,
// red along x, green along y, blue along z, with no ambient term: a white
// vertex is then lit (max(0, sign n.x), max(0, sign n.y), max(0, sign n.z)),
// and two captures give back the normal a vertex was drawn with.
inline void LightAlongAxes(float sign)
{
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    for (int axis = 0; axis < 3; ++axis) {
        const GLenum light = GL_LIGHT0 + axis;
        GLfloat position[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        GLfloat diffuse[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        position[axis] = sign;
        diffuse[axis] = 1.0f;
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_DIFFUSE, diffuse);
        glLightfv(light, GL_AMBIENT, black);
        glLightfv(light, GL_SPECULAR, black);
        glEnable(light);
    }
    glPopMatrix();
    glEnable(GL_LIGHTING);
}

// The normals of the vertices that `draw` emits (in eye coordinates), by
// drawing twice under LightAlongAxes. `draw` must emit the same vertices in
// the same order both times, in white, and normals no longer than 1.
inline std::vector<btVector3> CaptureNormals(float extent, const std::function<void()>& draw)
{
    LightAlongAxes(1.0f);
    const auto plus = CaptureFeedback(extent, draw);
    LightAlongAxes(-1.0f);
    const auto minus = CaptureFeedback(extent, draw);
    glDisable(GL_LIGHTING);
    std::vector<btVector3> normals;
    for (std::size_t p = 0; p < plus.size() && p < minus.size(); ++p) {
        for (std::size_t v = 0; v < plus[p].vertices.size() && v < minus[p].vertices.size(); ++v) {
            const float* a = plus[p].vertices[v].colour;
            const float* b = minus[p].vertices[v].colour;
            normals.emplace_back(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
        }
    }
    return normals;
}

// All vertices of all primitives, in order.
inline std::vector<FeedbackVertex> Flatten(const std::vector<FeedbackPrimitive>& primitives)
{
    std::vector<FeedbackVertex> out;
    for (const auto& p : primitives)
        out.insert(out.end(), p.vertices.begin(), p.vertices.end());
    return out;
}

}  // namespace testing_support
