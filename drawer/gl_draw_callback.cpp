#include "drawer/gl_draw_callback.h"

#include <GL/gl.h>

namespace {

void Vertex(const btVector3& v)
{
    glVertex3d(v.x(), v.y(), v.z());
}

}  // namespace

void GlDrawcallback::processTriangle(btVector3* triangle, int, int)
{
    glBegin(GL_TRIANGLES);
    Vertex(triangle[0]);
    Vertex(triangle[1]);
    Vertex(triangle[2]);
    Vertex(triangle[2]);
    Vertex(triangle[1]);
    Vertex(triangle[0]);
    glEnd();
}
