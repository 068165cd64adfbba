// The panes' record in the saved layout against an in-memory store: docked
// and floating panes and the panes' choices come back, a floating pane left
// off every screen comes back onto one, and files of the build without panes
// read both ways.

#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/settings_tree.h"

#include <gtest/gtest.h>

namespace sstate {
namespace {

class FakePanes : public IPaneList {
public:
    std::vector<PanePlacement> panes = std::vector<PanePlacement>(3);
    std::vector<LayoutRect> screens{{0, 0, 1280, 1024}};
    PaneChoices choices;
    int sets = 0;

    int Count() const override { return static_cast<int>(panes.size()); }
    std::string Name(int index) const override { return "pane" + std::to_string(index); }
    PanePlacement Get(int index) const override { return panes.at(index); }
    PanePlacement DefaultPlacement(int) const override { return {false, kPaneRight, false, 0, {}}; }
    void Set(int index, const PanePlacement& placement) override
    {
        panes.at(index) = placement;
        ++sets;
    }
    LayoutRect WorkArea() const override { return screens.front(); }
    std::vector<LayoutRect> ScreenAreas() const override { return screens; }
    WindowMetrics FloatingMetrics(int) const override
    {
        WindowMetrics m;
        m.minimumWidth = 120;
        m.minimumHeight = 80;
        m.frameTop = 20;
        return m;
    }
    std::int32_t MaxDockedSize(std::uint32_t) const override { return 600; }
    PaneChoices GetChoices() const override { return choices; }
    void SetChoices(const PaneChoices& c) override { choices = c; }
};

bool Same(const PanePlacement& a, const PanePlacement& b)
{
    return a.shown == b.shown && a.side == b.side && a.floating == b.floating &&
           a.size == b.size && a.floatingRect.left == b.floatingRect.left &&
           a.floatingRect.top == b.floatingRect.top &&
           a.floatingRect.right == b.floatingRect.right &&
           a.floatingRect.bottom == b.floatingRect.bottom;
}

std::shared_ptr<SettingsKey> Store(const IStateAdapter& adapter)
{
    auto key = std::make_shared<SettingsKey>();
    CMemoryStorage storage(key, true);
    adapter.Store(storage);
    return key;
}

void Restore(IStateAdapter& adapter, const std::shared_ptr<SettingsKey>& key,
             ScaleRatios ratios = {})
{
    CMemoryStorage storage(key, false);
    EXPECT_TRUE(adapter.Restore(storage, ratios));
}

TEST(PaneLayout, DockedAndFloatingPanesAndTheChoicesSurviveARestart)
{
    auto before = std::make_shared<FakePanes>();
    before->panes[0] = {true, kPaneLeft, false, 240, {}};
    before->panes[1] = {true, kPaneRight, true, 0, {900, 200, 1200, 700}};
    before->panes[2] = {false, kPaneBottom, false, 180, {}};
    before->choices = {8, 0x809};
    const auto saved = Store(CDockWndMgr(before));

    auto after = std::make_shared<FakePanes>();
    CDockWndMgr manager(after);
    Restore(manager, saved);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Same(after->panes[i], before->panes[i])) << "pane " << i;
    EXPECT_EQ(after->choices.ticksPerStep, 8u);
    EXPECT_EQ(after->choices.debugDrawing, 0x809u);

    // Saved on a 1600 x 1200 work area, the floating pane is scaled to today's.
    auto scaled = std::make_shared<FakePanes>();
    CDockWndMgr scaledManager(scaled);
    Restore(scaledManager, saved, {{1280, 1600}, {1024, 1200}});
    EXPECT_EQ(scaled->panes[1].floatingRect.left, 720);
    EXPECT_EQ(scaled->panes[1].floatingRect.bottom, 597);
}

TEST(PaneLayout, DamagedOrOffScreenRecordsComeBackSafe)
{
    auto stored = std::make_shared<FakePanes>();
    // Floating on a screen that is gone, docked to a side that does not
    // exist with a size larger than any frame, and floating with no area.
    stored->panes[0] = {true, kPaneLeft, true, 0, {3000, -2000, 3300, -1500}};
    stored->panes[1] = {true, 0x4 /* top */, false, 99999, {}};
    stored->panes[2] = {true, kPaneBottom, true, 0, {500, 500, 500, 900}};
    const auto saved = Store(CDockWndMgr(stored));

    auto panes = std::make_shared<FakePanes>();
    CDockWndMgr manager(panes);
    Restore(manager, saved);
    const LayoutRect& back = panes->panes[0].floatingRect;
    EXPECT_TRUE(panes->panes[0].floating);
    EXPECT_GE(back.left, 0);
    EXPECT_GE(back.top, 20) << "the title bar above the pane is on the screen";
    EXPECT_LE(back.right, 1280);
    EXPECT_LE(back.bottom, 1024);
    EXPECT_EQ(back.Width(), 300);
    EXPECT_EQ(panes->panes[1].side, kPaneLeft);
    EXPECT_EQ(panes->panes[1].size, 600);
    EXPECT_FALSE(panes->panes[2].floating) << "a pane with no area to float in docks";
    EXPECT_TRUE(panes->panes[2].shown);

    // A record of the wrong length is that pane's default: hidden, on its side.
    saved->values["pane1"] = SettingsValue::FromBytes(std::vector<std::uint8_t>(31, 1));
    Restore(manager, saved);
    EXPECT_FALSE(panes->panes[1].shown);
    EXPECT_EQ(panes->panes[1].side, kPaneRight);
}

TEST(PaneLayout, FilesOfTheBuildWithoutPanesReadBothWays)
{
    // Today's build stores an empty record; read by this one: every pane
    // hidden, full speed, no debug drawing.
    const auto old = Store(CDockWndMgr());
    EXPECT_TRUE(old->values.empty() && old->keys.empty());
    auto panes = std::make_shared<FakePanes>();
    panes->panes[0].shown = true;
    panes->choices = {4, 1};
    CDockWndMgr manager(panes);
    Restore(manager, old);
    EXPECT_EQ(panes->sets, 3);
    for (const PanePlacement& p : panes->panes) {
        EXPECT_FALSE(p.shown);
        EXPECT_EQ(p.side, kPaneRight);
    }
    EXPECT_EQ(panes->choices.ticksPerStep, 1u);
    EXPECT_EQ(panes->choices.debugDrawing, 0u);

    // This build's record, read by the build without panes: it reads nothing
    // of it and answers restored, so the rest of the layout is restored as ever.
    panes->panes[0] = {true, kPaneRight, false, 300, {}};
    const auto current = Store(CDockWndMgr(panes));
    EXPECT_EQ(current->values.size(), 5u);
    EXPECT_TRUE(current->keys.empty()) << "no key the old build could trip over";
    CDockWndMgr oldManager;
    Restore(oldManager, current);
}

}  // namespace
}  // namespace sstate
