#include "app/key_state_filter.h"
#include "view/key_state.h"

#include <gtest/gtest.h>
#include <QtCore/QObject>
#include <QtGui/QKeyEvent>

namespace {

bool Feed(CKeyStateFilter& filter, QEvent& event)
{
    QObject target;
    return filter.FilterMessage(Message{&target, &event});
}

QKeyEvent Key(QEvent::Type type, int key, bool autoRepeat = false,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return QKeyEvent(type, key, modifiers, QString(), autoRepeat);
}

}  // namespace

TEST(KeyStateFilter, TracksPressAndReleaseWithoutConsuming)
{
    KeyState keys;
    CKeyStateFilter filter(keys, [] { return true; });

    auto press = Key(QEvent::KeyPress, Qt::Key_Space);
    EXPECT_FALSE(Feed(filter, press));
    EXPECT_TRUE(keys.IsDown(ViewKey::Space));
    EXPECT_FALSE(keys.IsDown(ViewKey::T));

    auto release = Key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_FALSE(Feed(filter, release));
    EXPECT_FALSE(keys.IsDown(ViewKey::Space));
}

TEST(KeyStateFilter, AutoRepeatReleaseKeepsTheKeyHeld)
{
    KeyState keys;
    CKeyStateFilter filter(keys, [] { return true; });
    auto press = Key(QEvent::KeyPress, Qt::Key_W);
    Feed(filter, press);
    auto repeatRelease = Key(QEvent::KeyRelease, Qt::Key_W, true);
    Feed(filter, repeatRelease);
    EXPECT_TRUE(keys.IsDown(ViewKey::W));
}

TEST(KeyStateFilter, ShortcutOverrideCountsAsAPress)
{
    // Keys that are also shortcuts never arrive as KeyPress.
    KeyState keys;
    CKeyStateFilter filter(keys, [] { return true; });
    auto overrideEvent = Key(QEvent::ShortcutOverride, Qt::Key_PageUp);
    Feed(filter, overrideEvent);
    EXPECT_TRUE(keys.IsDown(ViewKey::PageUp));
}

TEST(KeyStateFilter, AKeyPressedWithCtrlOrAltIsAShortcutAndNeverHeld)
{
    KeyState keys;
    CKeyStateFilter filter(keys, [] { return true; });
    const struct {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
    } shortcuts[] = {
        {QEvent::ShortcutOverride, Qt::Key_N, Qt::ControlModifier},
        {QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier},
        {QEvent::KeyPress, Qt::Key_S, Qt::AltModifier},
        {QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier},
    };
    for (const auto& shortcut : shortcuts) {
        auto event = Key(shortcut.type, shortcut.key, false, shortcut.modifiers);
        Feed(filter, event);
    }
    EXPECT_FALSE(keys.IsDown(ViewKey::N));
    EXPECT_FALSE(keys.IsDown(ViewKey::S));
    EXPECT_FALSE(keys.IsDown(ViewKey::Z));

    // Shift alone still walks (Shift+W is W), and a held key is let go
    // even when Ctrl is down by the time it is released.
    auto shiftW = Key(QEvent::KeyPress, Qt::Key_W, false, Qt::ShiftModifier);
    Feed(filter, shiftW);
    EXPECT_TRUE(keys.IsDown(ViewKey::W));
    auto releaseWithCtrl = Key(QEvent::KeyRelease, Qt::Key_W, false, Qt::ControlModifier);
    Feed(filter, releaseWithCtrl);
    EXPECT_FALSE(keys.IsDown(ViewKey::W));
}

TEST(KeyStateFilter, NoKeyIsHeldWhileTheViewDoesNotHaveTheKeyboard)
{
    KeyState keys;
    bool viewHasKeyboard = true;
    CKeyStateFilter filter(keys, [&] { return viewHasKeyboard; });
    auto left = Key(QEvent::KeyPress, Qt::Key_Left);
    Feed(filter, left);
    ASSERT_TRUE(keys.IsDown(ViewKey::Left));

    // Any event lets go of the held key, and a key typed meanwhile is not
    // the view's, then or later.
    viewHasKeyboard = false;
    auto w = Key(QEvent::KeyPress, Qt::Key_W);
    Feed(filter, w);
    viewHasKeyboard = true;
    QEvent anything(QEvent::UpdateRequest);
    Feed(filter, anything);
    EXPECT_FALSE(keys.IsDown(ViewKey::Left));
    EXPECT_FALSE(keys.IsDown(ViewKey::W));
}

TEST(ViewKeyFromQtKey, MapsOnlyTheViewsKeys)
{
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_PageDown), ViewKey::PageDown);
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_B), ViewKey::B);
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Q).has_value());
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Return).has_value());
}
