#include "tools/assetgen/insert_pictures.h"

#include <initializer_list>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

namespace assetgen {
namespace {

constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

// Bullet's own shapes in one blue, the scene's kinds in their own colours,
// the static pieces in stone grey; light from the upper left.
const Rgba kEdge{30, 50, 100};
const Rgba kFace{90, 140, 220};
const Rgba kTop{160, 196, 245};
const Rgba kSide{60, 104, 180};

Layer Solid(Shape shape, Rgba colour)
{
    return {std::move(shape), Fill{colour}};
}

PolygonShape Poly(std::initializer_list<std::pair<double, double>> points)
{
    return PolygonShape{points};
}

// A box seen from above and in front: front face, top and right side.
void Cuboid(std::vector<Layer>& l, double x0, double y0, double x1, double y1, double depth,
            Rgba face, Rgba top, Rgba side, Rgba edge)
{
    l.push_back(Solid(Poly({{x0 - 0.7, y0 - 0.7}, {x0 + depth, y0 - depth - 0.7},
                            {x1 + depth + 0.7, y0 - depth - 0.7}, {x1 + depth + 0.7, y1 - depth},
                            {x1 + 0.7, y1 + 0.7}, {x0 - 0.7, y1 + 0.7}}),
                      edge));
    l.push_back(Solid(Poly({{x0, y0}, {x0 + depth, y0 - depth}, {x1 + depth, y0 - depth}, {x1, y0}}),
                      top));
    l.push_back(Solid(Poly({{x1, y0}, {x1 + depth, y0 - depth}, {x1 + depth, y1 - depth}, {x1, y1}}),
                      side));
    l.push_back(Solid(RoundRect{x0, y0, x1, y1, 0}, face));
}

// An upright cylinder: bottom ellipse, body, lighter top ellipse.
void Upright(std::vector<Layer>& l, double cx, double top, double bottom, double rx, double ry,
             Rgba body, Rgba cap, Rgba edge)
{
    l.push_back(Solid(Ellipse{cx, bottom, rx + 0.8, ry + 0.8}, edge));
    l.push_back(Solid(RoundRect{cx - rx - 0.8, top, cx + rx + 0.8, bottom, 0}, edge));
    l.push_back(Solid(Ellipse{cx, top, rx + 0.8, ry + 0.8}, edge));
    l.push_back(Solid(Ellipse{cx, bottom, rx, ry}, body));
    l.push_back(Solid(RoundRect{cx - rx, top, cx + rx, bottom, 0}, body));
    l.push_back(Solid(Ellipse{cx, top, rx, ry}, cap));
}

Picture Box()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    Cuboid(p.layers, 2, 5, 11, 14, 3.5, kFace, kTop, kSide, kEdge);
    return p;
}

Picture Ball()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Ellipse{8, 7.5, 7, 7}, kEdge));
    p.layers.push_back(Solid(Ellipse{8, 7.5, 6, 6}, kFace));
    p.layers.push_back(Solid(Ellipse{6, 5.5, 2.2, 2.2}, kTop));
    return p;
}

Picture Cylinder()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    Upright(p.layers, 8, 3, 12, 5, 2, kFace, kTop, kEdge);
    return p;
}

Picture CapsuleBody()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Capsule{8, 4, 8, 11, 4.2}, kEdge));
    p.layers.push_back(Solid(Capsule{8, 4, 8, 11, 3.3}, kFace));
    p.layers.push_back(Solid(Capsule{6.8, 3.5, 6.8, 9, 1.0}, kTop));
    return p;
}

Picture Cone()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Ellipse{8, 12, 6.8, 2.5}, kEdge));
    p.layers.push_back(Solid(Poly({{8, 0}, {14.8, 12}, {1.2, 12}}), kEdge));
    p.layers.push_back(Solid(Ellipse{8, 12, 6, 1.8}, kSide));
    p.layers.push_back(Solid(Poly({{8, 1.6}, {14, 12}, {2, 12}}), kFace));
    p.layers.push_back(Solid(Poly({{8, 1.6}, {8, 12}, {2, 12}}), kTop));
    return p;
}

Picture Can()
{
    const Rgba body{226, 118, 30}, cap{248, 184, 84}, edge{130, 60, 10};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Upright(p.layers, 8, 3, 12, 4.5, 1.8, body, cap, edge);
    return p;
}

Picture Die()
{
    const Rgba white{250, 250, 250}, top{225, 225, 225}, side{190, 190, 190}, edge{70, 70, 70};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Cuboid(p.layers, 2, 5, 11, 14, 3.5, white, top, side, edge);
    for (const auto& [x, y] : {std::pair{4.3, 7.3}, {6.5, 9.5}, {8.7, 11.7}})
        p.layers.push_back(Solid(Ellipse{x, y, 1.0, 1.0}, Rgba{20, 20, 20}));
    return p;
}

Picture Domino()
{
    const Rgba black{40, 40, 40}, top{90, 90, 90}, side{20, 20, 20}, edge{10, 10, 10};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Cuboid(p.layers, 4, 2, 10, 14.3, 2, black, top, side, edge);
    p.layers.push_back(Solid(RoundRect{4.5, 7.8, 9.5, 8.5, 0}, Rgba{200, 200, 200}));
    for (const auto& [x, y] : {std::pair{7.0, 5.0}, {5.8, 11.0}, {8.2, 11.0}})
        p.layers.push_back(Solid(Ellipse{x, y, 0.9, 0.9}, Rgba{250, 250, 250}));
    return p;
}

const Rgba kStone{170, 165, 155};
const Rgba kStoneTop{215, 210, 200};
const Rgba kStoneSide{125, 120, 112};
const Rgba kStoneEdge{70, 66, 60};

Picture Ramp()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Poly({{0, 14.5}, {15.5, 14.5}, {15.5, 3}, {14, 3}}), kStoneEdge));
    p.layers.push_back(Solid(Poly({{2.5, 13.5}, {14.5, 13.5}, {14.5, 4.5}}), kStone));
    p.layers.push_back(Solid(Poly({{2.5, 13.5}, {14.5, 4.5}, {14.5, 6.2}, {4.8, 13.5}}), kStoneTop));
    return p;
}

Picture Wall()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    Cuboid(p.layers, 1, 4, 13, 14, 2, kStone, kStoneTop, kStoneSide, kStoneEdge);
    // Courses of bricks.
    for (const double y : {7.0, 10.5})
        p.layers.push_back(Solid(RoundRect{1, y, 13, y + 0.6, 0}, kStoneEdge));
    for (const auto& [x, y0, y1] : {std::tuple{7.0, 4.0, 7.0}, {4.0, 7.0, 10.5}, {10.0, 7.0, 10.5},
                                    {7.0, 10.5, 14.0}})
        p.layers.push_back(Solid(RoundRect{x, y0, x + 0.6, y1, 0}, kStoneEdge));
    return p;
}

}  // namespace

RgbaCanvas MakeInsertStrip(int scale)
{
    const Picture buttons[] = {Box(), Ball(), Cylinder(), CapsuleBody(), Cone(),
                               Can(), Die(),  Domino(),   Ramp(),        Wall()};
    RgbaCanvas strip(kButtonWidth * static_cast<int>(std::size(buttons)) * scale,
                     kButtonHeight * scale);
    int left = 0;
    for (const Picture& button : buttons) {
        strip.Paint(button, scale, left, 0);
        left += kButtonWidth * scale;
    }
    return strip;
}

}  // namespace assetgen
