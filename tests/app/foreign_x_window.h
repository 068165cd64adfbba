#pragma once
// A window of another X client, made active as a user's switch to another
// program (Alt+Tab) makes it; it goes with the handle, which is null without
// a display. Apart from Qt's headers, whose names Xlib's macros clash with.

#include <memory>

std::shared_ptr<void> ActivateForeignXWindow();
