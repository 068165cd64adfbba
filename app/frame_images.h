#pragma once
// The frame's pictures, decoded from the embedded resources: the toolbar's
// button images and the program icon.

#include <QtGui/QIcon>

// Image index counts toolbar buttons, not separators. A null icon when the
// strip is missing or too short.
QIcon ToolbarImage(int index);
// Every embedded size of the program icon.
QIcon ProgramIcon();
