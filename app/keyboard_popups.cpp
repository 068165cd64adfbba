#include "app/keyboard_popups.h"

#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QWindow>
#include <QtWidgets/QMenu>

CKeyboardPopups::CKeyboardPopups(QObject* parent)
    : QObject(parent),
      m_wayland(QGuiApplication::platformName().startsWith(QLatin1StringView("wayland")))
{
}

bool CKeyboardPopups::FilterMessage(const Message& msg)
{
    switch (msg.event->type()) {
        case QEvent::KeyPress:
            m_keyPressedLast = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            m_keyPressedLast = false;
            break;
        default:
            break;
    }
    return false;
}

void CKeyboardPopups::Prepare(QMenu& menu)
{
    if (!m_wayland)
        return;
    // The compositor's role for the menu is chosen from its window's type
    // each time it shows: a tool tip's popup asks for no grab. The widget
    // itself stays a popup, so Qt still routes keys and clicks to it. A
    // hidden menu has no native window, and making one sets the type back
    // from the widget's: make it first.
    menu.winId();
    QWindow* window = menu.windowHandle();
    if (window == nullptr)
        return;
    const Qt::WindowType type = m_keyPressedLast ? Qt::ToolTip : Qt::Popup;
    window->setFlags((window->flags() & ~Qt::WindowType_Mask) | type);
}
