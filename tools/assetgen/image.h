#pragma once
// A small RGB canvas with anti-aliased painting: every pixel is covered by a
// 4 x 4 grid of fixed sample points, and a shape's colour is blended in by the
// share of samples inside it. No randomness and no state outside the image,
// so the same picture comes out on every run.

#include <cstdint>
#include <functional>
#include <vector>

namespace assetgen {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// Pixel-edge rectangle [x0, x1) x [y0, y1).
struct PixelRect {
    int x0, y0, x1, y1;
};

class Image {
public:
    Image(int width, int height, Rgb background);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgb At(int x, int y) const;
    // Rows top first, three bytes per pixel.
    const std::vector<std::uint8_t>& Bytes() const { return m_rgb; }

    void FillRect(const PixelRect& rect, Rgb colour);
    // Blends colour into the pixels of bounds by the share of their samples for
    // which inside(x, y) holds; (x, y) are image coordinates, pixel (0, 0)
    // spanning [0, 1) x [0, 1).
    void Paint(Rgb colour, const std::function<bool(double x, double y)>& inside,
               const PixelRect& bounds);
    void PaintDisc(double cx, double cy, double radius, Rgb colour);
    // Sets every pixel to the grey between dark and light that level(x, y),
    // clamped to 0..1 and averaged over the samples, selects.
    void ShadeGrey(const std::function<double(double x, double y)>& level, std::uint8_t dark,
                   std::uint8_t light);

private:
    void Set(int x, int y, Rgb colour);

    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_rgb;
};

}  // namespace assetgen
