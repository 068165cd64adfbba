#pragma once
// Bullet's debug drawing (wireframes, bounding boxes, contact points,
// constraint frames and limits) as coloured lines over the bodies. The world
// reports its lines one by one; they are gathered and drawn in one batch,
// unlit and untextured, with the depth test on, in the current context.

#include <btBulletDynamicsCommon.h>

#include <vector>

class GL_DebugDrawer : public btIDebugDraw {
public:
    // Each part of the world the drawing can show; any mix of them.
    static constexpr int kWireframe = DBG_DrawWireframe;
    static constexpr int kBoundingBoxes = DBG_DrawAabb;
    static constexpr int kContactPoints = DBG_DrawContactPoints;
    static constexpr int kConstraints = DBG_DrawConstraints | DBG_DrawConstraintLimits;
    static constexpr int kAll = kWireframe | kBoundingBoxes | kContactPoints | kConstraints;

    void drawLine(const btVector3& from, const btVector3& to, const btVector3& color) override;
    void drawLine(const btVector3& from, const btVector3& to, const btVector3& fromColor,
                  const btVector3& toColor) override;
    // A short line along the normal and a small cross at the point.
    void drawContactPoint(const btVector3& pointOnB, const btVector3& normalOnB,
                          btScalar distance, int lifeTime, const btVector3& color) override;
    void reportErrorWarning(const char*) override {}
    void draw3dText(const btVector3&, const char*) override {}
    void setDebugMode(int debugMode) override { m_mode = debugMode; }
    int getDebugMode() const override { return m_mode; }

    // Has the world report what the mode asks for and draws it: nothing at
    // all, not one OpenGL call, when the mode is 0. Needs a current context
    // with the camera's modelview matrix; leaves lighting and texturing off.
    void drawWorld(btCollisionWorld& world);

    // Lines the last drawWorld drew (0 with mode 0).
    int drawnLineCount() const { return m_drawnLines; }

    // Draws the gathered lines and empties the batch; the storage is kept.
    void flushLines() override;

private:
    void add(const btVector3& point, const btVector3& color);

    int m_mode = 0;
    int m_drawnLines = 0;
    std::vector<float> m_points;   // x, y, z per point
    std::vector<float> m_colours;  // r, g, b per point
};
