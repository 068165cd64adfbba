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
    for (int k : {Qt::Key_Left, Qt::Key_T, Qt::Key_N}) {
        auto press = Key(QEvent::KeyPress, k);
        Feed(filter, press);
    }
    ASSERT_TRUE(keys.IsDown(ViewKey::Left));

    // Any event then lets go of every key, whose releases may go elsewhere.
    viewHasKeyboard = false;
    QEvent anything(QEvent::UpdateRequest);
    EXPECT_FALSE(Feed(filter, anything));
    for (int i = 0; i < static_cast<int>(ViewKey::Count); ++i)
        EXPECT_FALSE(keys.IsDown(static_cast<ViewKey>(i))) << "key " << i;

    // Keys typed meanwhile are not the view's, then or later.
    auto press = Key(QEvent::KeyPress, Qt::Key_W);
    EXPECT_FALSE(Feed(filter, press));
    EXPECT_FALSE(keys.IsDown(ViewKey::W));
    viewHasKeyboard = true;
    Feed(filter, anything);
    EXPECT_FALSE(keys.IsDown(ViewKey::W));
}

TEST(ViewKeyFromQtKey, MapsOnlyTheViewsKeys)
{
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_PageDown), ViewKey::PageDown);
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_B), ViewKey::B);
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Q).has_value());
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Return).has_value());
}
