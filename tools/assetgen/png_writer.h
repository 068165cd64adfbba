#pragma once
// PNG encoding at fixed settings: 8-bit RGB (or RGBA for canvases), not interlaced, and no
// chunks besides IHDR, IDAT and IEND (no time or text), so that the same
// image always gives the same bytes with the same zlib.

#include <cstdint>
#include <vector>

#include "tools/assetgen/image.h"
#include "tools/assetgen/vector_canvas.h"

namespace assetgen {

// Throws std::runtime_error if libpng reports an error.
std::vector<std::uint8_t> EncodePng(const Image& image);
std::vector<std::uint8_t> EncodePng(const RgbaCanvas& canvas);

}  // namespace assetgen
