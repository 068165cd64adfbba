#include "drawer/primitive_solids.h"

#include "common/kinetta_assert.h"

namespace {

struct Corner {
    float x, y, z;
};

struct Face {
    float normal[3];
    Corner corners[4];
    float st[4][2];
};

// The six faces in drawing order, with their corners and the texture
// coordinates of the textured variant (spans s, t, u substituted by caller).
void EmitBox(float x0, float y0, float z0, float x1, float y1, float z1, bool textured, float s,
             float t, float u)
{
    const Face faces[6] = {
        {{0, 0, 1},
         {{x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}, {x1, y0, z1}},
         {{s, 0}, {0, 0}, {0, t}, {s, t}}},
        {{0, 0, -1},
         {{x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}},
         {{0, 0}, {0, t}, {s, t}, {s, 0}}},
        {{-1, 0, 0},
         {{x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}},
         {{u, 0}, {0, 0}, {0, t}, {u, t}}},
        {{1, 0, 0},
         {{x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}},
         {{0, 0}, {0, t}, {u, t}, {u, 0}}},
        {{0, 1, 0},
         {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}},
         {{s, u}, {s, 0}, {0, 0}, {0, u}}},
        {{0, -1, 0},
         {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
         {{s, u}, {s, 0}, {0, 0}, {0, u}}},
    };
    glBegin(GL_QUADS);
    for (const Face& face : faces) {
        glNormal3fv(face.normal);
        for (int i = 0; i < 4; ++i) {
            if (textured)
                glTexCoord2fv(face.st[i]);
            glVertex3f(face.corners[i].x, face.corners[i].y, face.corners[i].z);
        }
    }
    glEnd();
}

}  // namespace

void drawBox(float x0, float y0, float z0, float x1, float y1, float z1)
{
    EmitBox(x0, y0, z0, x1, y1, z1, false, 0, 0, 0);
}

void drawTexturedBox(float x0, float y0, float z0, float x1, float y1, float z1, float s, float t,
                     float u)
{
    EmitBox(x0, y0, z0, x1, y1, z1, true, s, t, u);
}

void drawCappedCylinder(GLUquadric* quadric, float height, double topRadius, double baseRadius,
                        int slices, int stacks, int loops)
{
    KINETTA_ASSERT(quadric != nullptr, "pass a quadric made by gluNewQuadric");
    // The quadric builds along +z; turned so that +z becomes the view's -y.
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    gluQuadricOrientation(quadric, GLU_OUTSIDE);
    gluCylinder(quadric, baseRadius, topRadius, height, slices, stacks);
    gluQuadricOrientation(quadric, GLU_INSIDE);
    gluDisk(quadric, 0.0, baseRadius, slices, loops);
    glTranslatef(0.0f, 0.0f, height);
    gluQuadricOrientation(quadric, GLU_OUTSIDE);
    gluDisk(quadric, 0.0, topRadius, slices, loops);
}
