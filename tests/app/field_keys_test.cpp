// The keys a pane's text field keeps; every other key is the frame's.
#include "app/field_keys.h"

#include <gtest/gtest.h>

TEST(FieldKeys, AFieldKeepsItsEditingKeysAndUndoOnlyWhileItsTextIsChanged)
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        bool keptUnchanged;  // by a field whose text is as last committed
        bool keptChanged;    // by a field being typed in
    };
    const Case cases[] = {
        {Qt::Key_5, none, "5", true, true},
        {Qt::Key_Minus, none, "-", true, true},
        {Qt::Key_E, shift, "E", true, true},
        {Qt::Key_Space, none, " ", true, true},
        {Qt::Key_Return, none, "\r", true, true},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", true, true},
        {Qt::Key_Escape, none, "\x1b", true, true},
        {Qt::Key_Left, shift, "", true, true},
        {Qt::Key_Right, ctrl, "", true, true},
        {Qt::Key_Home, none, "", true, true},
        {Qt::Key_End, shift, "", true, true},
        {Qt::Key_Backspace, none, "\b", true, true},
        {Qt::Key_Delete, none, "\x7f", true, true},
        {Qt::Key_Z, ctrl, "\x1a", false, true},
        {Qt::Key_Y, ctrl, "\x19", false, true},
        {Qt::Key_Z, ctrl | shift, "", false, true},
        {Qt::Key_Backspace, Qt::AltModifier, "", false, true},
        {Qt::Key_X, ctrl, "", false, true},
        {Qt::Key_C, ctrl, "", false, true},
        {Qt::Key_V, ctrl, "", false, true},
        {Qt::Key_A, ctrl, "", false, true},
        {Qt::Key_Insert, shift, "", false, true},
        {Qt::Key_Delete, shift, "", false, true},
        // The frame's, however the field stands.
        {Qt::Key_S, ctrl, "\x13", false, false},
        {Qt::Key_O, ctrl, "\x0f", false, false},
        {Qt::Key_N, ctrl, "", false, false},
        {Qt::Key_F8, none, "", false, false},
        {Qt::Key_F6, shift, "", false, false},
        {Qt::Key_F, Qt::AltModifier, "f", false, false},
        {Qt::Key_Return, ctrl, "\r", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << std::hex << c.key << " modifiers "
                                        << c.modifiers.toInt());
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(IsFieldEditingKey(c.key, c.modifiers, text, false), c.keptUnchanged);
        EXPECT_EQ(IsFieldEditingKey(c.key, c.modifiers, text, true), c.keptChanged);
    }
}
