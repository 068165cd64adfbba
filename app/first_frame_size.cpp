#include "app/first_frame_size.h"

#include <algorithm>

namespace {

// Menus, toolbar, status bar and a view that can still be seen.
constexpr QSize kSmallestFrameSize{320, 240};

}  // namespace

FirstFrameGeometry FirstFrameFor(const QRect& workArea, const QMargins& frame)
{
    const QSize room = workArea.size().shrunkBy(frame);
    if (room.width() >= kPreferredFrameSize.width() &&
        room.height() >= kPreferredFrameSize.height())
        return {kPreferredFrameSize, std::nullopt};
    const QSize size = kPreferredFrameSize.boundedTo(room).expandedTo(kSmallestFrameSize);
    const QSize framed = size.grownBy(frame);
    // Centred in the work area; where even the smallest size does not fit, its corner shows.
    const QPoint corner(workArea.x() + std::max(0, (workArea.width() - framed.width()) / 2),
                        workArea.y() + std::max(0, (workArea.height() - framed.height()) / 2));
    return {size, corner};
}
