// Pictures made of plain patterns: waves, disc, metal streaks and checker.
#include <cmath>

#include "tools/assetgen/pictures.h"

namespace assetgen {
namespace {

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

Image MakeWaves()
{
    const int side = 256;
    const double period = 128.0;  // divides the side, so the image tiles
    const double amplitude = 22.0;
    const double halfThickness = 5.0;
    Image image(side, side, {255, 214, 32});
    for (const double baseline : {64.0, 192.0}) {
        image.Paint({0, 0, 0},
                    [&](double x, double y) {
                        const double phase = kTwoPi * x / period;
                        const double slope = amplitude * kTwoPi / period * std::cos(phase);
                        // Vertical distance scaled to the distance across the line.
                        const double offset = y - (baseline + amplitude * std::sin(phase));
                        return offset * offset <=
                               halfThickness * halfThickness * (1 + slope * slope);
                    },
                    {0, static_cast<int>(baseline - amplitude - 2 * halfThickness), side,
                     static_cast<int>(baseline + amplitude + 2 * halfThickness) + 1});
    }
    return image;
}

Image MakeDisc()
{
    Image image(256, 128, {204, 24, 24});
    image.PaintDisc(128.0, 64.0, 52.0, {255, 255, 255});
    return image;
}

Image MakeMetalStreaks()
{
    const double side = 64.0;
    Image image(64, 64, {});
    image.ShadeGrey(
        [&](double x, double y) {
            // Streaks run across the image and wander a little up and down.
            const double u = y / side + 0.05 * std::sin(kTwoPi * x / side) +
                             0.025 * std::sin(kTwoPi * (2.0 * x / side + 0.3));
            return 0.55 + 0.22 * std::sin(kTwoPi * 3.0 * u) +
                   0.13 * std::sin(kTwoPi * (7.0 * u + 0.25)) +
                   0.07 * std::sin(kTwoPi * (13.0 * u + 0.6));
        },
        48, 240);
    return image;
}

Image MakeChecker()
{
    const int side = 256;
    const int square = side / 2;
    const int border = 4;  // per square side: tiled copies meet in 8-pixel lines
    const Rgb grey{128, 128, 128};
    const Rgb white{255, 255, 255};
    const Rgb cyan{64, 224, 224};
    Image image(side, side, grey);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
            const int left = column * square, top = row * square;
            image.FillRect(
                {left + border, top + border, left + square - border, top + square - border},
                (row + column) % 2 == 0 ? white : cyan);
        }
    return image;
}

}  // namespace assetgen
