#include "view/key_state.h"
#include "app/key_state_filter.h"

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
    CKeyStateFilter filter(keys);

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
    CKeyStateFilter filter(keys);
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
    CKeyStateFilter filter(keys);
    auto overrideEvent = Key(QEvent::ShortcutOverride, Qt::Key_PageUp);
    Feed(filter, overrideEvent);
    EXPECT_TRUE(keys.IsDown(ViewKey::PageUp));
}

TEST(KeyStateFilter, LosingTheFocusReleasesEveryKey)
{
    KeyState keys;
    CKeyStateFilter filter(keys);
    for (int k : {Qt::Key_Left, Qt::Key_T, Qt::Key_N}) {
        auto press = Key(QEvent::KeyPress, k);
        Feed(filter, press);
    }
    ASSERT_TRUE(keys.IsDown(ViewKey::Left));
    QEvent deactivate(QEvent::WindowDeactivate);
    Feed(filter, deactivate);
    for (int i = 0; i < static_cast<int>(ViewKey::Count); ++i)
        EXPECT_FALSE(keys.IsDown(static_cast<ViewKey>(i))) << "key " << i;
}

TEST(KeyState, MapsOnlyTheViewsKeys)
{
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_PageDown), ViewKey::PageDown);
    EXPECT_EQ(ViewKeyFromQtKey(Qt::Key_B), ViewKey::B);
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Q).has_value());
    EXPECT_FALSE(ViewKeyFromQtKey(Qt::Key_Return).has_value());
}
