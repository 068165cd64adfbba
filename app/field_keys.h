#pragma once
// Which keys a pane's text field keeps while it has the keyboard. A field
// keeps its own editing keys only; every other key combination is a
// shortcut of the frame, so Ctrl+S saves and F8 steps whatever has the
// keyboard.

#include <QtCore/QString>
#include <QtCore/Qt>

// key and modifiers as a key event carries them, text what it would type.
// Undo, redo and the text clipboard keys are the field's only while its text
// has been changed since it was last committed: once Enter has applied a
// value there is nothing left in it to undo, and Ctrl+Z undoes the edit.
bool IsFieldEditingKey(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                       bool fieldChanged);
