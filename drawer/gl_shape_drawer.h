#pragma once
// Draws any Bullet collision shape with immediate-mode OpenGL at a world
// transform: the renderer's path for shapes without a drawing of their own.
// Solid shapes get a generated grey checker texture by object-space texture
// coordinate generation. OpenGL state is left as the last shape set it.

#include <BulletCollision/CollisionShapes/btShapeHull.h>
#include <btBulletCollisionCommon.h>

#include <GL/gl.h>

#include <cstddef>
#include <memory>
#include <unordered_map>

class GL_ShapeDrawer {
public:
    // The convex hull of one shape that has no polyhedron of its own. Lives
    // from the first drawing of the shape until its hulls are released or
    // the drawer is destroyed.
    ATTRIBUTE_ALIGNED16(struct) HullCache
    {
        explicit HullCache(const btConvexShape* shape) : owner(shape), hull(shape) {}
        const btConvexShape* owner;
        btShapeHull hull;
    };

    GL_ShapeDrawer() = default;
    // Frees the hull caches and the checker texture, in the context it drew
    // in if a texture was made (checked). Shapes keep their user pointers.
    virtual ~GL_ShapeDrawer();
    GL_ShapeDrawer(const GL_ShapeDrawer&) = delete;
    GL_ShapeDrawer& operator=(const GL_ShapeDrawer&) = delete;

    // Draws `shape` at the column-major matrix `m` in `color`. `boundsMin` and
    // `boundsMax` limit the triangles a concave shape reports. Needs a current
    // context with the modelview matrix selected.
    virtual void drawShape(const btScalar* m, const btCollisionShape* shape, const btVector3& color,
                           const btVector3& boundsMin, const btVector3& boundsMax);

    // A sphere about the current origin in latitude and longitude quad strips;
    // the normals are the vertex positions.
    static void drawSphereBands(float radius, int lats, int longs);

    // The shape's hull, built on first use and found again through the
    // shape's user pointer. Null if that pointer belongs to somebody else.
    const HullCache* hullCacheFor(const btConvexShape* shape);
    // Frees the hulls of a shape and of every shape drawn as part of it
    // (compound parts, a scaled shape's child) and clears their user
    // pointers. Whoever deletes shapes this drawer has drawn calls it first,
    // or the hulls stay until the drawer goes. Shapes without a hull of this
    // drawer's are left alone.
    void releaseHullCaches(const btCollisionShape* shape);

    // Whether solid shapes are textured. Read on the first drawing only: the
    // checker texture is made then or never.
    void setTextureEnabled(bool enabled) { m_textureEnabled = enabled; }
    bool textureEnabled() const { return m_textureEnabled; }
    bool textureReady() const { return m_textureReady; }
    GLuint checkerTexture() const { return m_checkerTexture; }
    int hullCacheCount() const { return static_cast<int>(m_hullCaches.size()); }

private:
    void drawOutline(const btScalar* m, const btCollisionShape* shape);
    void setUpTexturing(const btVector3& color);
    void drawSolid(const btCollisionShape* shape, const btVector3& color,
                   const btVector3& boundsMin, const btVector3& boundsMax);
    void drawHull(const btConvexShape* shape);
    static void drawHullTriangles(const btShapeHull& hull);
    // A user pointer is only trusted if it is one of this drawer's caches
    // built for that very shape.
    const HullCache* ownCacheOf(const btConvexShape* shape) const;

    // Made with Bullet's aligned allocator: a hull holds 16-byte aligned vectors.
    struct HullCacheFree {
        void operator()(HullCache* cache) const;
    };
    // Keyed by the cache itself, so that a user pointer is checked without
    // being followed.
    std::unordered_map<const HullCache*, std::unique_ptr<HullCache, HullCacheFree>> m_hullCaches;
    GLuint m_checkerTexture = 0;
    bool m_textureEnabled = false;
    bool m_textureReady = false;
};
