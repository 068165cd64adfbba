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

QKeyEvent Key(QEvent::Type type, int key, bool autoRepeat = false)
{
    return QKeyEvent(type, key, Qt::NoModifier, QString(), autoRepeat);
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
