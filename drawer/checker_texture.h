#pragma once
// The grey checker that textures the shape drawer's solids.

#include <GL/gl.h>

#include <vector>

// 256 x 256 RGB texels, rows bottom to top: squares of 16 x 16 texels, white
// where the sum of the square's column and row is odd, light grey (180)
// where it is even.
std::vector<unsigned char> makeCheckerImage();

// A new texture name holding the checker with its mipmaps, bound to
// GL_TEXTURE_2D, repeating, trilinear, modulating the lit colour.
GLuint uploadCheckerTexture();
