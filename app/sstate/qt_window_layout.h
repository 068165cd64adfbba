#pragma once
// The frame's saved layout in one place: which widgets are remembered, the
// restore just after creation and the save on close.

#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/qt_toolbar_bands.h"
#include "app/sstate/window_state_mgr.h"

#include <QtCore/QPointer>
#include <QtWidgets/QMainWindow>

#include <cstdint>
#include <functional>
#include <vector>

namespace sstate {

// Child ids; they also name the children's keys.
inline constexpr std::int32_t kRebarChildId = -1;
inline constexpr std::int32_t kStatusBarChildId = -2;
inline constexpr std::int32_t kPaneManagerChildId = -3;

struct QtLayoutParts {
    QPointer<QMainWindow> frame;
    std::vector<QtToolBarBand> bands;
    // Bands that a restore never hides (the menu band).
    std::vector<std::uint32_t> alwaysShownBands;
    QPointer<QWidget> statusBar;
    // The dock panes; none: the pane manager's record stays empty.
    std::shared_ptr<IPaneList> panes = nullptr;
};

// Gives the manager the frame and its remembered parts, then restores the
// layout from the user's store, or the default layout when there is none.
void SetUpAndRestoreLayout(CWindowStateMgr& manager, const QtLayoutParts& parts);

// Queues SetUpAndRestoreLayout behind the events already posted, so that it
// runs once the frame has been created and shown, and waits (up to a second)
// for the window system to show it, so that its frame is known; then runs
// afterwards (the frame's own layout pass), if given. Dropped if the frame
// goes first.
void PostRestoreLayout(CWindowStateMgr manager, QtLayoutParts parts,
                       std::function<void()> afterwards = {});

// Writes the layout into the user's store. False when it could not be
// written; nothing else comes of that.
bool SaveLayout(const CWindowStateMgr& manager);

}  // namespace sstate
