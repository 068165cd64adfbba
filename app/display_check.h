#pragma once
// Qt aborts when it cannot reach a display, or when the display it picks has
// no platform plugin installed. Kinetta checks first, says what is wrong and
// exits with the usage status instead.

#include <string>

struct DisplaySelection {
    bool ok = false;
    // When !ok: a one-line reason for the user.
    std::string problem;
};

// Finds a display that Qt can really open, Wayland first, and points Qt at it
// through QT_QPA_PLATFORM. A platform the user named in QT_QPA_PLATFORM is
// honoured, and checked when it is X11 or Wayland.
DisplaySelection SelectDisplay();
