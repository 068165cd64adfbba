#pragma once
// The rules that turn a window's placement into what is stored and a stored
// placement back into one that is safe to apply.

#include "app/sstate/layout_blobs.h"
#include "app/sstate/window_interfaces.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sstate {

// current / stored work-area extent along one axis; 1 / 1 leaves it alone.
struct ScaleRatio {
    std::int32_t numerator = 1;
    std::int32_t denominator = 1;
};

struct ScaleRatios {
    ScaleRatio x;
    ScaleRatio y;
};

// number * numerator / denominator with a 64-bit product, rounded to the
// nearest integer (halves away from zero); -1 when the denominator is zero
// or the result does not fit in 32 bits.
std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

// The ratio for one axis, from the work-area extent read back (if any) and
// today's. Stored extents that no screen can have are ignored.
ScaleRatio RatioFor(std::optional<std::uint32_t> storedExtent, std::int64_t currentExtent);

// What is written: a minimised window is stored as normal, or as maximised
// when it goes back to maximised.
WindowPlacement PrepareForStore(WindowPlacement placement);

void ScalePlacement(WindowPlacement& placement, const ScaleRatios& ratios);

// The show command to restore with: the stored one, unless it would hide or
// minimise the window, which a saved layout never asks for.
std::int32_t ShowCommandToRestore(std::uint32_t storedShowCommand, std::int32_t defaultShowCommand);

// The normal rectangle (the client area) made safe, judged by the window it
// will really make: grown to its minimum size, with its frame around it. When
// that window lies wholly on one screen, the rectangle is kept. Otherwise the
// window is moved, and shrunk where it is larger, onto the screen it covers
// most (the work area when it covers none), never below its minimum; a window
// whose minimum is larger than that screen keeps its top-left corner, title
// bar and all, on the screen. Empty when the rectangle has no area. An empty
// work area means the screens are unknown; the rectangle then passes as it is.
std::optional<LayoutRect> FitOntoScreens(const LayoutRect& normal, const WindowMetrics& metrics,
                                         const LayoutRect& workArea,
                                         const std::vector<LayoutRect>& screens);

}  // namespace sstate
