// The renderer's primitive solids in a real off-screen context, read back
// through feedback mode.
#include "drawer/primitive_solids.h"
#include "gl/gl_feedback.h"
#include "support/offscreen_gl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testing_support::CaptureFeedback;
using testing_support::CaptureNormals;
using testing_support::FeedbackPrimitive;
using testing_support::FeedbackVertex;
using testing_support::Flatten;
using testing_support::UseFeedbackView;

void ExpectNear(const btVector3& actual, const btVector3& expected, float tolerance)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
    EXPECT_NEAR(actual.z(), expected.z(), tolerance);
}

// OpenGL hands each quad on as the triangles (a, b, d) and (b, c, d); this
// puts the quads back together, in drawing order.
std::vector<std::vector<FeedbackVertex>> Quads(const std::vector<FeedbackPrimitive>& triangles)
{
    std::vector<std::vector<FeedbackVertex>> quads;
    for (std::size_t i = 0; i + 1 < triangles.size(); i += 2) {
        const auto& t0 = triangles[i].vertices;
        const auto& t1 = triangles[i + 1].vertices;
        EXPECT_TRUE(t0.size() == 3 && t1.size() == 3 && t0[1].position == t1[0].position &&
                    t0[2].position == t1[2].position)
            << "triangles " << i << " and " << i + 1 << " are not one quad";
        quads.push_back({t0[0], t0[1], t1[1], t1[2]});
    }
    return quads;
}

struct Face {
    btVector3 normal;
    btVector3 corners[4];
};

TEST(PrimitiveSolids, BoxesEmitTheirFacesInOrderWithOutwardNormalsAndSpans)
{
    testing_support::OffscreenGl gl(64, 64);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    const float extent = 5.0f;
    UseFeedbackView(extent);
    glColor3f(1, 1, 1);
    glEnable(GL_COLOR_MATERIAL);
    auto drawBoxAt = [] { drawBox(-1, -2, -3, 1, 2, 3); };

    const float x0 = -1, y0 = -2, z0 = -3, x1 = 1, y1 = 2, z1 = 3;
    const Face faces[6] = {
        {{0, 0, 1}, {{x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}, {x1, y0, z1}}},
        {{0, 0, -1}, {{x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}}},
        {{-1, 0, 0}, {{x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}}},
        {{1, 0, 0}, {{x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}}},
        {{0, 1, 0}, {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}},
        {{0, -1, 0}, {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}},
    };
    const auto quads = Quads(CaptureFeedback(extent, drawBoxAt));
    ASSERT_EQ(quads.size(), 6u) << "24 vertices";
    const std::vector<btVector3> normals = CaptureNormals(extent, drawBoxAt);
    ASSERT_EQ(normals.size(), 36u);
    for (int f = 0; f < 6; ++f) {
        for (int k = 0; k < 4; ++k)
            ExpectNear(quads[f][k].position, faces[f].corners[k], 1e-3f);
        for (int k = 0; k < 6; ++k)
            ExpectNear(normals[6 * f + k], faces[f].normal, 5e-3f);
        // Counter-clockwise seen from outside.
        const btVector3& a = faces[f].corners[0];
        EXPECT_GT((faces[f].corners[1] - a).cross(faces[f].corners[2] - a).dot(faces[f].normal), 0);
    }

    // The textured box: spans (4, 0.5, 4) tile the top 4 x 4 times.
    const auto textured = Quads(
        CaptureFeedback(extent, [] { drawTexturedBox(-1, -2, -3, 1, 2, 3, 4.0f, 0.5f, 4.0f); }));
    ASSERT_EQ(textured.size(), 6u);
    const float top[4][2] = {{4, 4}, {4, 0}, {0, 0}, {0, 4}};
    const float front[4][2] = {{4, 0}, {0, 0}, {0, 0.5f}, {4, 0.5f}};
    for (int k = 0; k < 4; ++k) {
        ExpectNear(textured[4][k].position, faces[4].corners[k], 1e-3f);
        EXPECT_FLOAT_EQ(textured[4][k].texture[0], top[k][0]);
        EXPECT_FLOAT_EQ(textured[4][k].texture[1], top[k][1]);
        EXPECT_FLOAT_EQ(textured[0][k].texture[0], front[k][0]);
        EXPECT_FLOAT_EQ(textured[0][k].texture[1], front[k][1]);
    }
}

TEST(PrimitiveSolids, CappedCylinderHangsBelowTheOriginAndLeavesTheMatrixMoved)
{
    testing_support::OffscreenGl gl(64, 64);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    const float extent = 5.0f;
    UseFeedbackView(extent);
    const btTransform caller(btQuaternion(btVector3(0, 1, 1).normalized(), 0.4f),
                             btVector3(0.5f, 1, -1));
    btScalar callerMatrix[16];
    caller.getOpenGLMatrix(callerMatrix);
    const float height = 1.6f;
    GLUquadric* quadric = gluNewQuadric();
    GLfloat after[16];
    const auto vertices = Flatten(CaptureFeedback(extent, [&] {
        glPushMatrix();
        glMultMatrixf(callerMatrix);
        drawCappedCylinder(quadric, height, 0.5, 0.5, 16, 1, 1);
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        glPopMatrix();
    }));
    gluDeleteQuadric(quadric);

    // Turned a quarter about x, then moved the height along the turned z.
    const btTransform turned(btQuaternion(btVector3(1, 0, 0), SIMD_HALF_PI));
    const btTransform moved(btQuaternion::getIdentity(), btVector3(0, 0, height));
    btScalar expected[16];
    (caller * turned * moved).getOpenGLMatrix(expected);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(after[i], expected[i], 1e-5f) << i;

    // In the caller's frame: from y = 0 down to y = -height, radius 0.5, closed.
    ASSERT_FALSE(vertices.empty());
    int atTop = 0, atBottom = 0, topCentre = 0, bottomCentre = 0;
    for (const auto& v : vertices) {
        const btVector3 p = caller.invXform(v.position);
        EXPECT_GE(p.y(), -height - 1e-3f);
        EXPECT_LE(p.y(), 1e-3f);
        const float radius = btVector3(p.x(), 0, p.z()).length();
        EXPECT_LE(radius, 0.5f + 1e-3f);
        const bool top = std::abs(p.y()) < 1e-3f;
        const bool bottom = std::abs(p.y() + height) < 1e-3f;
        atTop += top;
        atBottom += bottom;
        topCentre += top && radius < 1e-3f;
        bottomCentre += bottom && radius < 1e-3f;
    }
    EXPECT_GT(atTop, 0);
    EXPECT_GT(atBottom, 0);
    EXPECT_GT(topCentre, 0) << "top cap";
    EXPECT_GT(bottomCentre, 0) << "bottom cap";
}

}  // namespace
