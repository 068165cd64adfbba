#pragma once
// One remembered part of the frame (the toolbar bands, the status bar, the
// pane manager), able to store itself into a key, restore itself from one and
// fall back to its default.

#include "app/sstate/placement_rules.h"
#include "app/sstate/storage.h"

namespace sstate {

class IStateAdapter {
public:
    virtual ~IStateAdapter() = default;

    virtual void Store(IStorge& key) const = 0;
    // False when nothing usable was stored; the caller then asks for the default.
    virtual bool Restore(IStorge& key, const ScaleRatios& ratios) = 0;
    virtual void RestoreDefault() = 0;
};

}  // namespace sstate
