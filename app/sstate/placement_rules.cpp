#include "app/sstate/placement_rules.h"

#include "app/sstate/window_interfaces.h"

#include <algorithm>
#include <limits>

namespace sstate {

namespace {

// No screen is wider or taller than this; anything beyond is damage.
constexpr std::int64_t kMaxWorkAreaExtent = 1 << 16;
// A window counts as reachable when at least this much of it (or all of it,
// if smaller) shows on one screen in both directions.
constexpr std::int64_t kMinVisible = 32;

bool Overlaps(const LayoutRect& r, const LayoutRect& screen)
{
    const std::int64_t wide =
        std::min<std::int64_t>(r.right, screen.right) - std::max<std::int64_t>(r.left, screen.left);
    const std::int64_t high =
        std::min<std::int64_t>(r.bottom, screen.bottom) - std::max<std::int64_t>(r.top, screen.top);
    return wide >= std::min(kMinVisible, r.Width()) && high >= std::min(kMinVisible, r.Height());
}

LayoutRect Union(const LayoutRect& workArea, const std::vector<LayoutRect>& screens)
{
    LayoutRect all = workArea;
    for (const LayoutRect& s : screens) {
        if (s.IsEmpty())
            continue;
        all.left = std::min(all.left, s.left);
        all.top = std::min(all.top, s.top);
        all.right = std::max(all.right, s.right);
        all.bottom = std::max(all.bottom, s.bottom);
    }
    return all;
}

std::int32_t ToInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator)
{
    if (denominator == 0)
        return -1;
    std::int64_t product = std::int64_t{number} * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t result =
        product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < std::numeric_limits<std::int32_t>::min())
        return -1;
    return static_cast<std::int32_t>(result);
}

ScaleRatio RatioFor(std::optional<std::uint32_t> storedExtent, std::int64_t currentExtent)
{
    if (!storedExtent || currentExtent <= 0 || currentExtent > kMaxWorkAreaExtent)
        return {};
    // Read as the signed value it was written from: zero or a negative extent
    // would turn every coordinate into -1 or mirror it.
    const auto stored = static_cast<std::int32_t>(*storedExtent);
    if (stored <= 0 || stored > kMaxWorkAreaExtent || stored == currentExtent)
        return {};
    return {static_cast<std::int32_t>(currentExtent), stored};
}

WindowPlacement PrepareForStore(WindowPlacement placement)
{
    placement.length = kPlacementSize;
    if (placement.showCmd == kShowMinimized)
        placement.showCmd = kShowNormal;
    placement.flags &= kRestoreToMaximized;
    if (placement.flags & kRestoreToMaximized)
        placement.showCmd = kShowMaximized;
    return placement;
}

void ScalePlacement(WindowPlacement& p, const ScaleRatios& r)
{
    auto x = [&r](std::int32_t& v) { v = MulDiv(v, r.x.numerator, r.x.denominator); };
    auto y = [&r](std::int32_t& v) { v = MulDiv(v, r.y.numerator, r.y.denominator); };
    x(p.minPosition.x);
    y(p.minPosition.y);
    x(p.maxPosition.x);
    y(p.maxPosition.y);
    x(p.normalPosition.left);
    y(p.normalPosition.top);
    x(p.normalPosition.right);
    y(p.normalPosition.bottom);
}

std::int32_t ShowCommandToRestore(std::uint32_t storedShowCommand, std::int32_t defaultShowCommand)
{
    if (defaultShowCommand < 0)
        return defaultShowCommand & 0x7fffffff;
    switch (storedShowCommand) {
        case kShowMaximized:
        case kShowNormal:
        case kShowNoActivate:
        case kShow:
        case kShowNA:
        case kShowRestore:
        case kShowDefault:
            return static_cast<std::int32_t>(storedShowCommand);
        default:
            return kShowNormal;
    }
}

std::optional<LayoutRect> FitOntoScreens(const LayoutRect& normal, const LayoutRect& workArea,
                                         const std::vector<LayoutRect>& screens)
{
    if (normal.IsEmpty())
        return std::nullopt;
    if (workArea.IsEmpty())
        return normal;

    const LayoutRect desktop = Union(workArea, screens);
    std::int64_t width = std::min(normal.Width(), desktop.Width());
    std::int64_t height = std::min(normal.Height(), desktop.Height());
    std::int64_t left = normal.left;
    std::int64_t top = normal.top;
    LayoutRect fitted{normal.left, normal.top, ToInt32(left + width), ToInt32(top + height)};

    bool reachable = Overlaps(fitted, workArea);
    for (const LayoutRect& s : screens)
        reachable = reachable || (!s.IsEmpty() && Overlaps(fitted, s));
    if (reachable)
        return fitted;

    width = std::min(width, workArea.Width());
    height = std::min(height, workArea.Height());
    left = std::clamp<std::int64_t>(left, workArea.left, workArea.right - width);
    top = std::clamp<std::int64_t>(top, workArea.top, workArea.bottom - height);
    return LayoutRect{ToInt32(left), ToInt32(top), ToInt32(left + width), ToInt32(top + height)};
}

}  // namespace sstate
