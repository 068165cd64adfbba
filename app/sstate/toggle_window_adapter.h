#pragma once
// Remembers whether a child window (the status bar) is shown: "visible" = 1 or 0.

#include "app/sstate/state_adapter.h"
#include "app/sstate/window_interfaces.h"

#include <cstdint>
#include <memory>

namespace sstate {

class CToggleWindowAdapter : public IStateAdapter {
public:
    explicit CToggleWindowAdapter(std::shared_ptr<IToggleWindow> window,
                                  std::int32_t defaultShowCommand = kShowNoActivate);

    void Store(IStorge& key) const override;
    bool Restore(IStorge& key, const ScaleRatios& ratios) override;
    void RestoreDefault() override;

private:
    std::shared_ptr<IToggleWindow> m_window;
    std::int32_t m_defaultShowCommand;
};

}  // namespace sstate
