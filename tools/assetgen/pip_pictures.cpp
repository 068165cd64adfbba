// Pictures made of pips: the dice sheet and the domino face.
#include <utility>
#include <vector>

#include "tools/assetgen/pictures.h"

namespace assetgen {
namespace {

constexpr int kCell = 64;

// Pip positions on a 3 x 3 grid (column, row), 0 = left / top.
using PipLayout = std::vector<std::pair<int, int>>;

// The usual die faces; two and three run diagonally from top left.
PipLayout PipsFor(int count)
{
    switch (count) {
        case 1:
            return {{1, 1}};
        case 2:
            return {{0, 0}, {2, 2}};
        case 3:
            return {{0, 0}, {1, 1}, {2, 2}};
        case 4:
            return {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
        case 5:
            return {{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}};
        case 6:
            return {{0, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2}};
        default:
            return {};
    }
}

// Pips of one face in the 64 x 64 cell whose top left corner is (left, top).
void PaintPips(Image& image, int count, int left, int top, double spacing, double radius,
               Rgb colour)
{
    const double centre = kCell / 2.0;
    for (const auto& [column, row] : PipsFor(count))
        image.PaintDisc(left + centre + (column - 1) * spacing, top + centre + (row - 1) * spacing,
                        radius, colour);
}

}  // namespace

Image MakeDiceSheet()
{
    const Rgb blue{28, 72, 196};
    const Rgb edge{16, 40, 120};  // frames each face so the die shows its edges
    const Rgb white{255, 255, 255};
    Image image(3 * kCell, 2 * kCell, edge);
    for (int face = 1; face <= 6; ++face) {
        const int left = ((face - 1) % 3) * kCell;
        const int top = ((face - 1) / 3) * kCell;
        image.FillRect({left + 1, top + 1, left + kCell - 1, top + kCell - 1}, blue);
        PaintPips(image, face, left, top, 18.0, 6.5, white);
    }
    return image;
}

Image MakeDominoFace()
{
    const Rgb black{0, 0, 0};
    Image image(kCell, 2 * kCell, {255, 255, 255});
    PaintPips(image, 5, 0, 0, 17.0, 6.0, black);
    image.FillRect({8, kCell - 1, kCell - 8, kCell + 1}, black);
    PaintPips(image, 6, 0, kCell, 17.0, 6.0, black);
    return image;
}

}  // namespace assetgen
