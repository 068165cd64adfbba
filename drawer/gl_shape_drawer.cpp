#include "drawer/gl_shape_drawer.h"

#include "common/kinetta_assert.h"

#include "drawer/checker_texture.h"
#include "drawer/gl_draw_callback.h"

#include <BulletCollision/CollisionShapes/btConvexPolyhedron.h>
#include <BulletCollision/CollisionShapes/btMultiSphereShape.h>
#include <BulletCollision/CollisionShapes/btUniformScalingShape.h>

#include <cmath>
#include <new>

namespace {

constexpr float kPi = 3.1415927f;
// One checker square (a sixteenth of the texture) covers 2.5 units.
constexpr float kTextureScale = 0.025f;
constexpr float kPlaneLineReach = 100.0f;
constexpr int kSphereBands = 10;

// The triangles come wound counter-clockwise seen from outside, so this
// normal points into the solid; it is kept that way for the look the scene
// was tuned with.
void Triangle(const btVector3& a, const btVector3& b, const btVector3& c)
{
    btVector3 normal = (c - a).cross(b - a);
    // A degenerate triangle would otherwise get a NaN normal.
    if (normal.length2() > SIMD_EPSILON * SIMD_EPSILON)
        normal.normalize();
    glNormal3f(normal.x(), normal.y(), normal.z());
    glVertex3f(a.x(), a.y(), a.z());
    glVertex3f(b.x(), b.y(), b.z());
    glVertex3f(c.x(), c.y(), c.z());
}

void DrawBoxTriangles(const btBoxShape& box)
{
    const btVector3 h = box.getHalfExtentsWithMargin();
    const btVector3 corners[8] = {
        {h.x(), h.y(), h.z()},   {-h.x(), h.y(), h.z()},   {h.x(), -h.y(), h.z()},
        {-h.x(), -h.y(), h.z()}, {h.x(), h.y(), -h.z()},   {-h.x(), h.y(), -h.z()},
        {h.x(), -h.y(), -h.z()}, {-h.x(), -h.y(), -h.z()},
    };
    static const int kTriangles[12][3] = {{0, 1, 2}, {3, 2, 1}, {4, 0, 6}, {6, 0, 2},
                                          {5, 1, 4}, {4, 1, 0}, {7, 3, 1}, {7, 1, 5},
                                          {5, 4, 7}, {7, 4, 6}, {7, 2, 3}, {7, 6, 2}};
    glBegin(GL_TRIANGLES);
    for (const auto& t : kTriangles)
        Triangle(corners[t[0]], corners[t[1]], corners[t[2]]);
    glEnd();
}

void DrawPolyhedronFans(const btConvexPolyhedron& polyhedron)
{
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < polyhedron.m_faces.size(); ++f) {
        const btAlignedObjectArray<int>& index = polyhedron.m_faces[f].m_indices;
        for (int k = 0; k + 2 < index.size(); ++k)
            Triangle(polyhedron.m_vertices[index[0]], polyhedron.m_vertices[index[k + 1]],
                     polyhedron.m_vertices[index[k + 2]]);
    }
    glEnd();
}

void DrawPlaneCross(const btStaticPlaneShape& plane)
{
    const btVector3& n = plane.getPlaneNormal();
    const btVector3 o = n * plane.getPlaneConstant();
    btVector3 p, q;
    btPlaneSpace1(n, p, q);
    const btVector3 ends[4] = {o + p * kPlaneLineReach, o - p * kPlaneLineReach,
                               o + q * kPlaneLineReach, o - q * kPlaneLineReach};
    glBegin(GL_LINES);
    for (const btVector3& v : ends)
        glVertex3f(v.x(), v.y(), v.z());
    glEnd();
}

// The half extents of the flat outline, as a box would report them. Shapes
// that keep no box-like dimensions fall back to their local bounds.
btVector3 OutlineHalfExtents(const btCollisionShape* shape)
{
    if (const auto* convex = dynamic_cast<const btConvexInternalShape*>(shape)) {
        const btScalar margin = convex->getMargin();
        return convex->getImplicitShapeDimensions() + btVector3(margin, margin, margin);
    }
    btVector3 low, high;
    shape->getAabb(btTransform::getIdentity(), low, high);
    return (high - low) * btScalar(0.5);
}

bool HasCurrentContext()
{
    return glGetString(GL_VERSION) != nullptr;
}

bool IsConvexType(int type)
{
    return type < CONCAVE_SHAPES_START_HERE;
}

bool IsFiniteConcaveType(int type)
{
    return type > CONCAVE_SHAPES_START_HERE && type < CONCAVE_SHAPES_END_HERE &&
           type != STATIC_PLANE_PROXYTYPE;
}

}  // namespace

GL_ShapeDrawer::~GL_ShapeDrawer()
{
    m_hullCaches.clear();
    if (m_textureReady) {
        KINETTA_ASSERT(m_checkerTexture == 0 || HasCurrentContext(),
                       "destroy the drawer while the context it drew in is current");
        glDeleteTextures(1, &m_checkerTexture);
    }
}

void GL_ShapeDrawer::drawShape(const btScalar* m, const btCollisionShape* shape,
                               const btVector3& color, const btVector3& boundsMin,
                               const btVector3& boundsMax)
{
    KINETTA_ASSERT(m != nullptr && shape != nullptr, "pass a matrix and a shape to draw");
    const int type = shape->getShapeType();
    if (type == CUSTOM_CONVEX_SHAPE_TYPE) {
        drawOutline(m, shape);
        return;
    }

    glPushMatrix();
    glMultMatrixf(m);
    if (type == UNIFORM_SCALING_SHAPE_PROXYTYPE) {
        if (const auto* scaling = dynamic_cast<const btUniformScalingShape*>(shape)) {
            const btScalar s = scaling->getUniformScalingFactor();
            const btScalar scale[16] = {s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1};
            drawShape(scale, scaling->getChildShape(), color, boundsMin, boundsMax);
        }
    } else if (type == COMPOUND_SHAPE_PROXYTYPE) {
        if (const auto* compound = dynamic_cast<const btCompoundShape*>(shape)) {
            for (int i = compound->getNumChildShapes() - 1; i >= 0; --i) {
                btScalar child[16];
                compound->getChildTransform(i).getOpenGLMatrix(child);
                drawShape(child, compound->getChildShape(i), color, boundsMin, boundsMax);
            }
        }
    } else {
        setUpTexturing(color);
        drawSolid(shape, color, boundsMin, boundsMax);
        glNormal3f(0.0f, 1.0f, 0.0f);
        if (IsFiniteConcaveType(type)) {
            if (const auto* concave = dynamic_cast<const btConcaveShape*>(shape)) {
                GlDrawcallback callback;
                concave->processAllTriangles(&callback, boundsMin, boundsMax);
            }
        }
    }
    glPopMatrix();
}

void GL_ShapeDrawer::drawOutline(const btScalar* m, const btCollisionShape* shape)
{
    const btVector3 h = OutlineHalfExtents(shape);
    const btVector3 o(m[12], m[13], m[14]);
    const btVector3 dx = btVector3(m[0], m[1], m[2]) * h.x();
    const btVector3 dy = btVector3(m[4], m[5], m[6]) * h.y();
    const btVector3 corners[4] = {o - dx - dy, o - dx + dy, o + dx + dy, o + dx - dy};
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glLineWidth(2.0f);
    glBegin(GL_LINE_LOOP);
    for (const btVector3& v : corners)
        glVertex3d(v.x(), v.y(), v.z());
    glEnd();
}

void GL_ShapeDrawer::setUpTexturing(const btVector3& color)
{
    if (m_textureEnabled && !m_textureReady)
        m_checkerTexture = uploadCheckerTexture();

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(kTextureScale, kTextureScale, kTextureScale);
    glMatrixMode(GL_MODELVIEW);

    static const GLfloat kPlaneS[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    static const GLfloat kPlaneT[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, kPlaneS);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, kPlaneT);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_R);
    // Settled on the first call either way: a drawer that starts untextured
    // stays untextured.
    m_textureReady = true;

    glEnable(GL_COLOR_MATERIAL);
    if (m_textureEnabled) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, m_checkerTexture);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    glColor3f(color.x(), color.y(), color.z());
}

void GL_ShapeDrawer::drawSolid(const btCollisionShape* shape, const btVector3& color,
                               const btVector3& boundsMin, const btVector3& boundsMax)
{
    const int type = shape->getShapeType();
    if (type == BOX_SHAPE_PROXYTYPE) {
        if (const auto* box = dynamic_cast<const btBoxShape*>(shape))
            DrawBoxTriangles(*box);
    } else if (type == SPHERE_SHAPE_PROXYTYPE) {
        // A sphere shape's margin is its radius.
        drawSphereBands(shape->getMargin(), kSphereBands, kSphereBands);
    } else if (type == MULTI_SPHERE_SHAPE_PROXYTYPE) {
        const auto* multi = dynamic_cast<const btMultiSphereShape*>(shape);
        if (multi == nullptr)
            return;
        btTransform child = btTransform::getIdentity();
        for (int i = multi->getSphereCount() - 1; i >= 0; --i) {
            const btSphereShape sphere(multi->getSphereRadius(i));
            child.setOrigin(multi->getSpherePosition(i));
            btScalar matrix[16];
            child.getOpenGLMatrix(matrix);
            drawShape(matrix, &sphere, color, boundsMin, boundsMax);
        }
    } else if (type == STATIC_PLANE_PROXYTYPE) {
        if (const auto* plane = dynamic_cast<const btStaticPlaneShape*>(shape))
            DrawPlaneCross(*plane);
    } else if (IsConvexType(type)) {
        const btConvexPolyhedron* polyhedron = nullptr;
        if (type < IMPLICIT_CONVEX_SHAPES_START_HERE) {
            if (const auto* p = dynamic_cast<const btPolyhedralConvexShape*>(shape))
                polyhedron = p->getConvexPolyhedron();
        }
        if (polyhedron != nullptr)
            DrawPolyhedronFans(*polyhedron);
        else if (const auto* convex = dynamic_cast<const btConvexShape*>(shape))
            drawHull(convex);
    }
}

void GL_ShapeDrawer::drawHull(const btConvexShape* shape)
{
    if (const HullCache* cache = hullCacheFor(shape)) {
        drawHullTriangles(cache->hull);
        return;
    }
    // The user pointer is somebody else's: draw from a hull of the moment
    // rather than take their data for ours.
    btShapeHull hull(shape);
    hull.buildHull(shape->getMargin());
    drawHullTriangles(hull);
}

void GL_ShapeDrawer::drawHullTriangles(const btShapeHull& hull)
{
    if (hull.numTriangles() <= 0)
        return;
    const btVector3* vertices = hull.getVertexPointer();
    const unsigned int* index = hull.getIndexPointer();
    glBegin(GL_TRIANGLES);
    for (int t = 0; t < hull.numTriangles(); ++t, index += 3)
        Triangle(vertices[index[0]], vertices[index[1]], vertices[index[2]]);
    glEnd();
}

const GL_ShapeDrawer::HullCache* GL_ShapeDrawer::hullCacheFor(const btConvexShape* shape)
{
    if (shape->getUserPointer() != nullptr)
        return ownCacheOf(shape);

    void* memory = btAlignedAlloc(sizeof(HullCache), 16);
    std::unique_ptr<HullCache, HullCacheFree> cache(new (memory) HullCache(shape));
    cache->hull.buildHull(shape->getMargin());
    const HullCache* made = cache.get();
    m_hullCaches.emplace(made, std::move(cache));
    // Drawing does not change the shape; its user pointer is the drawer's.
    const_cast<btConvexShape*>(shape)->setUserPointer(const_cast<HullCache*>(made));
    return made;
}

void GL_ShapeDrawer::releaseHullCaches(const btCollisionShape* shape)
{
    KINETTA_ASSERT(shape != nullptr, "pass the shape whose hulls are to go");
    const int type = shape->getShapeType();
    if (type == UNIFORM_SCALING_SHAPE_PROXYTYPE) {
        if (const auto* scaling = dynamic_cast<const btUniformScalingShape*>(shape))
            releaseHullCaches(scaling->getChildShape());
    } else if (type == COMPOUND_SHAPE_PROXYTYPE) {
        if (const auto* compound = dynamic_cast<const btCompoundShape*>(shape)) {
            for (int i = 0; i < compound->getNumChildShapes(); ++i)
                releaseHullCaches(compound->getChildShape(i));
        }
    } else if (const auto* convex = dynamic_cast<const btConvexShape*>(shape)) {
        if (const HullCache* cache = ownCacheOf(convex)) {
            const_cast<btConvexShape*>(convex)->setUserPointer(nullptr);
            m_hullCaches.erase(cache);
        }
    }
}

const GL_ShapeDrawer::HullCache* GL_ShapeDrawer::ownCacheOf(const btConvexShape* shape) const
{
    const auto* cache = static_cast<const HullCache*>(shape->getUserPointer());
    if (m_hullCaches.count(cache) == 0 || cache->owner != shape)
        return nullptr;
    return cache;
}

void GL_ShapeDrawer::HullCacheFree::operator()(HullCache* cache) const
{
    cache->~HullCache();
    btAlignedFree(cache);
}

void GL_ShapeDrawer::drawSphereBands(float radius, int lats, int longs)
{
    for (int i = 0; i <= lats; ++i) {
        const float lat0 = kPi * (static_cast<float>(i - 1) / lats - 0.5f);
        const float z0 = radius * std::sin(lat0);
        const float zr0 = radius * std::cos(lat0);
        const float lat1 = kPi * (static_cast<float>(i) / lats - 0.5f);
        const float z1 = radius * std::sin(lat1);
        const float zr1 = radius * std::cos(lat1);
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= longs; ++j) {
            const float lng = 2.0f * kPi * static_cast<float>(j - 1) / longs;
            const float x = std::cos(lng);
            const float y = std::sin(lng);
            glNormal3f(x * zr1, y * zr1, z1);
            glVertex3f(x * zr1, y * zr1, z1);
            glNormal3f(x * zr0, y * zr0, z0);
            glVertex3f(x * zr0, y * zr0, z0);
        }
        glEnd();
    }
}
