#include "foreign_x_window.h"

#include <X11/Xlib.h>

std::shared_ptr<void> ActivateForeignXWindow()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return nullptr;
    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 0, 0, 200, 100, 0, 0, 0);
    XMapWindow(display, window);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = 2;  // from a pager, as a user's switch is
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
    return std::shared_ptr<void>(display, [window](void* opened) {
        auto* connection = static_cast<Display*>(opened);
        XDestroyWindow(connection, window);
        XCloseDisplay(connection);
    });
}
