#include "app/display_check.h"

#include <X11/Xlib.h>

#include <cstdlib>

std::string FindDisplayProblem()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool hasX11 = x11 != nullptr && *x11 != '\0';
    const bool hasWayland = wayland != nullptr && *wayland != '\0';
    if (!hasX11 && !hasWayland)
        return "no display: set DISPLAY or run under xvfb-run";
    if (hasX11) {
        if (Display* display = XOpenDisplay(nullptr)) {
            XCloseDisplay(display);
            return {};
        }
        if (!hasWayland)
            return std::string("cannot open display \"") + x11 +
                   "\": is the X server running? (or run under xvfb-run)";
    }
    return {};
}
