#pragma once
// The wait cursor for as long as the object lives: for work on the window's
// thread that may take a moment, such as running the world reader.

#include <QtWidgets/QApplication>

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
