#include "app/sstate/dock_wnd_mgr.h"

#include "app/sstate/placement_rules.h"

#include <algorithm>

namespace sstate {

namespace {

constexpr std::string_view kTicksPerStep = "ticksPerStep";
constexpr std::string_view kDebugDrawing = "debugDrawing";

bool KnownSide(std::uint32_t side)
{
    return side == kPaneLeft || side == kPaneRight || side == kPaneBottom;
}

LayoutRect Scaled(const LayoutRect& r, const ScaleRatios& ratios)
{
    return {MulDiv(r.left, ratios.x.numerator, ratios.x.denominator),
            MulDiv(r.top, ratios.y.numerator, ratios.y.denominator),
            MulDiv(r.right, ratios.x.numerator, ratios.x.denominator),
            MulDiv(r.bottom, ratios.y.numerator, ratios.y.denominator)};
}

std::optional<std::uint32_t> ReadDword(IStorge& key, std::string_view name)
{
    const auto bytes = key.QueryBinaryValue(name);
    return bytes ? DecodeDword(*bytes) : std::nullopt;
}

}  // namespace

std::array<std::uint8_t, kPanePlacementSize> EncodePanePlacement(const PanePlacement& p)
{
    using namespace blob_detail;
    std::array<std::uint8_t, kPanePlacementSize> out{};
    Put(out, 0, p.shown ? 1 : 0);
    Put(out, 4, p.side);
    Put(out, 8, p.floating ? 1 : 0);
    PutSigned(out, 12, p.size);
    PutSigned(out, 16, p.floatingRect.left);
    PutSigned(out, 20, p.floatingRect.top);
    PutSigned(out, 24, p.floatingRect.right);
    PutSigned(out, 28, p.floatingRect.bottom);
    return out;
}

std::optional<PanePlacement> DecodePanePlacement(std::span<const std::uint8_t> in)
{
    using namespace blob_detail;
    if (in.size() != kPanePlacementSize)
        return std::nullopt;
    PanePlacement p;
    p.shown = Get(in, 0) != 0;
    p.side = Get(in, 4);
    p.floating = Get(in, 8) != 0;
    p.size = GetSigned(in, 12);
    p.floatingRect = {GetSigned(in, 16), GetSigned(in, 20), GetSigned(in, 24), GetSigned(in, 28)};
    return p;
}

PanePlacement FitPanePlacement(PanePlacement placement, const ScaleRatios& ratios,
                               const IPaneList& panes, int index)
{
    if (!KnownSide(placement.side))
        placement.side = kPaneLeft;
    placement.size = std::clamp(placement.size, 0, std::max(0, panes.MaxDockedSize(placement.side)));
    if (!placement.floating)
        return placement;
    const std::optional<LayoutRect> fitted =
        FitOntoScreens(Scaled(placement.floatingRect, ratios), panes.FloatingMetrics(index),
                       panes.WorkArea(), panes.ScreenAreas());
    if (!fitted) {
        placement.floating = false;
        placement.floatingRect = {};
        return placement;
    }
    placement.floatingRect = *fitted;
    return placement;
}

void CDockWndMgr::Store(IStorge& key) const
{
    if (!m_panes)
        return;
    for (int i = 0; i < m_panes->Count(); ++i)
        key.SetBinaryValue(m_panes->Name(i), EncodePanePlacement(m_panes->Get(i)));
    const PaneChoices choices = m_panes->GetChoices();
    key.SetBinaryValue(kTicksPerStep, EncodeDword(choices.ticksPerStep));
    key.SetBinaryValue(kDebugDrawing, EncodeDword(choices.debugDrawing));
}

bool CDockWndMgr::Restore(IStorge& key, const ScaleRatios& ratios)
{
    if (!m_panes)
        return true;
    for (int i = 0; i < m_panes->Count(); ++i) {
        const auto bytes = key.QueryBinaryValue(m_panes->Name(i));
        const std::optional<PanePlacement> stored =
            bytes ? DecodePanePlacement(*bytes) : std::nullopt;
        m_panes->Set(i, stored ? FitPanePlacement(*stored, ratios, *m_panes, i)
                               : m_panes->DefaultPlacement(i));
    }
    PaneChoices choices;
    choices.ticksPerStep = ReadDword(key, kTicksPerStep).value_or(choices.ticksPerStep);
    choices.debugDrawing = ReadDword(key, kDebugDrawing).value_or(choices.debugDrawing);
    m_panes->SetChoices(choices);
    return true;
}

void CDockWndMgr::RestoreDefault()
{
    if (!m_panes)
        return;
    for (int i = 0; i < m_panes->Count(); ++i)
        m_panes->Set(i, m_panes->DefaultPlacement(i));
    m_panes->SetChoices(PaneChoices{});
}

}  // namespace sstate
