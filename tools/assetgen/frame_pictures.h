#pragma once
// The frame's pictures: the toolbar's button strip and the program icon.

#include <string>

#include "tools/assetgen/vector_canvas.h"

namespace assetgen {

// 192 x 15 times scale: twelve 16 x 15 button images in toolbar order: new
// page, open folder, floppy disk, printer, scissors, copy, clipboard, play,
// pause, stop, step forward, question mark; transparent around them. Scale 2 draws the same
// shapes on twice as many pixels for screens of high density.
RgbaCanvas MakeToolbarStrip(int scale);

// The program icon on a 256-unit square: a tower of cylinders on a slab and a
// ball flying at it, on a blue tile.
Picture KinettaIconPicture();
RgbaCanvas MakeKinettaIcon(int size);
std::string MakeKinettaIconSvg();

}  // namespace assetgen
