// The shape drawer in a real off-screen context: what it emits, read back
// through feedback mode and the colour buffer, and the state it leaves.
#include "drawer/gl_shape_drawer.h"
#include "gl/gl_feedback.h"
#include "support/offscreen_gl.h"

#include <BulletCollision/CollisionShapes/btConvexPolyhedron.h>
#include <BulletCollision/CollisionShapes/btMultiSphereShape.h>
#include <BulletCollision/CollisionShapes/btUniformScalingShape.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testing_support::CaptureFeedback;
using testing_support::CaptureNormals;
using testing_support::FeedbackPrimitive;
using testing_support::Flatten;
using testing_support::OffscreenGl;
using testing_support::UseFeedbackView;

const btVector3 kWhite(1, 1, 1);
const btVector3 kNoLimitMin(-1e18f, -1e18f, -1e18f);
const btVector3 kNoLimitMax(1e18f, 1e18f, 1e18f);

// Corners and triangles of the box as the drawer numbers them.
std::vector<btVector3> BoxCorners(const btVector3& h)
{
    return {{h.x(), h.y(), h.z()},   {-h.x(), h.y(), h.z()},  {h.x(), -h.y(), h.z()},
            {-h.x(), -h.y(), h.z()}, {h.x(), h.y(), -h.z()},  {-h.x(), h.y(), -h.z()},
            {h.x(), -h.y(), -h.z()}, {-h.x(), -h.y(), -h.z()}};
}
const int kBoxTriangles[12][3] = {{0, 1, 2}, {3, 2, 1}, {4, 0, 6}, {6, 0, 2}, {5, 1, 4}, {4, 1, 0},
                                  {7, 3, 1}, {7, 1, 5}, {5, 4, 7}, {7, 4, 6}, {7, 2, 3}, {7, 6, 2}};

btTransform BodyTransform()
{
    return btTransform(btQuaternion(btVector3(1, 1, 0).normalized(), 0.7f), btVector3(1, -2, 0.5f));
}

struct Matrix {
    explicit Matrix(const btTransform& t) { t.getOpenGLMatrix(m); }
    btScalar m[16];
};

void ExpectNear(const btVector3& actual, const btVector3& expected, float tolerance,
                const char* what)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance) << what;
    EXPECT_NEAR(actual.y(), expected.y(), tolerance) << what;
    EXPECT_NEAR(actual.z(), expected.z(), tolerance) << what;
}

// Checks that 12 triangles starting at `first` are the box of half extents
// `h` placed by `placement`, with object-linear texture coordinates taken
// from `object` (the coordinates the box was specified in).
void ExpectBoxTriangles(const std::vector<FeedbackPrimitive>& primitives, std::size_t first,
                        const btVector3& h, const btTransform& placement, btScalar objectScale)
{
    const std::vector<btVector3> corners = BoxCorners(h);
    for (int t = 0; t < 12; ++t) {
        const FeedbackPrimitive& triangle = primitives[first + t];
        ASSERT_EQ(triangle.token, static_cast<GLenum>(GL_POLYGON_TOKEN));
        ASSERT_EQ(triangle.vertices.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            const btVector3& local = corners[kBoxTriangles[t][k]];
            const auto& v = triangle.vertices[k];
            ExpectNear(v.position, placement * (local * objectScale), 2e-3f, "box corner");
            // One checker square per 2.5 units of local x and z.
            EXPECT_NEAR(v.texture[0], 0.025f * local.x(), 1e-5f);
            EXPECT_NEAR(v.texture[1], 0.025f * local.z(), 1e-5f);
            EXPECT_NEAR(v.texture[2], 0.0f, 1e-6f);
            EXPECT_NEAR(v.texture[3], 1.0f, 1e-6f);
        }
    }
}

class ShapeDrawerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_gl.Ok()) << m_gl.Error(); }
    OffscreenGl m_gl{64, 64};
};

TEST_F(ShapeDrawerTest, BoxIsTwelveTrianglesWoundOutwardWithNormalsIntoTheBox)
{
    GL_ShapeDrawer drawer;
    drawer.setTextureEnabled(true);
    btBoxShape box(btVector3(1, 2, 3));
    const btTransform body = BodyTransform();
    const Matrix m(body);
    auto draw = [&] { drawer.drawShape(m.m, &box, kWhite, kNoLimitMin, kNoLimitMax); };

    const float extent = 10.0f;
    UseFeedbackView(extent);
    const auto primitives = CaptureFeedback(extent, draw);
    ASSERT_EQ(primitives.size(), 12u);
    ExpectBoxTriangles(primitives, 0, btVector3(1, 2, 3), body, 1);

    const std::vector<btVector3> normals = CaptureNormals(extent, draw);
    ASSERT_EQ(normals.size(), 36u);
    const std::vector<btVector3> corners = BoxCorners(btVector3(1, 2, 3));
    for (int t = 0; t < 12; ++t) {
        const btVector3 a = corners[kBoxTriangles[t][0]];
        const btVector3 b = corners[kBoxTriangles[t][1]];
        const btVector3 c = corners[kBoxTriangles[t][2]];
        // The face's outward direction: the axis on which all three corners agree.
        btVector3 outward(0, 0, 0);
        for (int axis = 0; axis < 3; ++axis) {
            if (a[axis] == b[axis] && b[axis] == c[axis])
                outward[axis] = a[axis] > 0 ? 1.0f : -1.0f;
        }
        ASSERT_FLOAT_EQ(outward.length(), 1.0f) << "triangle " << t << " lies in one face";
        EXPECT_GT((b - a).cross(c - a).dot(outward), 0.0f) << "triangle " << t << " winding";
        const btVector3 inwardWorld = body.getBasis() * -outward;
        for (int k = 0; k < 3; ++k)
            ExpectNear(normals[3 * t + k], inwardWorld, 5e-3f, "normal into the box");
    }
}

TEST_F(ShapeDrawerTest, CompoundDrawsItsChildrenLastToFirstUnderTheirTransforms)
{
    GL_ShapeDrawer drawer;
    drawer.setTextureEnabled(true);
    btBoxShape cube(btVector3(0.5f, 0.5f, 0.5f));
    btBoxShape bar(btVector3(1, 0.25f, 0.25f));
    btUniformScalingShape doubledBar(&bar, 2.0f);
    btCompoundShape compound;
    const btTransform cubeAt(btQuaternion::getIdentity(), btVector3(2, 0, 0));
    const btTransform barAt(btQuaternion(btVector3(0, 0, 1), SIMD_HALF_PI), btVector3(0, 3, 0));
    compound.addChildShape(cubeAt, &cube);
    compound.addChildShape(barAt, &doubledBar);

    const btTransform body = BodyTransform();
    const Matrix m(body);
    const btVector3 colour(0.2f, 0.4f, 0.6f);
    const float extent = 10.0f;
    UseFeedbackView(extent);
    const auto primitives = CaptureFeedback(
        extent, [&] { drawer.drawShape(m.m, &compound, colour, kNoLimitMin, kNoLimitMax); });

    ASSERT_EQ(primitives.size(), 24u);
    // The last child first, scaled by its wrapper; texture coordinates stay
    // in the child's own unscaled coordinates.
    ExpectBoxTriangles(primitives, 0, btVector3(1, 0.25f, 0.25f), body * barAt, 2);
    ExpectBoxTriangles(primitives, 12, btVector3(0.5f, 0.5f, 0.5f), body * cubeAt, 1);
    for (const auto& v : Flatten(primitives)) {
        EXPECT_NEAR(v.colour[0], 0.2f, 1e-3f);
        EXPECT_NEAR(v.colour[1], 0.4f, 1e-3f);
        EXPECT_NEAR(v.colour[2], 0.6f, 1e-3f);
    }
}

// The vertices drawSphereBands(radius, 10, 10) is meant to produce.
std::vector<btVector3> SphereBandVertices(float radius)
{
    const float pi = 3.1415927f;
    std::vector<btVector3> out;
    for (int i = 0; i <= 10; ++i) {
        for (const float lat : {pi * ((i - 1) / 10.0f - 0.5f), pi * (i / 10.0f - 0.5f)}) {
            for (int j = 0; j <= 10; ++j) {
                const float lng = 2 * pi * (j - 1) / 10.0f;
                out.emplace_back(std::cos(lng) * radius * std::cos(lat),
                                 std::sin(lng) * radius * std::cos(lat), radius * std::sin(lat));
            }
        }
    }
    return out;
}

float TriangleArea(const btVector3& a, const btVector3& b, const btVector3& c)
{
    return 0.5f * (b - a).cross(c - a).length();
}

// The area of the bands of SphereBandVertices, quad by quad.
float SphereBandArea(float radius)
{
    const std::vector<btVector3> v = SphereBandVertices(radius);
    float area = 0;
    for (int band = 0; band <= 10; ++band) {
        const btVector3* low = &v[band * 22];
        const btVector3* high = low + 11;
        for (int j = 0; j < 10; ++j)
            area += TriangleArea(low[j], low[j + 1], high[j + 1]) +
                    TriangleArea(low[j], high[j + 1], high[j]);
    }
    return area;
}

float Area(const std::vector<testing_support::FeedbackVertex>& triangles)
{
    float area = 0;
    for (std::size_t i = 0; i + 2 < triangles.size(); i += 3)
        area += TriangleArea(triangles[i].position, triangles[i + 1].position,
                             triangles[i + 2].position);
    return area;
}

bool Contains(const std::vector<btVector3>& points, const btVector3& p)
{
    for (const btVector3& q : points) {
        if (q.distance(p) < 1e-3f)
            return true;
    }
    return false;
}

TEST_F(ShapeDrawerTest, SpheresPlanesAndOutlinesFollowTheirConstructions)
{
    GL_ShapeDrawer drawer;
    drawer.setTextureEnabled(true);
    const btTransform identity = btTransform::getIdentity();
    const Matrix atOrigin(identity);

    // A sphere: 11 bands of 10 quads, on the radius, normals equal to the vertices.
    btSphereShape ball(0.8f);
    auto drawBall = [&] { drawer.drawShape(atOrigin.m, &ball, kWhite, kNoLimitMin, kNoLimitMax); };
    UseFeedbackView(5);
    const auto sphere = Flatten(CaptureFeedback(5, drawBall));
    ASSERT_EQ(sphere.size(), 11u * 10u * 2u * 3u);
    const std::vector<btVector3> normals = CaptureNormals(5, drawBall);
    ASSERT_EQ(normals.size(), sphere.size());
    const std::vector<btVector3> expected = SphereBandVertices(0.8f);
    for (std::size_t i = 0; i < sphere.size(); ++i) {
        EXPECT_NEAR(sphere[i].position.length(), 0.8f, 1e-3f);
        ExpectNear(normals[i], sphere[i].position, 5e-3f, "sphere normal");
        EXPECT_TRUE(Contains(expected, sphere[i].position)) << "vertex " << i;
    }
    std::vector<btVector3> drawn;
    for (const auto& v : sphere)
        drawn.push_back(v.position);
    for (const btVector3& p : expected)
        EXPECT_TRUE(Contains(drawn, p));
    // The bands are real quads, not collapsed onto their rings.
    EXPECT_NEAR(Area(sphere), SphereBandArea(0.8f), 1e-3f);

    // A multi-sphere: the radius-2 sphere at local x = 3 first, then radius 1.
    const btVector3 positions[2] = {{0, 0, 0}, {3, 0, 0}};
    const btScalar radii[2] = {1, 2};
    btMultiSphereShape pair(positions, radii, 2);
    const btTransform body = BodyTransform();
    const Matrix m(body);
    UseFeedbackView(10);
    const auto spheres = Flatten(CaptureFeedback(
        10, [&] { drawer.drawShape(m.m, &pair, kWhite, kNoLimitMin, kNoLimitMax); }));
    ASSERT_EQ(spheres.size(), 2 * sphere.size());
    for (std::size_t i = 0; i < spheres.size(); ++i) {
        const bool first = i < sphere.size();
        const btVector3 centre = body * (first ? positions[1] : positions[0]);
        EXPECT_NEAR(spheres[i].position.distance(centre), first ? 2.0f : 1.0f, 2e-3f) << i;
    }

    // A static plane y = 2: two crossed lines of 200 units in the plane.
    btStaticPlaneShape plane(btVector3(0, 1, 0), 2);
    UseFeedbackView(200);
    const auto lines = CaptureFeedback(
        200, [&] { drawer.drawShape(atOrigin.m, &plane, kWhite, kNoLimitMin, kNoLimitMax); });
    ASSERT_EQ(lines.size(), 2u);
    const btVector3 ends[4] = {{-100, 2, 0}, {100, 2, 0}, {0, 2, 100}, {0, 2, -100}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i / 2].token, static_cast<GLenum>(GL_LINE_TOKEN));
        ExpectNear(lines[i / 2].vertices[i % 2].position, ends[i], 0.02f, "plane line end");
    }

    // A custom convex shape: a flat white outline of its box, unlit, in the
    // body's x-y plane, with no matrix pushed.
    struct CustomBox : btBoxShape {
        CustomBox() : btBoxShape(btVector3(1, 0.5f, 0.25f))
        {
            m_shapeType = CUSTOM_CONVEX_SHAPE_TYPE;
        }
    } custom;
    auto expectOutline = [&](const btCollisionShape& shape, float hx, float hy) {
        glEnable(GL_LIGHTING);
        glColor3f(0.1f, 0.1f, 0.1f);
        UseFeedbackView(10);
        const auto outline = CaptureFeedback(
            10, [&] { drawer.drawShape(m.m, &shape, kWhite * 0.3f, kNoLimitMin, kNoLimitMax); });
        ASSERT_EQ(outline.size(), 4u);
        const btVector3 o = body.getOrigin();
        const btVector3 dx = body.getBasis().getColumn(0) * hx;
        const btVector3 dy = body.getBasis().getColumn(1) * hy;
        const btVector3 loop[4] = {o - dx - dy, o - dx + dy, o + dx + dy, o + dx - dy};
        for (int i = 0; i < 4; ++i) {
            ExpectNear(outline[i].vertices[0].position, loop[i], 2e-3f, "outline corner");
            ExpectNear(outline[i].vertices[1].position, loop[(i + 1) % 4], 2e-3f, "outline");
            EXPECT_FLOAT_EQ(outline[i].vertices[0].colour[0], 1.0f);
        }
    };
    expectOutline(custom, 1.0f, 0.5f);
    // One that keeps no box dimensions is outlined by its bounds.
    btBoxShape inner(btVector3(1, 0.5f, 0.25f));
    struct CustomScaled : btUniformScalingShape {
        explicit CustomScaled(btConvexShape* child) : btUniformScalingShape(child, 2.0f)
        {
            m_shapeType = CUSTOM_CONVEX_SHAPE_TYPE;
        }
    } scaled(&inner);
    btVector3 low, high;
    scaled.getAabb(btTransform::getIdentity(), low, high);
    expectOutline(scaled, 0.5f * (high.x() - low.x()), 0.5f * (high.y() - low.y()));
    EXPECT_NEAR(high.x() - low.x(), 4.0f, 0.2f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 2.0f);
}

TEST_F(ShapeDrawerTest, HullsAreBuiltOncePerShapeThroughFreeUserPointersOnly)
{
    GL_ShapeDrawer drawer;
    drawer.setTextureEnabled(true);
    const Matrix atOrigin(btTransform::getIdentity());
    auto capture = [&](const btCollisionShape& shape) {
        return Flatten(CaptureFeedback(
            5, [&] { drawer.drawShape(atOrigin.m, &shape, kWhite, kNoLimitMin, kNoLimitMax); }));
    };
    UseFeedbackView(5);

    btConeShape cone(0.5f, 1.0f);
    const auto first = capture(cone);
    ASSERT_GT(first.size(), 0u);
    void* const cache = cone.getUserPointer();
    EXPECT_NE(cache, nullptr);
    // The triangles of the shape's hull, in the hull's own order, with the
    // same normal rule as the box.
    btShapeHull hull(&cone);
    hull.buildHull(cone.getMargin());
    ASSERT_EQ(first.size(), 3u * hull.numTriangles());
    for (std::size_t i = 0; i < first.size(); ++i)
        ExpectNear(first[i].position, hull.getVertexPointer()[hull.getIndexPointer()[i]], 1e-3f,
                   "hull vertex");
    const std::vector<btVector3> normals = CaptureNormals(
        5, [&] { drawer.drawShape(atOrigin.m, &cone, kWhite, kNoLimitMin, kNoLimitMax); });
    ASSERT_EQ(normals.size(), first.size());
    for (std::size_t i = 0; i < first.size(); i += 3) {
        const btVector3& a = first[i].position;
        const btVector3 rule = (first[i + 2].position - a).cross(first[i + 1].position - a);
        if (rule.length() > 1e-3f)
            ExpectNear(normals[i], rule.normalized(), 0.01f, "hull normal");
    }
    EXPECT_EQ(drawer.hullCacheCount(), 1);
    const auto second = capture(cone);
    EXPECT_EQ(cone.getUserPointer(), cache);
    EXPECT_EQ(drawer.hullCacheCount(), 1);
    ASSERT_EQ(second.size(), first.size());
    btVector3 low, high;
    cone.getAabb(btTransform::getIdentity(), low, high);
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(second[i].position, first[i].position);
        EXPECT_TRUE(
            first[i].position.x() >= low.x() - 1e-3f && first[i].position.x() <= high.x() + 1e-3f &&
            first[i].position.y() >= low.y() - 1e-3f && first[i].position.y() <= high.y() + 1e-3f);
    }

    btConeShape otherCone(0.5f, 1.0f);
    EXPECT_EQ(capture(otherCone).size(), first.size());
    EXPECT_EQ(drawer.hullCacheCount(), 2);
    EXPECT_NE(otherCone.getUserPointer(), cache);

    // Somebody else's user pointer is neither taken for a hull nor replaced.
    int somebodyElses = 7;
    btCylinderShape cylinder(btVector3(0.5f, 1.0f, 0.5f));
    btCylinderShape twin(btVector3(0.5f, 1.0f, 0.5f));
    cylinder.setUserPointer(&somebodyElses);
    const auto own = capture(twin);
    const auto borrowed = capture(cylinder);
    ASSERT_GT(own.size(), 0u);
    ASSERT_EQ(borrowed.size(), own.size());
    for (std::size_t i = 0; i < own.size(); ++i)
        EXPECT_EQ(borrowed[i].position, own[i].position);
    EXPECT_EQ(cylinder.getUserPointer(), &somebodyElses);
    EXPECT_EQ(somebodyElses, 7);
    EXPECT_EQ(drawer.hullCacheCount(), 3);

    // A polyhedral shape with faces is drawn as fans of its faces, no hull.
    btConvexHullShape cube;
    for (int i = 0; i < 8; ++i)
        cube.addPoint(btVector3(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1), false);
    cube.recalcLocalAabb();
    ASSERT_TRUE(cube.initializePolyhedralFeatures());
    int fanTriangles = 0;
    const btConvexPolyhedron* polyhedron = cube.getConvexPolyhedron();
    for (int f = 0; f < polyhedron->m_faces.size(); ++f)
        fanTriangles += polyhedron->m_faces[f].m_indices.size() - 2;
    EXPECT_EQ(capture(cube).size(), 3u * fanTriangles);
    EXPECT_EQ(cube.getUserPointer(), nullptr);
    EXPECT_EQ(drawer.hullCacheCount(), 3);
}

// Released with a shape are the hulls of whatever is drawn as part of it,
// through compounds and scaling; other shapes keep theirs.
TEST_F(ShapeDrawerTest, ReleasingAShapeFreesTheHullsDrawnForIt)
{
    GL_ShapeDrawer drawer;
    const Matrix atOrigin(btTransform::getIdentity());
    auto draw = [&](const btCollisionShape& shape) {
        CaptureFeedback(
            5, [&] { drawer.drawShape(atOrigin.m, &shape, kWhite, kNoLimitMin, kNoLimitMax); });
    };
    UseFeedbackView(5);

    btConeShape part(0.5f, 1.0f);
    btCylinderShape inner(btVector3(0.3f, 0.5f, 0.3f));
    btUniformScalingShape scaled(&inner, 2.0f);
    btCompoundShape compound;
    compound.addChildShape(btTransform::getIdentity(), &part);
    compound.addChildShape(btTransform(btQuaternion::getIdentity(), btVector3(2, 0, 0)), &scaled);
    btConeShape kept(0.5f, 1.0f);
    int somebodyElses = 7;
    btCylinderShape borrowed(btVector3(0.5f, 1.0f, 0.5f));
    borrowed.setUserPointer(&somebodyElses);
    for (const btCollisionShape* shape :
         std::initializer_list<const btCollisionShape*>{&compound, &kept, &borrowed})
        draw(*shape);
    ASSERT_EQ(drawer.hullCacheCount(), 3);
    const auto* keptHull = drawer.hullCacheFor(&kept);

    drawer.releaseHullCaches(&compound);
    drawer.releaseHullCaches(&borrowed);
    EXPECT_EQ(drawer.hullCacheCount(), 1);
    EXPECT_EQ(part.getUserPointer(), nullptr);
    EXPECT_EQ(inner.getUserPointer(), nullptr);
    EXPECT_EQ(borrowed.getUserPointer(), &somebodyElses);
    EXPECT_EQ(drawer.hullCacheFor(&kept), keptHull);
    // A released shape that is still about gets a new hull when drawn again.
    draw(part);
    EXPECT_EQ(drawer.hullCacheCount(), 2);
    EXPECT_NE(drawer.hullCacheFor(&part), nullptr);
}

// Grey value of the colour buffer at a point of the view of UseFeedbackView(extent).
int GreyAt(const OffscreenGl& gl, float extent, float x, float y)
{
    const int column = static_cast<int>((x / extent + 1.0f) * 0.5f * gl.Width());
    const int row = static_cast<int>((y / extent + 1.0f) * 0.5f * gl.Height());
    return gl.Pixels()[(row * gl.Width() + column) * 4];
}

TEST_F(ShapeDrawerTest, CheckerIsMadeOnceForATexturedDrawerAndStateIsLeftSet)
{
    // The top of a wide box, turned to face the viewer: local x to the
    // right, local z downwards.
    btBoxShape slab(btVector3(5, 1, 5));
    const Matrix faceUp(btTransform(btQuaternion(btVector3(1, 0, 0), SIMD_HALF_PI)));
    const float extent = 5.0f;
    auto drawSlab = [&](GL_ShapeDrawer& drawer, const btVector3& colour) {
        UseFeedbackView(extent);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawer.drawShape(faceUp.m, &slab, colour, kNoLimitMin, kNoLimitMax);
        glFinish();
    };
    glEnable(GL_CULL_FACE);
    glNormal3f(1, 0, 0);

    GLuint checker = 0;
    {
        GL_ShapeDrawer drawer;
        drawer.setTextureEnabled(true);
        drawSlab(drawer, kWhite);
        checker = drawer.checkerTexture();
        ASSERT_NE(checker, 0u);
        EXPECT_TRUE(glIsTexture(checker));
        // Squares of 2.5 units alternating white and light grey, grey where
        // local x and z have the same sign next to the origin.
        EXPECT_NEAR(GreyAt(m_gl, extent, 1.25f, -1.25f), 180, 4);
        EXPECT_NEAR(GreyAt(m_gl, extent, -1.25f, 1.25f), 180, 4);
        EXPECT_NEAR(GreyAt(m_gl, extent, -1.25f, -1.25f), 255, 4);
        EXPECT_NEAR(GreyAt(m_gl, extent, 1.25f, 1.25f), 255, 4);
        EXPECT_NEAR(GreyAt(m_gl, extent, 3.75f, -1.25f), 255, 4);

        btSphereShape ball(1);
        drawer.drawShape(faceUp.m, &ball, kWhite, kNoLimitMin, kNoLimitMax);
        const btVector3 colour(0.5f, 0.25f, 1.0f);
        drawSlab(drawer, colour);
        EXPECT_EQ(drawer.checkerTexture(), checker);
        GLuint next = 0;
        glGenTextures(1, &next);
        EXPECT_EQ(next, checker + 1) << "one texture made for three drawings";
        glDeleteTextures(1, &next);

        std::vector<unsigned char> image(256 * 256 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.data());
        auto texel = [&](int x, int y) { return image[(y * 256 + x) * 3]; };
        EXPECT_EQ(texel(0, 0), 180);
        EXPECT_EQ(texel(16, 0), 255);
        EXPECT_EQ(texel(15, 16), 255);
        EXPECT_EQ(texel(31, 31), 180);
        EXPECT_EQ(texel(255, 255), 180);
        GLint smallest = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &smallest);
        EXPECT_EQ(smallest, 1) << "mipmaps down to 1 x 1";
        GLint minFilter = 0, wrap = 0, envMode = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(wrap, GL_REPEAT);
        EXPECT_EQ(envMode, GL_MODULATE);

        // What the drawing leaves behind for the next body.
        GLfloat matrix[16];
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        for (int i = 0; i < 16; ++i)
            EXPECT_FLOAT_EQ(matrix[i], i == 15 ? 1.0f : (i % 5 == 0 ? 0.025f : 0.0f)) << i;
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        for (int i = 0; i < 16; ++i)
            EXPECT_FLOAT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << "modelview popped";
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        GLint genMode = 0;
        GLfloat plane[4] = {};
        glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &genMode);
        EXPECT_EQ(genMode, GL_OBJECT_LINEAR);
        glGetTexGenfv(GL_T, GL_OBJECT_PLANE, plane);
        EXPECT_EQ(btVector4(plane[0], plane[1], plane[2], plane[3]), btVector4(0, 0, 1, 0));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T) &&
                    glIsEnabled(GL_TEXTURE_GEN_R));
        EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), checker);
        GLfloat normal[3], current[4];
        glGetFloatv(GL_CURRENT_NORMAL, normal);
        glGetFloatv(GL_CURRENT_COLOR, current);
        EXPECT_EQ(btVector3(normal[0], normal[1], normal[2]), btVector3(0, 1, 0));
        EXPECT_EQ(btVector3(current[0], current[1], current[2]), colour);
    }
    EXPECT_FALSE(glIsTexture(checker)) << "the drawer deletes its texture";

    // A drawer that starts untextured makes no texture, not even once
    // texturing is switched on later: the slab stays plain.
    {
        GL_ShapeDrawer drawer;
        drawSlab(drawer, btVector3(0.8f, 0.8f, 0.8f));
        EXPECT_TRUE(drawer.textureReady());
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        drawer.setTextureEnabled(true);
        drawSlab(drawer, btVector3(0.8f, 0.8f, 0.8f));
        EXPECT_EQ(drawer.checkerTexture(), 0u);
        for (const float x : {-1.25f, 1.25f, 3.75f})
            EXPECT_NEAR(GreyAt(m_gl, extent, x, 1.25f), 204, 2) << x;

        // A shape with nothing to draw still sets up for the next one.
        btEmptyShape empty;
        glNormal3f(1, 0, 0);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        UseFeedbackView(extent);
        EXPECT_TRUE(CaptureFeedback(extent, [&] {
                        drawer.drawShape(faceUp.m, &empty, kWhite, kNoLimitMin, kNoLimitMax);
                    }).empty());
        GLfloat normal[3], matrix[16];
        glGetFloatv(GL_CURRENT_NORMAL, normal);
        glGetFloatv(GL_TEXTURE_MATRIX, matrix);
        EXPECT_EQ(btVector3(normal[0], normal[1], normal[2]), btVector3(0, 1, 0));
        EXPECT_FLOAT_EQ(matrix[0], 0.025f);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShapeDrawerTest, ConcaveShapeDrawsTrianglesInsideTheBoundsFromBothSides)
{
    GL_ShapeDrawer drawer;
    drawer.setTextureEnabled(true);
    btTriangleMesh mesh;
    const btVector3 near[3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    mesh.addTriangle(near[0], near[1], near[2]);
    mesh.addTriangle(btVector3(50, 0, 0), btVector3(51, 0, 0), btVector3(50, 0, 1));
    btBvhTriangleMeshShape ground(&mesh, true);
    const btTransform body(btQuaternion::getIdentity(), btVector3(0, 1, 0));
    const Matrix m(body);

    const float extent = 100.0f;
    UseFeedbackView(extent);
    auto drawWithin = [&](const btVector3& low, const btVector3& high) {
        return [&, low, high] { drawer.drawShape(m.m, &ground, kWhite, low, high); };
    };
    const auto inBox = drawWithin(btVector3(-10, -10, -10), btVector3(10, 10, 10));
    const auto triangles = CaptureFeedback(extent, inBox);
    ASSERT_EQ(triangles.size(), 2u) << "one triangle, in both windings";
    const int order[2][3] = {{0, 1, 2}, {2, 1, 0}};
    for (int t = 0; t < 2; ++t) {
        for (int k = 0; k < 3; ++k)
            ExpectNear(triangles[t].vertices[k].position, body * near[order[t][k]], 0.01f,
                       "mesh vertex");
    }
    for (const btVector3& normal : CaptureNormals(extent, inBox))
        ExpectNear(normal, btVector3(0, 1, 0), 5e-3f, "mesh normal");

    EXPECT_EQ(CaptureFeedback(extent, drawWithin(kNoLimitMin, kNoLimitMax)).size(), 4u);
}

}  // namespace
