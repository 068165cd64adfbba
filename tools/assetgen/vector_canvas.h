#pragma once
// Flat vector shapes painted onto a transparent RGBA canvas with 8 x 8
// samples per pixel, and the same shapes written as SVG elements, so that one
// picture description gives a PNG at any size and a scalable file.

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace assetgen {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct RoundRect {
    double x0, y0, x1, y1, radius = 0.0;
};
struct Ellipse {
    double cx, cy, rx, ry;
};
// A thick line with round ends.
struct Capsule {
    double x0, y0, x1, y1, radius;
};
struct PolygonShape {
    std::vector<std::pair<double, double>> points;
};
// The band between two circles, optionally only between two angles (degrees,
// 0 = +x, growing clockwise on screen, from start through to end).
struct Ring {
    double cx, cy, outer, inner, startDegrees = 0.0, endDegrees = 360.0;
};

using Shape = std::variant<RoundRect, Ellipse, Capsule, PolygonShape, Ring>;

bool Contains(const Shape& shape, double x, double y);

// Solid when top and bottom are equal; otherwise a vertical gradient over
// [gradientY0, gradientY1].
struct Fill {
    Rgba top;
    Rgba bottom = top;
    double gradientY0 = 0.0, gradientY1 = 0.0;
};

struct Layer {
    Shape shape;
    Fill fill;
};

// Layers in picture units, painted first to last.
struct Picture {
    double width, height;
    std::vector<Layer> layers;
};

class RgbaCanvas {
public:
    RgbaCanvas(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgba At(int x, int y) const;
    // Rows top first, four bytes per pixel, not premultiplied.
    std::vector<std::uint8_t> Bytes() const;

    // Paints picture scaled by scale and moved by (dx, dy) canvas pixels.
    void Paint(const Picture& picture, double scale, double dx = 0.0, double dy = 0.0);

private:
    void Blend(int x, int y, Rgba colour, double coverage);

    int m_width;
    int m_height;
    std::vector<double> m_premultiplied;  // r, g, b, a in 0..1
};

// A standalone SVG document of the picture at its own size.
std::string WriteSvg(const Picture& picture);

}  // namespace assetgen
