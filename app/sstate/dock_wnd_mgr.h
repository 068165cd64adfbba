#pragma once
// The record of the docking panes around the view: for each pane whether it
// shows, the side it is docked to, its size there and where it floats, and
// the panes' own choices (speed, debug drawing). Each pane is a value of its
// own, named after the pane, so a build that knows fewer panes, or none,
// reads the rest of the layout unchanged.

#include "app/sstate/state_adapter.h"
#include "app/sstate/window_interfaces.h"

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace sstate {

// Docked sides, as Qt numbers them.
enum PaneSide : std::uint32_t {
    kPaneLeft = 0x1,
    kPaneRight = 0x2,
    kPaneBottom = 0x8,
};

struct PanePlacement {
    bool shown = false;
    std::uint32_t side = kPaneLeft;
    bool floating = false;
    std::int32_t size = 0;  // width docked left or right, height docked at the bottom
    LayoutRect floatingRect;  // the client area while floating; empty when never floated
};

inline constexpr std::size_t kPanePlacementSize = 32;

// Eight little-endian 32-bit fields: shown, side, floating, size, and the
// floating rectangle (left, top, right, bottom).
std::array<std::uint8_t, kPanePlacementSize> EncodePanePlacement(const PanePlacement& p);
// Empty when the record is not 32 bytes long.
std::optional<PanePlacement> DecodePanePlacement(std::span<const std::uint8_t> in);

// The panes' choices kept with the layout, as stored numbers.
struct PaneChoices {
    std::uint32_t ticksPerStep = 1;
    std::uint32_t debugDrawing = 0;
};

class IPaneList {
public:
    virtual ~IPaneList() = default;

    virtual int Count() const = 0;
    // The value name of the pane's record ("paneTree").
    virtual std::string Name(int index) const = 0;
    virtual PanePlacement Get(int index) const = 0;
    // Where the pane goes without a saved record: hidden, on its own side.
    virtual PanePlacement DefaultPlacement(int index) const = 0;
    // Takes a placement already made safe.
    virtual void Set(int index, const PanePlacement& placement) = 0;
    // Where a floating pane may go, and what it adds to its client area.
    virtual LayoutRect WorkArea() const = 0;
    virtual std::vector<LayoutRect> ScreenAreas() const = 0;
    virtual WindowMetrics FloatingMetrics(int index) const = 0;
    // The docked size may not take more than this of the frame.
    virtual std::int32_t MaxDockedSize(std::uint32_t side) const = 0;

    virtual PaneChoices GetChoices() const = 0;
    // Numbers that name no choice fall back to their defaults (the caller's).
    virtual void SetChoices(const PaneChoices& choices) = 0;
};

// A stored placement made safe to apply: an unknown side docks left, a size
// is kept within the frame, a floating rectangle is scaled to today's work
// area and put back onto a screen; a floating pane with no usable rectangle
// docks instead.
PanePlacement FitPanePlacement(PanePlacement placement, const ScaleRatios& ratios,
                               const IPaneList& panes, int index);

class CDockWndMgr : public IStateAdapter {
public:
    // Without panes there is nothing to store or restore.
    explicit CDockWndMgr(std::shared_ptr<IPaneList> panes = nullptr) : m_panes(std::move(panes)) {}

    void Store(IStorge& key) const override;
    // Each pane without a usable record takes its default: hidden, on its side.
    bool Restore(IStorge& key, const ScaleRatios& ratios) override;
    void RestoreDefault() override;

private:
    std::shared_ptr<IPaneList> m_panes;
};

}  // namespace sstate
