#pragma once
// Menus opened from the keyboard on a Wayland compositor. A compositor grants
// a popup's grab only for the serial of the latest input event, and Qt asks
// with the serial of the last press: a quick tap's release reaches the
// compositor first, the grab is refused and the menu closes at once, leaving
// the next letter to the view. So a menu opened by a key shows as a popup
// without a grab; the frame keeps the keyboard and Qt passes its keys to the
// open menu. Without a grab the compositor closes no menu, but Qt closes
// it when another program takes the keyboard. A menu opened by a pointer
// press keeps its grab, which that press's serial is still good for. On X11
// nothing changes.

#include "app/message_loop.h"

#include <QtCore/QObject>

class QMenu;

class CKeyboardPopups : public QObject, public CMessageFilter {
public:
    explicit CKeyboardPopups(QObject* parent);

    // Only notes whether a key or a pointer pressed last; consumes nothing.
    bool FilterMessage(const Message& msg) override;
    // Called as the menu is about to show: picks how it asks to be shown.
    void Prepare(QMenu& menu);

private:
    const bool m_wayland;
    bool m_keyPressedLast = false;
};
