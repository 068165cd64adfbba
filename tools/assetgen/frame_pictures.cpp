#include "tools/assetgen/frame_pictures.h"

#include <iterator>
#include <vector>

namespace assetgen {
namespace {

constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

const Rgba kInk{48, 48, 48};
const Rgba kWhite{255, 255, 255};
const Rgba kPaperGrey{200, 200, 200};

Layer Solid(Shape shape, Rgba colour)
{
    return {std::move(shape), Fill{colour}};
}

RoundRect Box(double x0, double y0, double x1, double y1)
{
    return {x0, y0, x1, y1, 0.0};
}

// A dark-edged rectangle: the edge one unit wide.
void Framed(std::vector<Layer>& layers, double x0, double y0, double x1, double y1, Rgba inside,
            Rgba edge = kInk)
{
    layers.push_back(Solid(Box(x0, y0, x1, y1), edge));
    layers.push_back(Solid(Box(x0 + 1, y0 + 1, x1 - 1, y1 - 1), inside));
}

Picture NewPage()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(PolygonShape{{{3, 0}, {10, 0}, {14, 4}, {14, 15}, {3, 15}}}, kInk));
    p.layers.push_back(
        Solid(PolygonShape{{{4, 1}, {9.5, 1}, {13, 4.5}, {13, 14}, {4, 14}}}, kWhite));
    p.layers.push_back(Solid(PolygonShape{{{9, 1}, {9, 5}, {13, 5}}}, kPaperGrey));
    p.layers.push_back(Solid(Capsule{9.5, 1, 9.5, 4.5, 0.5}, kInk));
    p.layers.push_back(Solid(Capsule{9.5, 4.5, 13, 4.5, 0.5}, kInk));
    return p;
}

Picture OpenFolder()
{
    const Rgba back{196, 150, 52}, front{246, 204, 96}, edge{110, 80, 20};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(
        Solid(PolygonShape{{{0, 2}, {5, 2}, {6.5, 3.5}, {13, 3.5}, {13, 14}, {0, 14}}}, edge));
    p.layers.push_back(
        Solid(PolygonShape{{{1, 3}, {4.5, 3}, {6, 4.5}, {12, 4.5}, {12, 13}, {1, 13}}}, back));
    p.layers.push_back(Solid(PolygonShape{{{2.5, 6.5}, {16, 6.5}, {13, 14}, {0, 14}}}, edge));
    p.layers.push_back(
        Solid(PolygonShape{{{3.3, 7.5}, {14.6, 7.5}, {12.3, 13}, {1.4, 13}}}, front));
    return p;
}

Picture FloppyDisk()
{
    const Rgba body{36, 70, 150}, shutter{176, 182, 192};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(PolygonShape{{{1, 0}, {14, 0}, {15, 1}, {15, 15}, {1, 15}}}, kInk));
    p.layers.push_back(Solid(Box(2, 1, 14, 14), body));
    p.layers.push_back(Solid(Box(4, 1, 12, 7), kWhite));
    p.layers.push_back(Solid(Box(5, 3, 11, 4), kPaperGrey));
    p.layers.push_back(Solid(Box(5, 9, 12, 14), shutter));
    p.layers.push_back(Solid(Box(9, 10, 11, 13), body));
    return p;
}

Picture Printer()
{
    const Rgba body{150, 150, 150}, light{60, 180, 60};
    Picture p{kButtonWidth, kButtonHeight, {}};
    std::vector<Layer>& l = p.layers;
    Framed(l, 4, 0, 12, 7, kWhite);
    Framed(l, 0, 6, 16, 12, body);
    l.push_back(Solid(Box(12, 8, 14, 9), light));
    Framed(l, 3, 10, 13, 15, kWhite);
    l.push_back(Solid(Box(5, 12, 11, 13), kPaperGrey));
    return p;
}

Picture Scissors()
{
    const Rgba blade{120, 120, 128}, handle{200, 40, 40};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Capsule{5.5, 8.5, 11, 0.8, 1.0}, blade));
    p.layers.push_back(Solid(Capsule{10.5, 8.5, 5, 0.8, 1.0}, blade));
    p.layers.push_back(Solid(Ellipse{8, 7.5, 1.0, 1.0}, kInk));
    p.layers.push_back(Solid(Ring{4.5, 11.5, 3.0, 1.6}, handle));
    p.layers.push_back(Solid(Ring{11.5, 11.5, 3.0, 1.6}, handle));
    return p;
}

void TextLines(std::vector<Layer>& layers, double x0, double x1, double y0, int count)
{
    for (int i = 0; i < count; ++i)
        layers.push_back(Solid(Box(x0, y0 + 2 * i, x1, y0 + 2 * i + 1), Rgba{120, 120, 150}));
}

Picture Copy()
{
    Picture p{kButtonWidth, kButtonHeight, {}};
    Framed(p.layers, 1, 0, 10, 10, kWhite);
    TextLines(p.layers, 3, 8, 2, 2);
    Framed(p.layers, 6, 4, 15, 15, kWhite);
    TextLines(p.layers, 8, 13, 6, 4);
    return p;
}

Picture Clipboard()
{
    const Rgba board{168, 108, 48}, clip{150, 150, 160};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Framed(p.layers, 2, 1, 14, 15, board);
    Framed(p.layers, 4, 3, 12, 14, kWhite);
    TextLines(p.layers, 5, 11, 6, 4);
    Framed(p.layers, 5, 0, 11, 4, clip);
    return p;
}

Picture Play()
{
    const Rgba green{40, 160, 60}, edge{20, 90, 30};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(PolygonShape{{{3, 0.5}, {14, 7.5}, {3, 14.5}}}, edge));
    p.layers.push_back(Solid(PolygonShape{{{4, 2.3}, {12.2, 7.5}, {4, 12.7}}}, green));
    return p;
}

Picture Pause()
{
    const Rgba blue{50, 110, 210}, edge{20, 50, 120};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Framed(p.layers, 3, 1, 7, 14, blue, edge);
    Framed(p.layers, 9, 1, 13, 14, blue, edge);
    return p;
}

Picture Stop()
{
    const Rgba red{210, 50, 40}, edge{120, 20, 20};
    Picture p{kButtonWidth, kButtonHeight, {}};
    Framed(p.layers, 2, 1, 14, 14, red, edge);
    return p;
}

// A play triangle against a bar: one step forward.
Picture StepForward()
{
    const Rgba green{40, 160, 60}, edge{20, 90, 30}, blue{50, 110, 210}, blueEdge{20, 50, 120};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(PolygonShape{{{1, 1.5}, {10, 7.5}, {1, 13.5}}}, edge));
    p.layers.push_back(Solid(PolygonShape{{{2, 3.3}, {8.2, 7.5}, {2, 11.7}}}, green));
    Framed(p.layers, 11, 1, 15, 14, blue, blueEdge);
    return p;
}

// A red dot with a light spot: a camera's record lamp.
Picture RecordDot()
{
    const Rgba red{214, 36, 36}, edge{110, 10, 10}, shine{250, 150, 150};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Ellipse{8, 7.5, 6.5, 6.5}, edge));
    p.layers.push_back(Solid(Ellipse{8, 7.5, 5.5, 5.5}, red));
    p.layers.push_back(Solid(Ellipse{6.2, 5.7, 1.6, 1.6}, shine));
    return p;
}

Picture QuestionMark()
{
    const Rgba blue{50, 110, 210}, edge{20, 50, 120};
    Picture p{kButtonWidth, kButtonHeight, {}};
    p.layers.push_back(Solid(Ellipse{8, 7.5, 7.5, 7.5}, edge));
    p.layers.push_back(Solid(Ellipse{8, 7.5, 6.5, 6.5}, blue));
    p.layers.push_back(Solid(Ring{8, 5.6, 3.2, 1.5, 180, 420}, kWhite));
    p.layers.push_back(Solid(Box(7.2, 7.6, 8.8, 9.8), kWhite));
    p.layers.push_back(Solid(Ellipse{8, 11.8, 1.1, 1.1}, kWhite));
    return p;
}

// Side view of an upright cylinder: rounded base, body, lighter top face.
void Cylinder(std::vector<Layer>& layers, double cx, double top, double bottom, double rx,
              double ry)
{
    const Rgba body{226, 118, 30}, cap{248, 184, 84}, edge{130, 60, 10};
    layers.push_back(Solid(Ellipse{cx, bottom, rx + 3, ry + 3}, edge));
    layers.push_back(Solid(Box(cx - rx - 3, top, cx + rx + 3, bottom), edge));
    layers.push_back(Solid(Ellipse{cx, top, rx + 3, ry + 3}, edge));
    layers.push_back(Solid(Ellipse{cx, bottom, rx, ry}, body));
    layers.push_back(Solid(Box(cx - rx, top, cx + rx, bottom), body));
    layers.push_back(Solid(Ellipse{cx, top, rx, ry}, cap));
}

}  // namespace

RgbaCanvas MakeToolbarStrip(int scale)
{
    const Picture buttons[] = {NewPage(),  OpenFolder(), FloppyDisk(),  Printer(),
                               Scissors(), Copy(),       Clipboard(),   Play(),
                               Pause(),    Stop(),       StepForward(), RecordDot(),
                               QuestionMark()};
    RgbaCanvas strip(kButtonWidth * static_cast<int>(std::size(buttons)) * scale, kButtonHeight * scale);
    int left = 0;
    for (const Picture& button : buttons) {
        strip.Paint(button, scale, left, 0);
        left += kButtonWidth * scale;
    }
    return strip;
}

Picture KinettaIconPicture()
{
    Picture p{256, 256, {}};
    std::vector<Layer>& l = p.layers;
    l.push_back({RoundRect{8, 8, 248, 248, 48}, Fill{{88, 150, 232}, {24, 58, 120}, 8, 248}});
    // The slab the tower stands on.
    l.push_back(Solid(RoundRect{24, 188, 232, 222, 8}, Rgba{60, 70, 86}));
    l.push_back(Solid(RoundRect{28, 192, 228, 210, 5}, Rgba{222, 230, 238}));
    // Two cylinders side by side, a third across their tops.
    Cylinder(l, 76, 138, 186, 34, 11);
    Cylinder(l, 156, 138, 186, 34, 11);
    Cylinder(l, 116, 80, 126, 34, 11);
    // The ball, with streaks behind it.
    l.push_back(Solid(Capsule{200, 36, 226, 22, 5}, Rgba{255, 255, 255, 200}));
    l.push_back(Solid(Capsule{214, 62, 236, 50, 5}, Rgba{255, 255, 255, 200}));
    l.push_back(Solid(Ellipse{190, 70, 30, 30}, Rgba{140, 100, 0}));
    l.push_back(Solid(Ellipse{190, 70, 26, 26}, Rgba{255, 214, 0}));
    l.push_back(Solid(Ellipse{181, 61, 9, 9}, Rgba{255, 246, 170}));
    return p;
}

RgbaCanvas MakeKinettaIcon(int size)
{
    RgbaCanvas canvas(size, size);
    canvas.Paint(KinettaIconPicture(), size / 256.0);
    return canvas;
}

std::string MakeKinettaIconSvg()
{
    return WriteSvg(KinettaIconPicture());
}

}  // namespace assetgen
