#pragma once
// What the layout code needs of the windows it remembers. The program binds
// these to its Qt widgets; tests bind them to plain objects.

#include "app/sstate/layout_blobs.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sstate {

// How a window is to be shown; the numbers are those stored in placements.
enum ShowCommand : std::int32_t {
    kShowHide = 0,
    kShowNormal = 1,
    kShowMinimized = 2,
    kShowMaximized = 3,
    kShowNoActivate = 4,
    kShow = 5,
    kShowMinimize = 6,
    kShowMinNoActive = 7,
    kShowNA = 8,
    kShowRestore = 9,
    kShowDefault = 10,
    kShowForceMinimize = 11,
};

// What a window adds to the client rectangle it is given: Qt grows a client
// area below the minimum to the minimum, and the window system draws its
// frame (title bar, borders) around it.
struct WindowMetrics {
    std::int32_t minimumWidth = 0;
    std::int32_t minimumHeight = 0;
    std::int32_t frameLeft = 0;
    std::int32_t frameTop = 0;
    std::int32_t frameRight = 0;
    std::int32_t frameBottom = 0;
};

class ITopLevelWindow {
public:
    virtual ~ITopLevelWindow() = default;

    // The primary screen's area that windows may use; empty when unknown.
    virtual LayoutRect WorkArea() const = 0;
    // The usable area of every screen.
    virtual std::vector<LayoutRect> ScreenAreas() const = 0;
    // The frame is zero while the window system has not told it yet.
    virtual WindowMetrics Metrics() const = 0;

    virtual std::optional<WindowPlacement> GetPlacement() const = 0;
    // Takes the normal rectangle, the client area; leaves the window's
    // visibility alone.
    virtual void SetPlacement(const WindowPlacement& placement) = 0;
    virtual void Show(std::int32_t showCommand) = 0;
    virtual void BringToForeground() = 0;
};

// The toolbar bands at the top of the frame, by position: row by row, left
// to right.
class IBandList {
public:
    virtual ~IBandList() = default;

    // Takes the bands' arrangement as it is now; the calls below work on it
    // (and keep it up to date) until the next Refresh.
    virtual void Refresh() = 0;

    virtual int Count() const = 0;
    virtual std::optional<BandInfo> GetBand(int index) const = 0;
    // -1 when no band has that id.
    virtual int IdToIndex(std::uint32_t id) const = 0;
    virtual bool MoveBand(int from, int to) = 0;
    // Applies the fields that the record's mask names.
    virtual bool SetBand(int index, const BandInfo& info) = 0;
};

// A child window that is either shown or hidden (the status bar).
class IToggleWindow {
public:
    virtual ~IToggleWindow() = default;

    virtual bool IsVisible() const = 0;
    virtual void Show(std::int32_t showCommand) = 0;
};

}  // namespace sstate
