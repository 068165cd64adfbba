#pragma once
// Saves the frame's layout (placement, toolbar bands, status bar) when the
// frame closes and restores it once just after the frame has been created.
// A handle: copies share one manager, which lives as long as any of them.

#include "app/sstate/state_adapter.h"
#include "app/sstate/storage.h"
#include "app/sstate/window_interfaces.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sstate {

class CWindowStateMgr {
public:
    // The window may come later, through Initialize.
    explicit CWindowStateMgr(std::shared_ptr<ITopLevelWindow> window = nullptr,
                             std::int32_t defaultShowCommand = kShowDefault);

    void Initialize(std::shared_ptr<ITopLevelWindow> window,
                    std::int32_t defaultShowCommand = kShowDefault);
    // Children are stored and restored in ascending order of their id; a
    // second child with the same id replaces the first.
    void AddChild(std::int32_t id, std::shared_ptr<IStateAdapter> child);

    // Into the layout's root key.
    void Store(IStorge& root) const;
    // From the layout's root key, or null when it could not be opened.
    void Restore(IStorge* root);
    // Every child's default, then the window shown with the default command.
    void RestoreDefault();

    // "Wnd-0x" and the id in lower-case hexadecimal.
    static std::string ChildKeyName(std::int32_t id);

private:
    struct Impl;
    std::shared_ptr<Impl> m_impl;
};

}  // namespace sstate
