#include "tools/assetgen/vector_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace assetgen {
namespace {

constexpr int kSamplesPerAxis = 8;
constexpr double kPi = 3.14159265358979323846;

struct Bounds {
    double x0, y0, x1, y1;
};

Bounds BoundsOf(const Shape& shape)
{
    struct Visitor {
        Bounds operator()(const RoundRect& s) const { return {s.x0, s.y0, s.x1, s.y1}; }
        Bounds operator()(const Ellipse& s) const
        {
            return {s.cx - s.rx, s.cy - s.ry, s.cx + s.rx, s.cy + s.ry};
        }
        Bounds operator()(const Capsule& s) const
        {
            return {std::min(s.x0, s.x1) - s.radius, std::min(s.y0, s.y1) - s.radius,
                    std::max(s.x0, s.x1) + s.radius, std::max(s.y0, s.y1) + s.radius};
        }
        Bounds operator()(const PolygonShape& s) const
        {
            Bounds b{1e9, 1e9, -1e9, -1e9};
            for (const auto& [x, y] : s.points)
                b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
            return b;
        }
        Bounds operator()(const Ring& s) const
        {
            return {s.cx - s.outer, s.cy - s.outer, s.cx + s.outer, s.cy + s.outer};
        }
    };
    return std::visit(Visitor{}, shape);
}

bool InRoundRect(const RoundRect& s, double x, double y)
{
    if (x < s.x0 || x > s.x1 || y < s.y0 || y > s.y1)
        return false;
    const double cx = std::clamp(x, s.x0 + s.radius, s.x1 - s.radius);
    const double cy = std::clamp(y, s.y0 + s.radius, s.y1 - s.radius);
    const double dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= s.radius * s.radius;
}

bool InCapsule(const Capsule& s, double x, double y)
{
    const double vx = s.x1 - s.x0, vy = s.y1 - s.y0;
    const double length2 = vx * vx + vy * vy;
    double t = length2 > 0.0 ? ((x - s.x0) * vx + (y - s.y0) * vy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = x - (s.x0 + t * vx), dy = y - (s.y0 + t * vy);
    return dx * dx + dy * dy <= s.radius * s.radius;
}

// Even-odd rule.
bool InPolygon(const PolygonShape& s, double x, double y)
{
    bool inside = false;
    const std::size_t n = s.points.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const auto [xi, yi] = s.points[i];
        const auto [xj, yj] = s.points[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
            inside = !inside;
    }
    return inside;
}

bool InRing(const Ring& s, double x, double y)
{
    const double dx = x - s.cx, dy = y - s.cy;
    const double d2 = dx * dx + dy * dy;
    if (d2 > s.outer * s.outer || d2 < s.inner * s.inner)
        return false;
    double angle = std::atan2(dy, dx) * 180.0 / kPi;
    const double sweep = s.endDegrees - s.startDegrees;
    double from = std::fmod(angle - s.startDegrees, 360.0);
    if (from < 0.0)
        from += 360.0;
    return sweep >= 360.0 || from <= sweep;
}

Rgba FillAt(const Fill& fill, double y)
{
    if (fill.gradientY1 <= fill.gradientY0)
        return fill.top;
    const double t =
        std::clamp((y - fill.gradientY0) / (fill.gradientY1 - fill.gradientY0), 0.0, 1.0);
    auto mix = [t](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
    };
    return {mix(fill.top.r, fill.bottom.r), mix(fill.top.g, fill.bottom.g),
            mix(fill.top.b, fill.bottom.b), mix(fill.top.a, fill.bottom.a)};
}

std::string Colour(Rgba c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string Opacity(const char* attribute, Rgba c)
{
    if (c.a == 255)
        return "";
    return std::string(" ") + attribute + "=\"" + Number(c.a / 255.0) + "\"";
}

}  // namespace

bool Contains(const Shape& shape, double x, double y)
{
    struct Visitor {
        double x, y;
        bool operator()(const RoundRect& s) const { return InRoundRect(s, x, y); }
        bool operator()(const Ellipse& s) const
        {
            const double dx = (x - s.cx) / s.rx, dy = (y - s.cy) / s.ry;
            return dx * dx + dy * dy <= 1.0;
        }
        bool operator()(const Capsule& s) const { return InCapsule(s, x, y); }
        bool operator()(const PolygonShape& s) const { return InPolygon(s, x, y); }
        bool operator()(const Ring& s) const { return InRing(s, x, y); }
    };
    return std::visit(Visitor{x, y}, shape);
}

RgbaCanvas::RgbaCanvas(int width, int height) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("canvas sides must be positive");
    m_premultiplied.assign(static_cast<std::size_t>(width) * height * 4, 0.0);
}

Rgba RgbaCanvas::At(int x, int y) const
{
    const std::vector<std::uint8_t> bytes = Bytes();
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 4;
    return {bytes.at(i), bytes.at(i + 1), bytes.at(i + 2), bytes.at(i + 3)};
}

std::vector<std::uint8_t> RgbaCanvas::Bytes() const
{
    std::vector<std::uint8_t> out(m_premultiplied.size());
    for (std::size_t i = 0; i < out.size(); i += 4) {
        const double a = m_premultiplied[i + 3];
        auto channel = [&](double v) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
        };
        // Fully transparent pixels carry black, so equal pictures give equal bytes.
        for (int c = 0; c < 3; ++c)
            out[i + c] = a > 0.0 ? channel(m_premultiplied[i + c] / a) : 0;
        out[i + 3] = channel(a);
    }
    return out;
}

void RgbaCanvas::Blend(int x, int y, Rgba colour, double coverage)
{
    const double alpha = coverage * colour.a / 255.0;
    double* p = &m_premultiplied[(static_cast<std::size_t>(y) * m_width + x) * 4];
    const double source[3] = {colour.r / 255.0, colour.g / 255.0, colour.b / 255.0};
    for (int c = 0; c < 3; ++c)
        p[c] = source[c] * alpha + p[c] * (1.0 - alpha);
    p[3] = alpha + p[3] * (1.0 - alpha);
}

void RgbaCanvas::Paint(const Picture& picture, double scale, double dx, double dy)
{
    constexpr int kSamples = kSamplesPerAxis * kSamplesPerAxis;
    for (const Layer& layer : picture.layers) {
        const Bounds b = BoundsOf(layer.shape);
        const int x0 = std::max(0, static_cast<int>(std::floor(b.x0 * scale + dx)));
        const int y0 = std::max(0, static_cast<int>(std::floor(b.y0 * scale + dy)));
        const int x1 = std::min(m_width, static_cast<int>(std::ceil(b.x1 * scale + dx)) + 1);
        const int y1 = std::min(m_height, static_cast<int>(std::ceil(b.y1 * scale + dy)) + 1);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                int covered = 0;
                for (int sy = 0; sy < kSamplesPerAxis; ++sy)
                    for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
                        const double px = (x + (sx + 0.5) / kSamplesPerAxis - dx) / scale;
                        const double py = (y + (sy + 0.5) / kSamplesPerAxis - dy) / scale;
                        covered += Contains(layer.shape, px, py) ? 1 : 0;
                    }
                if (covered > 0)
                    Blend(x, y, FillAt(layer.fill, (y + 0.5 - dy) / scale),
                          static_cast<double>(covered) / kSamples);
            }
    }
}

std::string WriteSvg(const Picture& picture)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(picture.width) +
           "\" height=\"" + Number(picture.height) + "\" viewBox=\"0 0 " + Number(picture.width) +
           " " + Number(picture.height) + "\">\n";
    std::string defs;
    std::string body;
    int gradients = 0;
    for (const Layer& layer : picture.layers) {
        std::string paint;
        const Fill& fill = layer.fill;
        if (fill.gradientY1 > fill.gradientY0) {
            const std::string id = "g" + std::to_string(gradients++);
            defs += "  <linearGradient id=\"" + id +
                    "\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"" + Number(fill.gradientY0) +
                    "\" x2=\"0\" y2=\"" + Number(fill.gradientY1) +
                    "\">\n    <stop offset=\"0\" stop-color=\"" + Colour(fill.top) + "\"" +
                    Opacity("stop-opacity", fill.top) + "/>\n    <stop offset=\"1\" stop-color=\"" +
                    Colour(fill.bottom) + "\"" + Opacity("stop-opacity", fill.bottom) +
                    "/>\n  </linearGradient>\n";
            paint = "fill=\"url(#" + id + ")\"";
        } else {
            paint = "fill=\"" + Colour(fill.top) + "\"" + Opacity("fill-opacity", fill.top);
        }
        struct Visitor {
            const std::string& paint;
            std::string operator()(const RoundRect& s) const
            {
                return "<rect x=\"" + Number(s.x0) + "\" y=\"" + Number(s.y0) + "\" width=\"" +
                       Number(s.x1 - s.x0) + "\" height=\"" + Number(s.y1 - s.y0) + "\" rx=\"" +
                       Number(s.radius) + "\" " + paint + "/>";
            }
            std::string operator()(const Ellipse& s) const
            {
                return "<ellipse cx=\"" + Number(s.cx) + "\" cy=\"" + Number(s.cy) + "\" rx=\"" +
                       Number(s.rx) + "\" ry=\"" + Number(s.ry) + "\" " + paint + "/>";
            }
            std::string operator()(const Capsule& s) const
            {
                // A stroke takes the fill's colour: swap the attribute names.
                std::string stroke = paint;
                stroke.replace(0, 4, "stroke");
                if (const auto at = stroke.find("fill-opacity"); at != std::string::npos)
                    stroke.replace(at, 4, "stroke");
                return "<line x1=\"" + Number(s.x0) + "\" y1=\"" + Number(s.y0) + "\" x2=\"" +
                       Number(s.x1) + "\" y2=\"" + Number(s.y1) + "\" stroke-width=\"" +
                       Number(2 * s.radius) + "\" stroke-linecap=\"round\" " + stroke + "/>";
            }
            std::string operator()(const PolygonShape& s) const
            {
                std::string points;
                for (const auto& [x, y] : s.points)
                    points += (points.empty() ? "" : " ") + Number(x) + "," + Number(y);
                return "<polygon points=\"" + points + "\" fill-rule=\"evenodd\" " + paint + "/>";
            }
            std::string operator()(const Ring&) const
            {
                throw std::invalid_argument("rings have no SVG form here");
            }
        };
        body += "  " + std::visit(Visitor{paint}, layer.shape) + "\n";
    }
    if (!defs.empty())
        out += " <defs>\n" + defs + " </defs>\n";
    return out + body + "</svg>\n";
}

}  // namespace assetgen
