#include "app/key_state_filter.h"

#include "view/key_state.h"

#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>

bool CKeyStateFilter::FilterMessage(const Message& msg)
{
    QEvent* event = msg.event;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride: {
            // What is typed into a dialog (a file name, say) is the dialog's:
            // it must neither walk nor throw behind it.
            if (QGuiApplication::modalWindow() != nullptr) {
                m_keys.Clear();
                break;
            }
            // A key bound to a shortcut arrives as ShortcutOverride, never as
            // KeyPress; both mean "down".
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto viewKey = KeyState::FromQtKey(key->key());
            if (!viewKey)
                break;
            const bool release = event->type() == QEvent::KeyRelease;
            // X11 auto-repeat sends release/press pairs while a key is held.
            if (release && key->isAutoRepeat())
                break;
            m_keys.SetDown(*viewKey, !release);
            break;
        }
        case QEvent::ApplicationStateChange:
            if (QGuiApplication::applicationState() != Qt::ApplicationActive)
                m_keys.Clear();
            break;
        case QEvent::WindowDeactivate:
            m_keys.Clear();
            break;
        default:
            break;
    }
    return false;
}
