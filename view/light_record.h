#pragma once
// One light of the view. Directional lights have w = 0 in their position.

#include <GL/gl.h>

struct LightRecord {
    bool enabled = true;
    GLenum lightId = GL_LIGHT0;
    float position[4] = {0, 0, 0, 0};
    float diffuse[4] = {0, 0, 0, 0};
    float spareColour[4] = {0, 0, 0, 0};  // carried, never handed to OpenGL
};
