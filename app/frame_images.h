#pragma once
// The frame's pictures, decoded from the embedded resources: the toolbar's
// button images and the program icon.

#include <QtGui/QIcon>

// Image index counts toolbar buttons, not separators. The icon holds the
// button's image from every embedded strip (16 x 15 and 32 x 30 pixels), so
// that Qt draws screens of high density from the larger one. A null icon
// when no strip is embedded or all are too short.
QIcon ToolbarImage(int index);
// The same for the Insert band's strip.
QIcon InsertImage(int index);
// Every embedded size of the program icon.
QIcon ProgramIcon();
