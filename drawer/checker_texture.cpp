#include "drawer/checker_texture.h"

#include <GL/glu.h>

namespace {

constexpr int kSize = 256;
constexpr int kSquareShift = 4;  // 16 texels a square
constexpr unsigned char kLight = 255;
constexpr unsigned char kGrey = 180;

}  // namespace

std::vector<unsigned char> makeCheckerImage()
{
    std::vector<unsigned char> image(kSize * kSize * 3);
    unsigned char* texel = image.data();
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool odd = (((x >> kSquareShift) + (y >> kSquareShift)) & 1) != 0;
            const unsigned char value = odd ? kLight : kGrey;
            *texel++ = value;
            *texel++ = value;
            *texel++ = value;
        }
    }
    return image;
}

GLuint uploadCheckerTexture()
{
    const std::vector<unsigned char> image = makeCheckerImage();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // Rows of 768 bytes are 4-aligned, so the default unpack alignment fits.
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    return name;
}
