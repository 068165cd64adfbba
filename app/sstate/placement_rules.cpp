#include "app/sstate/placement_rules.h"

#include "app/sstate/window_interfaces.h"

#include <algorithm>
#include <limits>

namespace sstate {

namespace {

// No screen is wider or taller than this; anything beyond is damage.
constexpr std::int64_t kMaxWorkAreaExtent = 1 << 16;
// Frames and minimum sizes beyond this are not real.
constexpr std::int64_t kMaxFrameOrMinimum = 1 << 14;

// A window as the extent of its frame along one axis.
struct Span {
    std::int64_t start;
    std::int64_t length;
};

// Lies within [low, high), or, larger than that and already at its minimum,
// starts at low.
bool SpanFits(const Span& s, std::int64_t low, std::int64_t high, std::int64_t minimum)
{
    if (s.start >= low && s.start + s.length <= high)
        return true;
    return s.length > high - low && s.length == minimum && s.start == low;
}

// Shrunk to [low, high) (never below the minimum) and moved into it, as
// little as it takes.
Span SpanOnto(Span s, std::int64_t low, std::int64_t high, std::int64_t minimum)
{
    s.length = std::max(std::min(s.length, high - low), minimum);
    s.start = s.length > high - low ? low : std::clamp(s.start, low, high - s.length);
    return s;
}

std::int64_t Overlap(std::int64_t aStart, std::int64_t aEnd, std::int64_t bStart, std::int64_t bEnd)
{
    return std::max<std::int64_t>(0, std::min(aEnd, bEnd) - std::max(aStart, bStart));
}

std::int64_t Bounded(std::int32_t v)
{
    return std::clamp<std::int64_t>(v, 0, kMaxFrameOrMinimum);
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

std::optional<LayoutRect> FitOntoScreens(const LayoutRect& normal, const WindowMetrics& metrics,
                                         const LayoutRect& workArea,
                                         const std::vector<LayoutRect>& screens)
{
    if (normal.IsEmpty())
        return std::nullopt;
    if (workArea.IsEmpty())
        return normal;

    const std::int64_t left = Bounded(metrics.frameLeft);
    const std::int64_t top = Bounded(metrics.frameTop);
    const std::int64_t frameWidth = left + Bounded(metrics.frameRight);
    const std::int64_t frameHeight = top + Bounded(metrics.frameBottom);
    // At least a pixel each way: shrunk onto a screen smaller than the frame,
    // an empty client area would be thrown away as damage at the next start.
    const std::int64_t minimumWidth = std::max<std::int64_t>(Bounded(metrics.minimumWidth), 1) + frameWidth;
    const std::int64_t minimumHeight = std::max<std::int64_t>(Bounded(metrics.minimumHeight), 1) + frameHeight;
    Span x{normal.left - left, std::max(normal.Width() + frameWidth, minimumWidth)};
    Span y{normal.top - top, std::max(normal.Height() + frameHeight, minimumHeight)};

    std::vector<LayoutRect> candidates{workArea};
    for (const LayoutRect& s : screens) {
        if (!s.IsEmpty())
            candidates.push_back(s);
    }
    const LayoutRect* most = nullptr;
    std::int64_t mostCovered = 0;
    bool fits = false;
    for (const LayoutRect& s : candidates) {
        if (SpanFits(x, s.left, s.right, minimumWidth) && SpanFits(y, s.top, s.bottom, minimumHeight)) {
            fits = true;
            break;
        }
        const std::int64_t covered = Overlap(x.start, x.start + x.length, s.left, s.right) *
                                     Overlap(y.start, y.start + y.length, s.top, s.bottom);
        if (covered > mostCovered) {
            most = &s;
            mostCovered = covered;
        }
    }
    if (!fits) {
        const LayoutRect& onto = most ? *most : workArea;
        x = SpanOnto(x, onto.left, onto.right, minimumWidth);
        y = SpanOnto(y, onto.top, onto.bottom, minimumHeight);
    }
    return LayoutRect{ToInt32(x.start + left), ToInt32(y.start + top),
                      ToInt32(x.start + x.length - (frameWidth - left)),
                      ToInt32(y.start + y.length - (frameHeight - top))};
}

}  // namespace sstate
