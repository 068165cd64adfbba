#include "app/sstate/window_state_mgr.h"

#include <cstdio>
#include <map>

namespace sstate {

namespace {

constexpr std::string_view kGeneralKey = "General";
constexpr std::string_view kMainWindowKey = "MainWindow";
constexpr std::string_view kWorkAreaWidth = "SM_CXSCREEN";
constexpr std::string_view kWorkAreaHeight = "SM_CYSCREEN";
constexpr std::string_view kPlacement = "placement";

void SetDword(IStorge& key, std::string_view name, std::uint32_t value)
{
    key.SetBinaryValue(name, EncodeDword(value));
}

std::optional<std::uint32_t> QueryDword(IStorge& key, std::string_view name)
{
    const auto bytes = key.QueryBinaryValue(name);
    return bytes ? DecodeDword(*bytes) : std::nullopt;
}

}  // namespace

struct CWindowStateMgr::Impl {
    std::shared_ptr<ITopLevelWindow> window;
    std::int32_t defaultShowCommand = kShowDefault;
    std::map<std::int32_t, std::shared_ptr<IStateAdapter>> children;

    void ChildrenDefault()
    {
        for (auto& [id, child] : children)
            child->RestoreDefault();
    }

    void RestoreChildren(IStorge& mainWindow, const ScaleRatios& ratios)
    {
        for (auto& [id, child] : children) {
            const auto key = mainWindow.Open(ChildKeyName(id));
            if (!key || !child->Restore(*key, ratios))
                child->RestoreDefault();
        }
    }

    void RestoreMainWindow(IStorge& mainWindow, const ScaleRatios& ratios)
    {
        const auto bytes = mainWindow.QueryBinaryValue(kPlacement);
        std::optional<WindowPlacement> placement = bytes ? DecodePlacement(*bytes) : std::nullopt;
        if (placement) {
            ScalePlacement(*placement, ratios);
            const auto normal = FitOntoScreens(placement->normalPosition, window->Metrics(),
                                               window->WorkArea(), window->ScreenAreas());
            if (normal)
                placement->normalPosition = *normal;
            else
                placement.reset();
        }
        if (!placement) {
            // The window stays where it was put at creation.
            ChildrenDefault();
            return;
        }

        const std::int32_t show = ShowCommandToRestore(placement->showCmd, defaultShowCommand);
        placement->showCmd = kShowHide;
        if (show == kShowMaximized) {
            // The bars first, so that the window is laid out once, maximised.
            RestoreChildren(mainWindow, ratios);
            window->SetPlacement(*placement);
            window->Show(kShowMaximized);
        } else {
            window->SetPlacement(*placement);
            RestoreChildren(mainWindow, ratios);
            window->Show(show);
        }
        window->BringToForeground();
    }
};

CWindowStateMgr::CWindowStateMgr(std::shared_ptr<ITopLevelWindow> window,
                                 std::int32_t defaultShowCommand)
    : m_impl(std::make_shared<Impl>())
{
    Initialize(std::move(window), defaultShowCommand);
}

void CWindowStateMgr::Initialize(std::shared_ptr<ITopLevelWindow> window,
                                 std::int32_t defaultShowCommand)
{
    m_impl->window = std::move(window);
    m_impl->defaultShowCommand = defaultShowCommand;
}

void CWindowStateMgr::AddChild(std::int32_t id, std::shared_ptr<IStateAdapter> child)
{
    if (child)
        m_impl->children[id] = std::move(child);
}

std::string CWindowStateMgr::ChildKeyName(std::int32_t id)
{
    char name[24];
    std::snprintf(name, sizeof name, "Wnd-0x%x", static_cast<unsigned>(id));
    return name;
}

void CWindowStateMgr::Store(IStorge& root) const
{
    Impl& d = *m_impl;
    if (d.window) {
        if (const auto general = root.Create(kGeneralKey)) {
            const LayoutRect work = d.window->WorkArea();
            SetDword(*general, kWorkAreaWidth, static_cast<std::uint32_t>(work.Width()));
            SetDword(*general, kWorkAreaHeight, static_cast<std::uint32_t>(work.Height()));
        }
    }
    const auto mainWindow = root.Create(kMainWindowKey);
    if (!mainWindow)
        return;
    if (d.window) {
        if (const auto placement = d.window->GetPlacement())
            mainWindow->SetBinaryValue(kPlacement, EncodePlacement(PrepareForStore(*placement)));
    }
    for (const auto& [id, child] : d.children) {
        if (const auto key = mainWindow->Create(ChildKeyName(id)))
            child->Store(*key);
    }
}

void CWindowStateMgr::Restore(IStorge* root)
{
    Impl& d = *m_impl;
    if (!d.window || !root) {
        RestoreDefault();
        return;
    }
    const auto general = root->Open(kGeneralKey);
    if (!general) {
        RestoreDefault();
        return;
    }
    const LayoutRect work = d.window->WorkArea();
    const ScaleRatios ratios{RatioFor(QueryDword(*general, kWorkAreaWidth), work.Width()),
                             RatioFor(QueryDword(*general, kWorkAreaHeight), work.Height())};

    const auto mainWindow = root->Open(kMainWindowKey);
    if (mainWindow)
        d.RestoreMainWindow(*mainWindow, ratios);
    else
        RestoreDefault();
}

void CWindowStateMgr::RestoreDefault()
{
    m_impl->ChildrenDefault();
    if (m_impl->window)
        m_impl->window->Show(m_impl->defaultShowCommand);
}

}  // namespace sstate
