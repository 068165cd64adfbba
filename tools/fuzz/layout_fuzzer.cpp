// libFuzzer target: the saved window layout, from the settings file's text to
// the window. The input is a settings file followed by the screen it is
// restored on (work area, other screens, the window's minimum size and
// frame). No display is needed: the window, its bands and its status bar are
// plain models that behave as the Qt widgets do.
//
// Checked beyond the sanitizers: the text reads back as the same tree after
// being written; a placement is applied only when the window it makes fits a
// screen; the window is never hidden or minimised; the menu band is always
// shown and no band is lost; and restoring, storing through the file's text
// and restoring again gives the same window and the same file.
#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/rebar_state_adapter.h"
#include "app/sstate/settings_text.h"
#include "app/sstate/settings_tree.h"
#include "app/sstate/toggle_window_adapter.h"
#include "app/sstate/window_state_mgr.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace sstate;

constexpr std::uint32_t kMenuBand = 60160;
constexpr std::uint32_t kToolBand = 60161;
constexpr std::uint32_t kExtraBand = 60162;

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Screen {
    LayoutRect work;
    std::vector<LayoutRect> others;
    WindowMetrics metrics;
};

class ModelWindow : public ITopLevelWindow {
public:
    Screen screen;
    LayoutRect normal;
    bool maximised = false;
    bool visible = true;
    int placementsApplied = 0;

    LayoutRect WorkArea() const override { return screen.work; }
    std::vector<LayoutRect> ScreenAreas() const override
    {
        std::vector<LayoutRect> all{screen.work};
        all.insert(all.end(), screen.others.begin(), screen.others.end());
        return all;
    }
    WindowMetrics Metrics() const override { return screen.metrics; }
    std::optional<WindowPlacement> GetPlacement() const override
    {
        WindowPlacement p;
        p.showCmd = maximised ? kShowMaximized : kShowNormal;
        p.normalPosition = normal;
        return p;
    }
    void SetPlacement(const WindowPlacement& p) override
    {
        Require(p.showCmd == kShowHide);
        // As Qt does: a client area below the minimum grows from its corner.
        normal = p.normalPosition;
        normal.right = static_cast<std::int32_t>(
            normal.left + std::max<std::int64_t>(normal.Width(), screen.metrics.minimumWidth));
        normal.bottom = static_cast<std::int32_t>(
            normal.top + std::max<std::int64_t>(normal.Height(), screen.metrics.minimumHeight));
        maximised = false;
        ++placementsApplied;
    }
    void Show(std::int32_t command) override
    {
        Require(command != kShowHide && command != kShowMinimized && command != kShowMinimize &&
                command != kShowMinNoActive && command != kShowForceMinimize);
        if (command == kShowMaximized)
            maximised = true;
        else if (command == kShowNormal || command == kShowRestore)
            maximised = false;
    }
    void BringToForeground() override {}
};

class ModelBands : public IBandList {
public:
    std::vector<BandInfo> bands;

    void Refresh() override {}
    int Count() const override { return static_cast<int>(bands.size()); }
    std::optional<BandInfo> GetBand(int i) const override
    {
        if (i < 0 || i >= Count())
            return std::nullopt;
        return bands[static_cast<std::size_t>(i)];
    }
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
        Require(from >= 0 && from < Count() && to >= 0 && to < Count());
        const BandInfo moving = bands[static_cast<std::size_t>(from)];
        bands.erase(bands.begin() + from);
        bands.insert(bands.begin() + to, moving);
        return true;
    }
    bool SetBand(int i, const BandInfo& info) override
    {
        Require(i >= 0 && i < Count());
        BandInfo& b = bands[static_cast<std::size_t>(i)];
        if (info.fMask & kBandMaskStyle)
            b.fStyle = info.fStyle;
        if (info.fMask & kBandMaskSize)
            b.cx = info.cx;
        if (info.fMask & kBandMaskIdealSize)
            b.cxIdeal = info.cxIdeal;
        return true;
    }
};

class ModelStatusBar : public IToggleWindow {
public:
    bool visible = true;
    bool IsVisible() const override { return visible; }
    void Show(std::int32_t command) override { visible = command != kShowHide; }
};

// Three panes that take whatever placement they are given, as Qt's docks do.
class ModelPanes : public IPaneList {
public:
    explicit ModelPanes(const ModelWindow& window) : m_window(window) {}
    std::vector<PanePlacement> panes = std::vector<PanePlacement>(3);
    PaneChoices choices;

    int Count() const override { return 3; }
    std::string Name(int index) const override { return "pane" + std::to_string(index); }
    PanePlacement Get(int index) const override { return panes.at(std::size_t(index)); }
    PanePlacement DefaultPlacement(int) const override { return {false, kPaneRight, false, 0, {}}; }
    void Set(int index, const PanePlacement& placement) override
    {
        panes.at(std::size_t(index)) = placement;
    }
    LayoutRect WorkArea() const override { return m_window.WorkArea(); }
    std::vector<LayoutRect> ScreenAreas() const override { return m_window.ScreenAreas(); }
    WindowMetrics FloatingMetrics(int) const override { return m_window.Metrics(); }
    std::int32_t MaxDockedSize(std::uint32_t) const override { return 700; }
    PaneChoices GetChoices() const override { return choices; }
    void SetChoices(const PaneChoices& c) override { choices = c; }

private:
    const ModelWindow& m_window;
};

struct Frame {
    std::shared_ptr<ModelWindow> window = std::make_shared<ModelWindow>();
    std::shared_ptr<ModelPanes> panes = std::make_shared<ModelPanes>(*window);
    std::shared_ptr<ModelBands> bands = std::make_shared<ModelBands>();
    std::shared_ptr<ModelStatusBar> statusBar = std::make_shared<ModelStatusBar>();
    CWindowStateMgr manager;

    explicit Frame(const Screen& screen)
    {
        window->screen = screen;
        // Where the window system puts a new window: on the work area.
        const WindowMetrics& m = screen.metrics;
        const LayoutRect& w = screen.work;
        const std::int64_t width = std::max<std::int64_t>(
            m.minimumWidth, std::min<std::int64_t>(640, w.Width() - m.frameLeft - m.frameRight));
        const std::int64_t height = std::max<std::int64_t>(
            m.minimumHeight, std::min<std::int64_t>(480, w.Height() - m.frameTop - m.frameBottom));
        window->normal = {w.left + m.frameLeft, w.top + m.frameTop,
                          static_cast<std::int32_t>(w.left + m.frameLeft + width),
                          static_cast<std::int32_t>(w.top + m.frameTop + height)};
        BandInfo menu, tool, extra;
        menu.wID = kMenuBand;
        tool.wID = kToolBand;
        tool.fStyle = kBandStyleBreak;
        extra.wID = kExtraBand;
        bands->bands = {menu, tool, extra};
        manager.Initialize(window, kShowDefault);
        manager.AddChild(-1, std::make_shared<CRebarStateAdapter>(
                                 bands, std::vector<std::uint32_t>{kMenuBand}));
        manager.AddChild(-2, std::make_shared<CToggleWindowAdapter>(statusBar));
        manager.AddChild(-3, std::make_shared<CDockWndMgr>(panes));
    }

    void RestoreFrom(const SettingsKey& tree)
    {
        // Read-only: a restore writes nothing.
        CMemoryStorage root(std::make_shared<SettingsKey>(tree), false);
        manager.Restore(&root);
    }

    std::string StoredText() const
    {
        auto tree = std::make_shared<SettingsKey>();
        CMemoryStorage root(tree, true);
        manager.Store(root);
        return WriteSettingsText(*tree);
    }

    bool SameAs(const Frame& other) const
    {
        const LayoutRect& a = window->normal;
        const LayoutRect& b = other.window->normal;
        if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom ||
            window->maximised != other.window->maximised ||
            statusBar->visible != other.statusBar->visible ||
            bands->bands.size() != other.bands->bands.size())
            return false;
        for (std::size_t i = 0; i < bands->bands.size(); ++i) {
            const BandInfo& x = bands->bands[i];
            const BandInfo& y = other.bands->bands[i];
            if (x.wID != y.wID || x.fStyle != y.fStyle || x.cx != y.cx || x.cxIdeal != y.cxIdeal)
                return false;
        }
        for (std::size_t i = 0; i < panes->panes.size(); ++i) {
            const PanePlacement& x = panes->panes[i];
            const PanePlacement& y = other.panes->panes[i];
            if (x.shown != y.shown || x.side != y.side || x.floating != y.floating ||
                x.size != y.size || x.floatingRect.left != y.floatingRect.left ||
                x.floatingRect.top != y.floatingRect.top ||
                x.floatingRect.right != y.floatingRect.right ||
                x.floatingRect.bottom != y.floatingRect.bottom)
                return false;
        }
        return panes->choices.ticksPerStep == other.panes->choices.ticksPerStep &&
               panes->choices.debugDrawing == other.panes->choices.debugDrawing;
    }
};

// Along one axis: within the screen, or at its start when even the minimum
// is larger.
bool AxisFits(std::int64_t start, std::int64_t length, std::int64_t low, std::int64_t high,
              std::int64_t minimum)
{
    return (start >= low && start + length <= high) ||
           (start == low && length > high - low && length <= minimum);
}

// The window as the window system shows it, frame included, lies on a screen.
bool FitsAScreen(const ModelWindow& window)
{
    const WindowMetrics& m = window.screen.metrics;
    const LayoutRect& n = window.normal;
    const std::int64_t left = std::int64_t{n.left} - m.frameLeft;
    const std::int64_t top = std::int64_t{n.top} - m.frameTop;
    const std::int64_t width = n.Width() + m.frameLeft + m.frameRight;
    const std::int64_t height = n.Height() + m.frameTop + m.frameBottom;
    // A client area keeps at least a pixel each way.
    const std::int64_t minWidth = std::max<std::int64_t>(m.minimumWidth, 1) + m.frameLeft + m.frameRight;
    const std::int64_t minHeight = std::max<std::int64_t>(m.minimumHeight, 1) + m.frameTop + m.frameBottom;
    for (const LayoutRect& s : window.ScreenAreas()) {
        if (!s.IsEmpty() && AxisFits(left, width, s.left, s.right, minWidth) &&
            AxisFits(top, height, s.top, s.bottom, minHeight))
            return true;
    }
    return false;
}

LayoutRect ConsumeScreen(FuzzedDataProvider& in)
{
    const std::int32_t left = in.ConsumeIntegralInRange<std::int32_t>(-4000, 4000);
    const std::int32_t top = in.ConsumeIntegralInRange<std::int32_t>(-4000, 4000);
    return {left, top, left + in.ConsumeIntegralInRange<std::int32_t>(0, 9000),
            top + in.ConsumeIntegralInRange<std::int32_t>(0, 9000)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    // The screen comes from the end of the input, the file from the start.
    Screen screen;
    screen.work = ConsumeScreen(in);
    for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n)
        screen.others.push_back(ConsumeScreen(in));
    screen.metrics.minimumWidth = in.ConsumeIntegralInRange(0, 3000);
    screen.metrics.minimumHeight = in.ConsumeIntegralInRange(0, 3000);
    screen.metrics.frameLeft = in.ConsumeIntegralInRange(0, 40);
    screen.metrics.frameTop = in.ConsumeIntegralInRange(0, 80);
    screen.metrics.frameRight = in.ConsumeIntegralInRange(0, 40);
    screen.metrics.frameBottom = in.ConsumeIntegralInRange(0, 40);
    const std::string text = in.ConsumeRemainingBytesAsString();

    const SettingsKey tree = ParseSettingsText(text);
    const std::string written = WriteSettingsText(tree);
    Require(ParseSettingsText(written) == tree);

    Frame first(screen);
    first.RestoreFrom(tree);
    Require(first.window->visible);
    if (first.window->placementsApplied > 0 && !screen.work.IsEmpty())
        Require(FitsAScreen(*first.window));
    std::vector<std::uint32_t> ids;
    for (const BandInfo& b : first.bands->bands) {
        ids.push_back(b.wID);
        if (b.wID == kMenuBand)
            Require((b.fStyle & kBandStyleHidden) == 0);
    }
    std::sort(ids.begin(), ids.end());
    Require(ids == (std::vector<std::uint32_t>{kMenuBand, kToolBand, kExtraBand}));
    // Every pane comes back docked to a side there is, within the frame, or
    // floating on a screen, like the window.
    for (const PanePlacement& p : first.panes->panes) {
        Require(p.side == kPaneLeft || p.side == kPaneRight || p.side == kPaneBottom);
        Require(p.size >= 0 && p.size <= 700);
        if (p.floating && !screen.work.IsEmpty()) {
            ModelWindow floating;
            floating.screen = screen;
            floating.normal = p.floatingRect;
            Require(FitsAScreen(floating));
        }
    }

    // The next start reads what this one wrote.
    const std::string stored = first.StoredText();
    Frame second(screen);
    second.RestoreFrom(ParseSettingsText(stored));
    Require(second.SameAs(first));
    Require(second.StoredText() == stored);
    return 0;
}
