#include "drawer/handle_drawing.h"

#include <GL/gl.h>

#include <cmath>

namespace {

constexpr int kRingSegments = 64;
constexpr int kConeSides = 12;
constexpr float kConeLength = 0.2f;  // of the arrow's length
constexpr float kConeRadius = 0.06f;

const GLfloat kAxisColours[3][3] = {{0.9f, 0.15f, 0.15f}, {0.2f, 0.8f, 0.2f}, {0.2f, 0.4f, 1.0f}};
const GLfloat kActiveColour[3] = {1.0f, 0.9f, 0.1f};

btVector3 Axis(int axis)
{
    btVector3 unit(0, 0, 0);
    unit[axis] = 1;
    return unit;
}

void Vertex(const btVector3& v)
{
    glVertex3f(v.x(), v.y(), v.z());
}

}  // namespace

void drawTransformHandles(const HandleDrawing& h)
{
    glDisable(GL_DEPTH_TEST);
    glLineWidth(3.0f);
    for (int axis = 0; axis < 3; ++axis) {
        const btVector3 a = Axis(axis), u = Axis((axis + 1) % 3), v = Axis((axis + 2) % 3);
        glColor3fv(axis == h.activeRing ? kActiveColour : kAxisColours[axis]);
        const float radius = h.ringRadius * h.length;
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < kRingSegments; ++i) {
            const float angle = 2.0f * float(M_PI) * float(i) / kRingSegments;
            Vertex(h.centre + (u * std::cos(angle) + v * std::sin(angle)) * radius);
        }
        glEnd();

        glColor3fv(axis == h.activeArrow ? kActiveColour : kAxisColours[axis]);
        const btVector3 tip = h.centre + a * h.length;
        const btVector3 base = tip - a * (kConeLength * h.length);
        glBegin(GL_LINES);
        Vertex(h.centre + a * (h.arrowStart * h.length));
        Vertex(base);
        glEnd();
        glBegin(GL_TRIANGLE_FAN);
        Vertex(tip);
        for (int i = 0; i <= kConeSides; ++i) {
            const float angle = 2.0f * float(M_PI) * float(i) / kConeSides;
            Vertex(base + (u * std::cos(angle) + v * std::sin(angle)) * (kConeRadius * h.length));
        }
        glEnd();
    }
    glLineWidth(1.0f);
    glEnable(GL_DEPTH_TEST);
}
