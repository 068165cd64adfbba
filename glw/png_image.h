#pragma once
// Decoding of PNG files held in memory into pixel rows laid out the way
// OpenGL reads them by default, so they can be uploaded without copying.

#include <cstddef>
#include <string>
#include <vector>

namespace glw {

// A decoded image: rows top row first, each padded to a multiple of 4 bytes
// (OpenGL's default unpack alignment). Colour samples come in B, G, R(, A)
// order. 8 bits per pixel are raw palette indices (the palette is not
// applied); 48 and 64 bits per pixel are 16-bit samples, big-endian.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;  // bytes from the start of one row to the next
    std::vector<unsigned char> pixels;
};

// A forged header must not make the decoder allocate without bound.
inline constexpr int kMaxPngSide = 16384;
inline constexpr std::size_t kMaxPngPixelBytes = std::size_t{64} << 20;

// Bytes per row of the given width, padded to a multiple of 4.
std::size_t PaddedStride(int width, int bitsPerPixel);

// Decodes a complete PNG file. Grey images become 24-bit (32-bit with alpha
// or a transparent colour), colour images with a transparent colour become
// 32-bit, palette images of 1, 2 or 4 bits become 8-bit indices, interlaced
// images are deinterlaced. 1 on success. Damaged, truncated or oversized
// files fail: the result is 0, image is left empty and error (when given)
// says why. Needs no OpenGL context.
int DecodePng(const unsigned char* data, std::size_t size, DecodedImage& image,
               std::string* error = nullptr);

}  // namespace glw
