#pragma once
// Solids with a dedicated drawing path: a box with face normals, the same box
// with texture coordinates, and a capped cylinder. They draw in the current
// modelview frame; the caller has chosen colour, material and texture.

#include <GL/gl.h>
#include <GL/glu.h>

// The box between (x0, y0, z0) and (x1, y1, z1); faces wind counter-clockwise
// seen from outside and their normals point outward.
void drawBox(float x0, float y0, float z0, float x1, float y1, float z1);

// The same box with texture coordinates: the texture repeats s times along x
// and t times along y on the front and back, u times along z on the sides
// (as s) and on the top and bottom (as t).
void drawTexturedBox(float x0, float y0, float z0, float x1, float y1, float z1, float s, float t,
                     float u);

// A cylinder along the modelview's -y axis from the origin, closed at both
// ends. Leaves the modelview matrix rotated and translated: the caller pops.
void drawCappedCylinder(GLUquadric* quadric, float height, double topRadius, double baseRadius,
                        int slices, int stacks, int loops);
