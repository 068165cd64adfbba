#include "app/key_state_filter.h"

#include <QtCore/QEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>

std::optional<ViewKey> ViewKeyFromQtKey(int qtKey)
{
    switch (qtKey) {
        case Qt::Key_W:
            return ViewKey::W;
        case Qt::Key_A:
            return ViewKey::A;
        case Qt::Key_S:
            return ViewKey::S;
        case Qt::Key_D:
            return ViewKey::D;
        case Qt::Key_Left:
            return ViewKey::Left;
        case Qt::Key_Right:
            return ViewKey::Right;
        case Qt::Key_Up:
            return ViewKey::Up;
        case Qt::Key_Down:
            return ViewKey::Down;
        case Qt::Key_PageUp:
            return ViewKey::PageUp;
        case Qt::Key_PageDown:
            return ViewKey::PageDown;
        case Qt::Key_Z:
            return ViewKey::Z;
        case Qt::Key_X:
            return ViewKey::X;
        case Qt::Key_C:
            return ViewKey::C;
        case Qt::Key_V:
            return ViewKey::V;
        case Qt::Key_B:
            return ViewKey::B;
        case Qt::Key_N:
            return ViewKey::N;
        case Qt::Key_Space:
            return ViewKey::Space;
        case Qt::Key_T:
            return ViewKey::T;
        default:
            return std::nullopt;
    }
}

bool CKeyStateFilter::FilterMessage(const Message& msg)
{
    // Keys typed into a menu, a dialog or another program are not the
    // view's, and their releases may never reach us: forget them all.
    if (!m_viewHasKeyboard()) {
        m_keys.Clear();
        return false;
    }
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
            const auto viewKey = ViewKeyFromQtKey(key->key());
            if (!viewKey)
                break;
            const bool release = event->type() == QEvent::KeyRelease;
            // X11 auto-repeat sends release/press pairs while a key is held.
            if (release && key->isAutoRepeat())
                break;
            // Ctrl+N or Alt+F is a shortcut, not N or F held: only the
            // release may count, and it lets go of a key held before.
            if (!release && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                break;
            m_keys.SetDown(*viewKey, !release);
            break;
        }
        case QEvent::ApplicationStateChange:
            // Switched to another program: the keys' releases go there.
            if (QGuiApplication::applicationState() != Qt::ApplicationActive)
                m_keys.Clear();
            break;
        default:
            break;
    }
    return false;
}
