#include "foreign_x_window.h"

#include <X11/Xlib.h>

struct ForeignXWindow::Connection {
    Display* display = nullptr;
    Window window = 0;
};

ForeignXWindow::ForeignXWindow() : m_connection(std::make_unique<Connection>())
{
    m_connection->display = XOpenDisplay(nullptr);
}

ForeignXWindow::~ForeignXWindow()
{
    if (m_connection->display == nullptr)
        return;
    if (m_connection->window != 0)
        XDestroyWindow(m_connection->display, m_connection->window);
    XCloseDisplay(m_connection->display);
}

bool ForeignXWindow::Activate()
{
    Display* display = m_connection->display;
    if (display == nullptr)
        return false;
    const Window root = DefaultRootWindow(display);
    if (m_connection->window == 0) {
        m_connection->window = XCreateSimpleWindow(display, root, 0, 0, 200, 100, 0, 0, 0);
        XMapWindow(display, m_connection->window);
    }
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = m_connection->window;
    request.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    request.xclient.format = 32;
    request.xclient.data.l[0] = 2;  // from a pager, as a user's switch is
    request.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(display);
    return true;
}
