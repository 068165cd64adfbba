#include "view/key_state.h"

#include <QtCore/Qt>

std::optional<ViewKey> KeyState::FromQtKey(int qtKey)
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
