#include "tools/assetgen/image.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace assetgen {
namespace {

constexpr int kSamplesPerAxis = 4;
constexpr int kSamples = kSamplesPerAxis * kSamplesPerAxis;

double SampleOffset(int i)
{
    return (i + 0.5) / kSamplesPerAxis;
}

std::uint8_t Mix(std::uint8_t under, std::uint8_t over, int covered)
{
    return static_cast<std::uint8_t>(
        (under * (kSamples - covered) + over * covered + kSamples / 2) / kSamples);
}

}  // namespace

Image::Image(int width, int height, Rgb background) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("image sides must be positive");
    m_rgb.resize(static_cast<std::size_t>(width) * height * 3);
    FillRect({0, 0, width, height}, background);
}

Rgb Image::At(int x, int y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 3;
    return {m_rgb.at(i), m_rgb.at(i + 1), m_rgb.at(i + 2)};
}

void Image::Set(int x, int y, Rgb colour)
{
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 3;
    m_rgb.at(i) = colour.r;
    m_rgb.at(i + 1) = colour.g;
    m_rgb.at(i + 2) = colour.b;
}

void Image::FillRect(const PixelRect& rect, Rgb colour)
{
    for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, m_height); ++y)
        for (int x = std::max(rect.x0, 0); x < std::min(rect.x1, m_width); ++x)
            Set(x, y, colour);
}

void Image::Paint(Rgb colour, const std::function<bool(double, double)>& inside,
                  const PixelRect& bounds)
{
    for (int y = std::max(bounds.y0, 0); y < std::min(bounds.y1, m_height); ++y)
        for (int x = std::max(bounds.x0, 0); x < std::min(bounds.x1, m_width); ++x) {
            int covered = 0;
            for (int sy = 0; sy < kSamplesPerAxis; ++sy)
                for (int sx = 0; sx < kSamplesPerAxis; ++sx)
                    covered += inside(x + SampleOffset(sx), y + SampleOffset(sy)) ? 1 : 0;
            if (covered == 0)
                continue;
            const Rgb under = At(x, y);
            Set(x, y,
                {Mix(under.r, colour.r, covered), Mix(under.g, colour.g, covered),
                 Mix(under.b, colour.b, covered)});
        }
}

void Image::PaintDisc(double cx, double cy, double radius, Rgb colour)
{
    const PixelRect bounds{
        static_cast<int>(std::floor(cx - radius)), static_cast<int>(std::floor(cy - radius)),
        static_cast<int>(std::ceil(cx + radius)) + 1, static_cast<int>(std::ceil(cy + radius)) + 1};
    Paint(
        colour,
        [&](double x, double y) {
            const double dx = x - cx, dy = y - cy;
            return dx * dx + dy * dy <= radius * radius;
        },
        bounds);
}

void Image::ShadeGrey(const std::function<double(double, double)>& level, std::uint8_t dark,
                      std::uint8_t light)
{
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            double sum = 0.0;
            for (int sy = 0; sy < kSamplesPerAxis; ++sy)
                for (int sx = 0; sx < kSamplesPerAxis; ++sx)
                    sum += std::clamp(level(x + SampleOffset(sx), y + SampleOffset(sy)), 0.0, 1.0);
            const double grey = dark + (light - dark) * (sum / kSamples);
            const auto value = static_cast<std::uint8_t>(std::lround(grey));
            Set(x, y, {value, value, value});
        }
}

}  // namespace assetgen
