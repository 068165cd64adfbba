#pragma once
// Settings that must be made before the Qt application object exists.

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

inline void PrepareQtEnvironment()
{
    // Qt's GLib dispatcher announces "about to block" on every pass, even
    // with events still queued; the plain Unix dispatcher announces it only
    // when the queue really is empty, which is when idle handlers must run.
    qputenv("QT_NO_GLIB", QByteArrayLiteral("1"));
}
