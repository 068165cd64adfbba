#include "glw/texture_loader.h"

#include "common/kinetta_assert.h"
#include "glw/gl_procs.h"

#include <GL/glu.h>

#include <vector>

namespace glw {
namespace {

struct UploadFormat {
    GLint internalFormat;
    GLenum pixelFormat;
    GLenum scaleFormat;  // for gluScaleImage, which works channel by channel
};

bool FormatForBitsPerPixel(int bitsPerPixel, UploadFormat& format)
{
    switch (bitsPerPixel) {
        case 8:
            format = {GL_RGB, GL_LUMINANCE, GL_RED};
            return true;
        case 24:
            format = {GL_RGB, GL_BGR_EXT, GL_RGB};
            return true;
        case 32:
            format = {GL_RGBA, GL_BGRA_EXT, GL_RGBA};
            return true;
        default:
            return false;
    }
}

// The largest power-of-two fraction of the maximum texture size that does not
// exceed side; 0 without a current context.
GLint PowerOfTwoSide(int side)
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    while (size > side)
        size /= 2;
    return size;
}

// Rows are handed over without their stride, so OpenGL must read (and
// gluScaleImage write) exactly 4-byte padded rows whatever the caller's
// pixel-store state; that state is given back afterwards.
class PaddedRowsPixelStore {
public:
    PaddedRowsPixelStore()
    {
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        for (GLenum alignment : {GL_UNPACK_ALIGNMENT, GL_PACK_ALIGNMENT})
            glPixelStorei(alignment, 4);
        for (GLenum zeroed : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                              GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS})
            glPixelStorei(zeroed, 0);
    }
    ~PaddedRowsPixelStore() { glPopClientAttrib(); }
    PaddedRowsPixelStore(const PaddedRowsPixelStore&) = delete;
    PaddedRowsPixelStore& operator=(const PaddedRowsPixelStore&) = delete;
};

}  // namespace

TextureLoader::TextureLoader() : m_started(true) {}

TextureLoader::~TextureLoader()
{
    Shutdown();
}

void TextureLoader::Shutdown()
{
    m_started = false;
}

GLuint TextureLoader::LoadTexture(std::uint32_t id, const char* type, const ResourceModule* module)
{
    ResourceBytes bytes;
    if (!FindResource(module, id, type, bytes) || bytes.size == 0)
        return 0;
    return LoadTextureFromMemory(bytes.data, bytes.size);
}

GLuint TextureLoader::LoadTextureFromMemory(const unsigned char* data, std::size_t size)
{
    if (!m_started)
        return 0;
    DecodedImage image;
    if (!DecodePng(data, size, image))
        return 0;
    return UploadBitmap(image);
}

GLuint TextureLoader::UploadBitmap(const DecodedImage& image)
{
    const std::size_t stride = PaddedStride(image.width, image.bitsPerPixel);
    if (stride == 0 || image.height <= 0 || image.stride != stride ||
        image.pixels.size() < stride * static_cast<std::size_t>(image.height))
        return 0;
    return UploadPixels(image.width, image.height, image.bitsPerPixel, image.pixels.data());
}

GLuint TextureLoader::UploadPixels(int width, int height, int bitsPerPixel, const void* pixels)
{
    // Unsupported depths are refused before any work: the result is the same
    // 0 with no texture left behind, without scaling rows of a foreign layout.
    KINETTA_ASSERT(HasCurrentContext(), "make a context current before loading textures");
    UploadFormat format{};
    if (width <= 0 || height <= 0 || pixels == nullptr ||
        !FormatForBitsPerPixel(bitsPerPixel, format))
        return 0;

    PaddedRowsPixelStore pixelStore;
    const GLint targetWidth = PowerOfTwoSide(width);
    const GLint targetHeight = PowerOfTwoSide(height);
    if (targetWidth <= 0 || targetHeight <= 0)
        return 0;

    std::vector<unsigned char> resized;
    const void* upload = pixels;
    if (targetWidth != width || targetHeight != height) {
        resized.resize(PaddedStride(targetWidth, bitsPerPixel) *
                       static_cast<std::size_t>(targetHeight));
        if (gluScaleImage(format.scaleFormat, width, height, GL_UNSIGNED_BYTE, pixels, targetWidth,
                          targetHeight, GL_UNSIGNED_BYTE, resized.data()) != 0)
            return 0;
        upload = resized.data();
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0)
        return 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, format.internalFormat, targetWidth, targetHeight, 0,
                 format.pixelFormat, GL_UNSIGNED_BYTE, upload);
    // A refused upload (out of memory) leaves level 0 empty; asking for its
    // width detects that without disturbing the error flags of others.
    GLint storedWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &storedWidth);
    if (storedWidth != targetWidth) {
        glDeleteTextures(1, &name);
        return 0;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return name;
}

void DeleteTexture(GLuint& name)
{
    KINETTA_ASSERT(name == 0 || HasCurrentContext(),
                   "delete textures while the context that made them is current");
    if (glIsTexture(name))
        glDeleteTextures(1, &name);
    name = 0;
}

}  // namespace glw
