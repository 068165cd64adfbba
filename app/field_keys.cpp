#include "app/field_keys.h"

bool IsFieldEditingKey(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                       bool fieldChanged)
{
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool shift = held & Qt::ShiftModifier;
    const Qt::KeyboardModifiers command = held & ~Qt::KeyboardModifiers(Qt::ShiftModifier);
    const bool plain = command == Qt::NoModifier;
    const bool ctrl = command == Qt::ControlModifier;

    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return plain;
        // Ctrl moves and deletes by words; Shift selects.
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Backspace:
            if (key == Qt::Key_Backspace && command == Qt::AltModifier)
                return fieldChanged;  // the old undo key
            return plain || ctrl;
        case Qt::Key_Delete:
            // Shift+Delete is Cut.
            return (plain && !shift) || (ctrl && !shift) || (plain && shift && fieldChanged);
        case Qt::Key_Insert:
            // Ctrl+Insert copies, Shift+Insert pastes.
            return (ctrl || (plain && shift)) && fieldChanged;
        case Qt::Key_Z:
        case Qt::Key_Y:
        case Qt::Key_X:
        case Qt::Key_C:
        case Qt::Key_V:
        case Qt::Key_A:
            if (ctrl)
                return fieldChanged;
            break;
        default:
            break;
    }
    // Whatever types a character is typing.
    return plain && !text.isEmpty() && text.at(0).isPrint();
}
