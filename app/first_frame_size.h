#pragma once
// The frame's first window, when no layout was saved: 1,024 by 768 where the
// screen has room for it, placed by the window manager. On a smaller work
// area (a small screen, or a large one at scale 1.5 or 2), as large as the
// work area holds with the window manager's frame around it, and placed
// inside it: a window manager that places a window which only just fits may
// push its frame off the screen.

#include <QtCore/QMargins>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QSize>

#include <optional>

inline constexpr QSize kPreferredFrameSize{1024, 768};

// What a window manager's frame usually adds: a title bar and thin borders.
// The real frame is known only once the window is shown.
inline constexpr QMargins kFrameAllowance{8, 40, 8, 8};

struct FirstFrameGeometry {
    QSize size;                     // of the window without its frame
    std::optional<QPoint> position;  // of the frame's corner; none: the system places it
};

// workArea is in logical pixels. The size never goes below one that still
// shows the bars and some of the view.
FirstFrameGeometry FirstFrameFor(const QRect& workArea, const QMargins& frame = kFrameAllowance);
