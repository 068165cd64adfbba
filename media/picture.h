#pragma once
// A picture as drawing code hands it on: 8-bit RGBA, rows top first, no
// padding. What the PNG writer and the video encoder take.

#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

    bool Empty() const { return width <= 0 || height <= 0; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * 4; }
    const std::uint8_t* Row(int y) const { return pixels.data() + RowBytes() * y; }
    std::uint8_t* Row(int y) { return pixels.data() + RowBytes() * y; }
};

// The largest picture Kinetta draws on either side: 8192 x 8192 RGBA is
// 256 MB, as much as one picture should hold in memory.
inline constexpr int kMaxPictureSide = 8192;
