#pragma once
// Turns the embedded PNG images into OpenGL 2D textures. The result is a
// plain texture name that the caller owns and later frees with
// DeleteTexture; 0 means that no texture could be made.

#include "glw/png_image.h"
#include "glw/resources.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

namespace glw {

// One image-library session: the scene set-up makes a loader, loads its
// textures and shuts it down. Textures outlive the loader.
// Every upload needs a current context (checked).
class TextureLoader {
public:
    TextureLoader();  // starts the image library
    ~TextureLoader();
    TextureLoader(const TextureLoader&) = delete;
    TextureLoader& operator=(const TextureLoader&) = delete;

    // Ends the session; later loads yield 0. Safe to call more than once.
    void Shutdown();
    bool IsStarted() const { return m_started; }

    // module null means the executable's own resource table.
    GLuint LoadTexture(std::uint32_t id, const char* type = "PNG",
                       const ResourceModule* module = nullptr);
    // A whole PNG file in memory.
    GLuint LoadTextureFromMemory(const unsigned char* data, std::size_t size);

    // Accepts only images whose rows are padded to 4 bytes, as DecodePng
    // delivers them.
    GLuint UploadBitmap(const DecodedImage& image);

    // pixels: height rows, top row first, each padded to a multiple of 4
    // bytes; 8 (grey levels), 24 (B, G, R) or 32 (B, G, R, A) bits per
    // pixel. Each side becomes a power of two no larger than the image's.
    // The new texture is left bound.
    GLuint UploadPixels(int width, int height, int bitsPerPixel, const void* pixels);

private:
    bool m_started = false;
};

// Deletes the texture if name is one, and sets name to 0 in every case.
void DeleteTexture(GLuint& name);

}  // namespace glw
