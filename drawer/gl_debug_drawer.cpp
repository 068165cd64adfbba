#include "drawer/gl_debug_drawer.h"

#include <GL/gl.h>

namespace {

// Long enough to read at the scene's scale, short enough to stay at its point.
constexpr btScalar kNormalLength = 0.5f;
constexpr btScalar kCrossHalf = 0.08f;

}  // namespace

void GL_DebugDrawer::add(const btVector3& point, const btVector3& color)
{
    m_points.insert(m_points.end(), {point.x(), point.y(), point.z()});
    m_colours.insert(m_colours.end(), {color.x(), color.y(), color.z()});
}

void GL_DebugDrawer::drawLine(const btVector3& from, const btVector3& to, const btVector3& color)
{
    add(from, color);
    add(to, color);
}

void GL_DebugDrawer::drawLine(const btVector3& from, const btVector3& to,
                              const btVector3& fromColor, const btVector3& toColor)
{
    add(from, fromColor);
    add(to, toColor);
}

void GL_DebugDrawer::drawContactPoint(const btVector3& pointOnB, const btVector3& normalOnB,
                                      btScalar, int, const btVector3& color)
{
    drawLine(pointOnB, pointOnB + normalOnB * kNormalLength, color);
    btVector3 across, along;
    btPlaneSpace1(normalOnB, across, along);
    drawLine(pointOnB - across * kCrossHalf, pointOnB + across * kCrossHalf, color);
    drawLine(pointOnB - along * kCrossHalf, pointOnB + along * kCrossHalf, color);
}

void GL_DebugDrawer::drawWorld(btCollisionWorld& world)
{
    m_drawnLines = 0;
    if (m_mode == 0)
        return;
    // The world keeps the drawer only while it reports to it.
    world.setDebugDrawer(this);
    world.debugDrawWorld();
    world.setDebugDrawer(nullptr);
    flushLines();
}

void GL_DebugDrawer::flushLines()
{
    // Bullet flushes by itself at the end of some reports: count every batch.
    m_drawnLines += static_cast<int>(m_points.size() / 6);
    if (m_points.empty())
        return;
    // The colour array leaves the current colour undefined: what the lines
    // change is put back, so the next frame starts as if they were never drawn.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_DEPTH_TEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_points.data());
    glColorPointer(3, GL_FLOAT, 0, m_colours.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(m_points.size() / 3));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopAttrib();
    m_points.clear();
    m_colours.clear();
}
