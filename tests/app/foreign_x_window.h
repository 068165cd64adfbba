#pragma once
// A window of another X client: to the program under test, another program
// that the user switches to (as with Alt+Tab). Kept apart from Qt's headers,
// whose names Xlib's macros would clash with.

#include <memory>

class ForeignXWindow {
public:
    ForeignXWindow();
    ~ForeignXWindow();
    ForeignXWindow(const ForeignXWindow&) = delete;
    ForeignXWindow& operator=(const ForeignXWindow&) = delete;

    // Shows the window and asks the window manager to make it active; false
    // without a display.
    bool Activate();

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
