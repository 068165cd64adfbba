#pragma once
// The record of the docking panes around the view. The frame holds no panes,
// so there is nothing to store or restore; the record keeps its place among
// the frame's children.

#include "app/sstate/state_adapter.h"

namespace sstate {

class CDockWndMgr : public IStateAdapter {
public:
    void Store(IStorge&) const override {}
    bool Restore(IStorge&, const ScaleRatios&) override { return true; }
    void RestoreDefault() override {}
};

}  // namespace sstate
