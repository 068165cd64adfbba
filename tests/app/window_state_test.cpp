// The saved window layout against an in-memory store and plain stand-ins for
// the frame, its toolbar bands and its status bar.

#include "app/sstate/layout_blobs.h"
#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/placement_rules.h"
#include "app/sstate/rebar_state_adapter.h"
#include "app/sstate/settings_text.h"
#include "app/sstate/settings_tree.h"
#include "app/sstate/toggle_window_adapter.h"
#include "app/sstate/window_state_mgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace sstate {
namespace {

constexpr std::uint32_t kMenuBand = 60160;
constexpr std::uint32_t kToolBand = 60161;
constexpr std::uint32_t kExtraBand = 60162;

using Bytes = std::vector<std::uint8_t>;

using MemoryKey = SettingsKey;
using MemoryStorage = CMemoryStorage;

std::shared_ptr<MemoryKey> DeepCopy(const MemoryKey& key)
{
    auto copy = std::make_shared<MemoryKey>();
    copy->values = key.values;
    for (const auto& [name, child] : key.keys)
        copy->keys[name] = DeepCopy(*child);
    return copy;
}

SettingsValue Value(const Bytes& bytes)
{
    return SettingsValue::FromBytes(bytes);
}

// A top-level window as the platform keeps it: a normal rectangle, a state,
// and the show commands it was given.
class FakeWindow : public ITopLevelWindow {
public:
    enum class State { Normal, Maximized, Minimized };

    LayoutRect work{0, 0, 1280, 1024};
    LayoutRect normal{10, 20, 810, 620};
    State state = State::Normal;
    bool maximizedBeforeMinimized = false;
    bool visible = true;
    std::vector<std::int32_t> shows;
    int placementsApplied = 0;
    bool foreground = false;

    WindowMetrics metrics;

    std::vector<LayoutRect> otherScreens;

    LayoutRect WorkArea() const override { return work; }
    std::vector<LayoutRect> ScreenAreas() const override
    {
        std::vector<LayoutRect> all{work};
        all.insert(all.end(), otherScreens.begin(), otherScreens.end());
        return all;
    }
    WindowMetrics Metrics() const override { return metrics; }
    std::optional<WindowPlacement> GetPlacement() const override
    {
        WindowPlacement p;
        p.showCmd = state == State::Minimized   ? kShowMinimized
                    : state == State::Maximized ? kShowMaximized
                                                : kShowNormal;
        // Flags the layout code must drop.
        p.flags = 0x1 | 0x4 | (maximizedBeforeMinimized ? kRestoreToMaximized : 0);
        p.minPosition = {-32000, -32000};
        p.maxPosition = {-1, -1};
        p.normalPosition = normal;
        return p;
    }
    void SetPlacement(const WindowPlacement& p) override
    {
        EXPECT_EQ(p.showCmd, std::uint32_t{kShowHide}) << "applying must not show the window";
        // As Qt does: a client area below the minimum grows from its top-left corner.
        normal = p.normalPosition;
        normal.right = static_cast<std::int32_t>(
            normal.left + std::max<std::int64_t>(normal.Width(), metrics.minimumWidth));
        normal.bottom = static_cast<std::int32_t>(
            normal.top + std::max<std::int64_t>(normal.Height(), metrics.minimumHeight));
        state = State::Normal;
        ++placementsApplied;
    }
    void Show(std::int32_t command) override
    {
        shows.push_back(command);
        visible = command != kShowHide;
        if (command == kShowMaximized)
            state = State::Maximized;
        else if (command == kShowNormal || command == kShowRestore)
            state = State::Normal;
    }
    void BringToForeground() override { foreground = true; }
};

// A rebar: bands by position, applying the fields a record's mask names.
class FakeBands : public IBandList {
public:
    std::vector<BandInfo> bands;

    void Refresh() override {}
    int Count() const override { return static_cast<int>(bands.size()); }
    std::optional<BandInfo> GetBand(int i) const override { return bands.at(i); }
    int IdToIndex(std::uint32_t id) const override
    {
        for (std::size_t i = 0; i < bands.size(); ++i) {
            if (bands[i].wID == id)
                return static_cast<int>(i);
        }
        return -1;
    }
    bool MoveBand(int from, int to) override
    {
        const BandInfo moving = bands.at(from);
        bands.erase(bands.begin() + from);
        bands.insert(bands.begin() + to, moving);
        return true;
    }
    bool SetBand(int i, const BandInfo& info) override
    {
        BandInfo& b = bands.at(i);
        if (info.fMask & kBandMaskStyle)
            b.fStyle = info.fStyle;
        if (info.fMask & kBandMaskSize)
            b.cx = info.cx;
        if (info.fMask & kBandMaskIdealSize)
            b.cxIdeal = info.cxIdeal;
        return true;
    }
    std::vector<std::uint32_t> Ids() const
    {
        std::vector<std::uint32_t> ids;
        for (const BandInfo& b : bands)
            ids.push_back(b.wID);
        return ids;
    }
    const BandInfo& ById(std::uint32_t id) const { return bands.at(IdToIndex(id)); }
};

class FakeToggle : public IToggleWindow {
public:
    bool visible = true;
    std::vector<std::int32_t> shows;
    bool IsVisible() const override { return visible; }
    void Show(std::int32_t command) override
    {
        shows.push_back(command);
        visible = command != kShowHide;
    }
};

BandInfo Band(std::uint32_t id, std::uint32_t width, std::uint32_t style = kBandStyleChildEdge)
{
    BandInfo b;
    b.wID = id;
    b.cx = width;
    b.cxIdeal = width;
    b.fStyle = style;
    return b;
}

// A frame as it is just after creation: the menu band, then the toolbar band
// on a row of its own, the status bar shown.
struct Frame {
    std::shared_ptr<FakeWindow> window = std::make_shared<FakeWindow>();
    std::shared_ptr<FakeBands> bands = std::make_shared<FakeBands>();
    std::shared_ptr<FakeToggle> statusBar = std::make_shared<FakeToggle>();
    CWindowStateMgr manager;

    explicit Frame(LayoutRect work = {0, 0, 1280, 1024})
    {
        window->work = work;
        bands->bands = {Band(kMenuBand, 400), Band(kToolBand, 250, kBandStyleBreak)};
        manager.Initialize(window, kShowDefault);
        manager.AddChild(
            -1, std::make_shared<CRebarStateAdapter>(bands, std::vector<std::uint32_t>{kMenuBand}));
        manager.AddChild(-2, std::make_shared<CToggleWindowAdapter>(statusBar));
        manager.AddChild(-3, std::make_shared<CDockWndMgr>());
    }

    // From a writable store, so that a stray write would show.
    void RestoreFrom(const std::shared_ptr<MemoryKey>& root)
    {
        MemoryStorage storage(root, true);
        manager.Restore(&storage);
    }

    // What a first run looks like.
    void ExpectDefaultLayout(const std::string& why) const
    {
        SCOPED_TRACE(why);
        EXPECT_EQ(bands->Ids(), (std::vector<std::uint32_t>{kMenuBand, kToolBand}));
        EXPECT_EQ(bands->ById(kToolBand).cx, 250u);
        EXPECT_TRUE(statusBar->visible);
        ASSERT_FALSE(statusBar->shows.empty());
        EXPECT_EQ(statusBar->shows.back(), kShowNoActivate);
        EXPECT_EQ(window->shows, std::vector<std::int32_t>{kShowDefault});
        EXPECT_EQ(window->placementsApplied, 0);
    }
};

std::shared_ptr<MemoryKey> Save(const Frame& frame)
{
    auto root = std::make_shared<MemoryKey>();
    MemoryStorage storage(root, true);
    frame.manager.Store(storage);
    return root;
}

SettingsValue Dword(std::uint32_t v)
{
    return SettingsValue::FromBytes(EncodeDword(v));
}

SettingsValue PlacementBytes(const WindowPlacement& p)
{
    return SettingsValue::FromBytes(EncodePlacement(p));
}

SettingsValue BandBytes(const BandInfo& info)
{
    return SettingsValue::FromBytes(EncodeBandInfo(info));
}

TEST(WindowStateTest, LayoutSurvivesARestartExactly)
{
    Frame before;
    before.window->normal = {120, 90, 1020, 790};
    // The toolbar band above the menu band, the menu band widened on its own
    // row, the toolbar band hidden, the status bar hidden.
    before.bands->bands = {Band(kToolBand, 300, kBandStyleHidden),
                           Band(kMenuBand, 520, kBandStyleBreak | kBandStyleChildEdge)};
    before.statusBar->visible = false;
    const auto saved = Save(before);

    // The store has the expected shape.
    const MemoryKey& general = *saved->keys.at("General");
    EXPECT_EQ(general.values.at("SM_CXSCREEN"), Dword(1280));
    EXPECT_EQ(general.values.at("SM_CYSCREEN"), Dword(1024));
    const MemoryKey& mainWindow = *saved->keys.at("MainWindow");
    EXPECT_EQ(mainWindow.values.at("placement").bytes.size(), kPlacementSize);
    EXPECT_EQ(mainWindow.keys.at("Wnd-0xfffffffe")->values.at("visible"), Dword(0));
    const MemoryKey& rebar = *mainWindow.keys.at("Wnd-0xffffffff");
    ASSERT_EQ(rebar.values.size(), 2u);
    const auto band0 = DecodeBandInfo(rebar.values.at("band0").bytes);
    ASSERT_TRUE(band0);
    EXPECT_EQ(band0->fMask, 0x363u);
    EXPECT_EQ(band0->wID, kToolBand);
    EXPECT_EQ(rebar.values.at("band1").bytes.size(), kBandInfoSize);
    EXPECT_TRUE(mainWindow.keys.count("Wnd-0xfffffffd"));
    const auto stored = DecodePlacement(mainWindow.values.at("placement").bytes);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->flags, 0u) << "only the restore-to-maximised flag is kept";

    const auto untouched = DeepCopy(*saved);
    Frame after;
    after.RestoreFrom(saved);
    EXPECT_TRUE(*saved == *untouched) << "a restore writes nothing";

    EXPECT_EQ(after.window->normal.left, 120);
    EXPECT_EQ(after.window->normal.top, 90);
    EXPECT_EQ(after.window->normal.right, 1020);
    EXPECT_EQ(after.window->normal.bottom, 790);
    EXPECT_EQ(after.window->shows, std::vector<std::int32_t>{kShowNormal});
    EXPECT_TRUE(after.window->foreground);
    EXPECT_EQ(after.bands->Ids(), (std::vector<std::uint32_t>{kToolBand, kMenuBand}));
    EXPECT_EQ(after.bands->ById(kToolBand).fStyle, kBandStyleHidden);
    EXPECT_EQ(after.bands->ById(kToolBand).cx, 300u);
    EXPECT_EQ(after.bands->ById(kMenuBand).fStyle, kBandStyleBreak | kBandStyleChildEdge);
    EXPECT_EQ(after.bands->ById(kMenuBand).cx, 520u);
    EXPECT_FALSE(after.statusBar->visible);

    // Maximised: the normal rectangle is kept for when it is restored.
    before.window->state = FakeWindow::State::Maximized;
    Frame maximised;
    maximised.RestoreFrom(Save(before));
    EXPECT_EQ(maximised.window->state, FakeWindow::State::Maximized);
    EXPECT_EQ(maximised.window->shows, std::vector<std::int32_t>{kShowMaximized});
    EXPECT_EQ(maximised.window->normal.right, 1020);
    EXPECT_EQ(maximised.bands->Ids(), (std::vector<std::uint32_t>{kToolBand, kMenuBand}));
}

TEST(WindowStateTest, PlacementIsScaledToTheNewWorkArea)
{
    Frame before({0, 0, 1600, 1200});
    before.window->normal = {101, 151, 1001, 749};
    const auto saved = Save(before);

    Frame smaller({0, 0, 1280, 1024});
    smaller.RestoreFrom(saved);
    // x by 1280/1600, y by 1024/1200, each rounded to the nearest pixel:
    // 80.8, 128.85, 800.8 and 639.15.
    EXPECT_EQ(smaller.window->normal.left, 81);
    EXPECT_EQ(smaller.window->normal.top, 129);
    EXPECT_EQ(smaller.window->normal.right, 801);
    EXPECT_EQ(smaller.window->normal.bottom, 639);

    Frame same({0, 0, 1600, 1200});
    same.RestoreFrom(saved);
    EXPECT_EQ(same.window->normal.left, 101);
    EXPECT_EQ(same.window->normal.bottom, 749);

    // Stored extents that are unreadable, zero, negative or of the wrong size
    // leave the placement unscaled instead of collapsing it.
    for (const SettingsValue& width : {Dword(0), Dword(static_cast<std::uint32_t>(-1600)),
                                       Value(Bytes{0x40, 6}), Value(Bytes(8, 0x40))}) {
        saved->keys.at("General")->values["SM_CXSCREEN"] = width;
        saved->keys.at("General")->values.erase("SM_CYSCREEN");
        Frame restored({0, 0, 1280, 1024});
        restored.RestoreFrom(saved);
        EXPECT_EQ(restored.window->normal.left, 101);
        EXPECT_EQ(restored.window->normal.top, 151);
    }

    // Halves round away from zero; negative coordinates (a screen to the
    // left of the primary one) scale like positive ones.
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(-101, 1280, 1600), -81);
    EXPECT_EQ(MulDiv(7, 1, 0), -1);
}

TEST(WindowStateTest, ClosedMinimisedComesBackNormalOrMaximised)
{
    Frame normalThenMinimised;
    normalThenMinimised.window->state = FakeWindow::State::Minimized;
    const auto normalSaved = Save(normalThenMinimised);
    const auto p = DecodePlacement(normalSaved->keys.at("MainWindow")->values.at("placement").bytes);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->showCmd, std::uint32_t{kShowNormal});
    Frame a;
    a.RestoreFrom(normalSaved);
    EXPECT_EQ(a.window->shows, std::vector<std::int32_t>{kShowNormal});
    EXPECT_EQ(a.window->state, FakeWindow::State::Normal);

    Frame maximisedThenMinimised;
    maximisedThenMinimised.window->state = FakeWindow::State::Minimized;
    maximisedThenMinimised.window->maximizedBeforeMinimized = true;
    const auto maxSaved = Save(maximisedThenMinimised);
    const auto q = DecodePlacement(maxSaved->keys.at("MainWindow")->values.at("placement").bytes);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->showCmd, std::uint32_t{kShowMaximized});
    EXPECT_EQ(q->flags, kRestoreToMaximized);
    Frame b;
    b.RestoreFrom(maxSaved);
    EXPECT_EQ(b.window->state, FakeWindow::State::Maximized);
    EXPECT_EQ(b.window->normal.right, 810) << "its normal rectangle is kept";
}

TEST(WindowStateTest, MissingKeysAndDamagedValuesGiveTheDefaults)
{
    Frame reference;
    reference.bands->bands = {Band(kToolBand, 300), Band(kMenuBand, 520, kBandStyleBreak)};
    reference.statusBar->visible = false;

    // No store, no General key, no MainWindow key: the default layout.
    {
        Frame frame;
        frame.manager.Restore(nullptr);
        frame.ExpectDefaultLayout("no store");
    }
    for (const char* key : {"General", "MainWindow"}) {
        auto root = Save(reference);
        root->keys.erase(key);
        Frame frame;
        frame.RestoreFrom(root);
        frame.ExpectDefaultLayout(std::string("no ") + key);
    }

    // A placement that is missing, truncated, an integer or garbage of the
    // right length: the window stays where it is, unshown by the restore,
    // and every child gets its default.
    WindowPlacement noArea;
    noArea.showCmd = kShowNormal;
    noArea.normalPosition = {500, 400, 100, 100};
    for (const std::optional<SettingsValue>& placement :
         {std::optional<SettingsValue>{}, std::optional(Value(Bytes(43, 0))), std::optional(Dword(1)),
          std::optional(PlacementBytes(noArea))}) {
        auto root = Save(reference);
        auto& values = root->keys.at("MainWindow")->values;
        values.erase("placement");
        if (placement)
            values["placement"] = *placement;
        Frame frame;
        frame.RestoreFrom(root);
        SCOPED_TRACE(placement ? placement->bytes.size() : 0);
        EXPECT_EQ(frame.window->placementsApplied, 0);
        EXPECT_TRUE(frame.window->shows.empty());
        EXPECT_EQ(frame.window->normal.left, 10);
        EXPECT_EQ(frame.bands->Ids(), (std::vector<std::uint32_t>{kMenuBand, kToolBand}));
        EXPECT_TRUE(frame.statusBar->visible);
    }

    // A "visible" value of the wrong size or type shows the status bar.
    for (const Bytes& visible : {Bytes{0}, Bytes(8, 0), Bytes{}}) {
        auto root = Save(reference);
        root->keys.at("MainWindow")->keys.at("Wnd-0xfffffffe")->values["visible"] = Value(visible);
        Frame frame;
        frame.RestoreFrom(root);
        EXPECT_TRUE(frame.statusBar->visible);
        EXPECT_EQ(frame.statusBar->shows.back(), kShowNoActivate);
    }

    // A placement that asks to be hidden, or for no known show command,
    // comes back shown normally.
    for (const std::uint32_t showCmd : {std::uint32_t{kShowHide}, 0xDEADBEEFu}) {
        auto root = Save(reference);
        WindowPlacement p;
        p.showCmd = showCmd;
        p.normalPosition = {100, 100, 900, 700};
        root->keys.at("MainWindow")->values["placement"] = PlacementBytes(p);
        Frame frame;
        frame.RestoreFrom(root);
        EXPECT_EQ(frame.window->normal.right, 900);
        EXPECT_EQ(frame.window->shows, std::vector<std::int32_t>{kShowNormal});
        EXPECT_TRUE(frame.window->visible);
    }

    // Nothing is written where the store cannot be written.
    auto readOnly = std::make_shared<MemoryKey>();
    MemoryStorage storage(readOnly, false);
    reference.manager.Store(storage);
    EXPECT_TRUE(readOnly->keys.empty() && readOnly->values.empty());
}

// Stored rectangles are client areas; the window they make is grown to its
// minimum size and framed by the window system. That window, not the
// rectangle, must fit a screen.
TEST(WindowStateTest, DamagedRectanglesComeBackAsWindowsThatFitAScreen)
{
    const WindowMetrics metrics{112, 80, 4, 24, 4, 4};
    const LayoutRect secondScreen{1280, 0, 2560, 1024};
    struct Case {
        const char* what;
        LayoutRect stored;
        LayoutRect expected;  // the client area after the restore
    };
    const Case cases[] = {
        // Grown to 112 x 80, its title bar brought down onto the screen.
        {"1 x 1 at (5, 5)", {5, 5, 6, 6}, {5, 24, 117, 104}},
        {"50 x 50 at (5, 5)", {5, 5, 55, 55}, {5, 24, 117, 104}},
        // Grown to 80 pixels tall, so no longer on the screen: moved up, and
        // narrowed so that its borders fit.
        {"15 pixels tall at the bottom", {0, 1009, 1280, 1024}, {4, 940, 1276, 1020}},
        {"huge", {-50, -50, 5000, 4000}, {4, 24, 1276, 1020}},
        {"off every screen", {5000, 6000, 5800, 6600}, {476, 420, 1276, 1020}},
        {"far to the left", {-9000, -9000, -8200, -8400}, {4, 24, 804, 624}},
        {"fits as it is", {100, 100, 900, 700}, {100, 100, 900, 700}},
        {"wholly on the second screen", {1400, 100, 2000, 600}, {1400, 100, 2000, 600}},
        // Across both screens, mostly on the second: moved onto it.
        {"across both screens", {1200, 100, 1800, 600}, {1284, 100, 1884, 600}},
    };
    WindowPlacement p;
    p.showCmd = kShowNormal;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Frame frame;
        frame.window->metrics = metrics;
        frame.window->otherScreens = {secondScreen};
        p.normalPosition = c.stored;
        auto root = Save(frame);
        root->keys.at("MainWindow")->values["placement"] = PlacementBytes(p);
        frame.RestoreFrom(root);
        const LayoutRect& n = frame.window->normal;
        EXPECT_EQ(n.left, c.expected.left);
        EXPECT_EQ(n.top, c.expected.top);
        EXPECT_EQ(n.right, c.expected.right);
        EXPECT_EQ(n.bottom, c.expected.bottom);
        const LayoutRect outer{n.left - 4, n.top - 24, n.right + 4, n.bottom + 4};
        const bool onFirst = outer.left >= 0 && outer.right <= 1280;
        const bool onSecond = outer.left >= 1280 && outer.right <= 2560;
        EXPECT_TRUE((onFirst || onSecond) && outer.top >= 0 && outer.bottom <= 1024);
        EXPECT_EQ(frame.window->shows, std::vector<std::int32_t>{kShowNormal});
    }

    // A minimum larger than the screen: the window keeps its minimum and its
    // top-left corner, title bar included, goes to the screen's.
    Frame small({0, 0, 800, 600});
    small.window->metrics = {1000, 700, 4, 24, 4, 4};
    p.normalPosition = {300, 300, 400, 400};
    auto root = Save(small);
    root->keys.at("MainWindow")->values["placement"] = PlacementBytes(p);
    small.RestoreFrom(root);
    EXPECT_EQ(small.window->normal.left, 4);
    EXPECT_EQ(small.window->normal.top, 24);
    EXPECT_EQ(small.window->normal.Width(), 1000);
    EXPECT_EQ(small.window->normal.Height(), 700);

    // A screen lower than the frame, and no minimum: the window keeps a
    // client area, so the next start finds the same window, maximised still.
    Frame flat({0, 0, 1325, 4});
    flat.window->metrics = {0, 0, 39, 4, 24, 4};
    p.showCmd = kShowMaximized;
    p.normalPosition = {155, 4, 942, 90};
    root = Save(flat);
    root->keys.at("MainWindow")->values["placement"] = PlacementBytes(p);
    flat.RestoreFrom(root);
    EXPECT_EQ(flat.window->normal.Height(), 1);
    Frame again({0, 0, 1325, 4});
    again.window->metrics = flat.window->metrics;
    again.RestoreFrom(Save(flat));
    EXPECT_EQ(again.window->normal.left, flat.window->normal.left);
    EXPECT_EQ(again.window->normal.bottom, flat.window->normal.bottom);
    EXPECT_EQ(again.window->state, FakeWindow::State::Maximized);
}

TEST(WindowStateTest, BandsComeBackInStoredOrderByIdAndDamagedRecordsAreSkipped)
{
    auto root = std::make_shared<MemoryKey>();
    root->Child("General").values["SM_CXSCREEN"] = Dword(1280);
    root->Child("General").values["SM_CYSCREEN"] = Dword(1024);
    WindowPlacement placement;
    placement.showCmd = kShowNormal;
    placement.normalPosition = {10, 20, 810, 620};
    root->Child("MainWindow").values["placement"] = PlacementBytes(placement);
    MemoryKey& rebar = root->Child("MainWindow").Child("Wnd-0xffffffff");
    rebar.values["band0"] = BandBytes(Band(kExtraBand, 90));
    rebar.values["band1"] = BandBytes(Band(kToolBand, 333, kBandStyleBreak | kBandStyleHidden));
    rebar.values["band2"] = BandBytes(Band(kMenuBand, 444, kBandStyleHidden));

    Frame frame;
    frame.bands->bands.push_back(Band(kExtraBand, 60));
    frame.RestoreFrom(root);
    EXPECT_EQ(frame.bands->Ids(), (std::vector<std::uint32_t>{kExtraBand, kToolBand, kMenuBand}));
    EXPECT_EQ(frame.bands->ById(kExtraBand).cx, 90u);
    EXPECT_EQ(frame.bands->ById(kToolBand).cx, 333u);
    EXPECT_EQ(frame.bands->ById(kToolBand).fStyle, kBandStyleBreak | kBandStyleHidden);
    EXPECT_EQ(frame.bands->ById(kMenuBand).cx, 444u);
    EXPECT_EQ(frame.bands->ById(kMenuBand).fStyle & kBandStyleHidden, 0u)
        << "the menu band is never hidden by a restore";

    // A band that no longer exists, a truncated record, a record that does
    // not say it is one, and an absurd width: each is skipped on its own.
    BandInfo gone = Band(12345, 10);
    BandInfo notARecord = Band(kToolBand, 10);
    notARecord.cbSize = 100;
    BandInfo absurd = Band(kExtraBand, 0xFFFFFF00u, kBandStyleBreak);
    SettingsValue truncated = BandBytes(Band(kToolBand, 10));
    truncated.bytes.pop_back();
    rebar.values["band0"] = BandBytes(gone);
    rebar.values["band1"] = truncated;
    rebar.values["band2"] = BandBytes(notARecord);
    rebar.values["band3"] = BandBytes(absurd);
    Frame damaged;
    damaged.bands->bands.push_back(Band(kExtraBand, 60));
    damaged.bands->bands.push_back(Band(kExtraBand + 1, 70));
    damaged.RestoreFrom(root);
    EXPECT_EQ(damaged.bands->Ids(),
              (std::vector<std::uint32_t>{kMenuBand, kToolBand, kExtraBand + 1, kExtraBand}));
    EXPECT_EQ(damaged.bands->ById(kToolBand).cx, 250u);
    EXPECT_EQ(damaged.bands->ById(kExtraBand).cx, 60u) << "the absurd width is not applied";
    EXPECT_EQ(damaged.bands->ById(kExtraBand).fStyle, kBandStyleBreak) << "its style is";
}

// A damaged file: values of forms Kinetta never writes read as absent and are
// written back unchanged; a key nested hundreds of thousands deep (the tree is
// walked recursively) is dropped; the rest still reads.
TEST(WindowStateTest, DamagedSettingsTextKeepsWhatItCanRead)
{
    std::string text = "[%General]\nSM_CXSCREEN=1280\nSM_CYSCREEN=-1\n[Other]\n";
    text += "img=@Variant(\\0\\0\\0\\x7f)\nlist=1, 0\nhalf=\"@ByteArray(a\n";
    text += "[MainWindow]\n";
    for (int i = 0; i < 300000; ++i)
        text += "a\\";
    text += "x=1\nWnd-0xfffffffe\\visible=0\n";

    const SettingsKey tree = ParseSettingsText(text);
    const MemoryKey& general = *tree.keys.at("General");
    EXPECT_EQ(general.values.at("SM_CXSCREEN").Bytes(), Dword(1280).bytes);
    EXPECT_FALSE(general.values.at("SM_CYSCREEN").Bytes());
    const MemoryKey& other = *tree.keys.at("Other");
    for (const char* name : {"img", "list", "half"})
        EXPECT_FALSE(other.values.at(name).Bytes()) << name;
    const MemoryKey& mainWindow = *tree.keys.at("MainWindow");
    EXPECT_EQ(mainWindow.keys.size(), 1u);
    EXPECT_EQ(mainWindow.keys.at("Wnd-0xfffffffe")->values.at("visible").Bytes(), Dword(0).bytes);

    const std::string written = WriteSettingsText(tree);
    EXPECT_NE(written.find("img=@Variant(\\0\\0\\0\\x7f)\nlist=1, 0\n"), std::string::npos)
        << written;
    EXPECT_TRUE(ParseSettingsText(written) == tree);
}

}  // namespace
}  // namespace sstate
