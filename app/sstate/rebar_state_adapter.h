#pragma once
// Remembers the toolbar bands: their order, rows, widths and visibility, one
// record per band position ("band0", "band1", ...).

#include "app/sstate/state_adapter.h"
#include "app/sstate/window_interfaces.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sstate {

class CRebarStateAdapter : public IStateAdapter {
public:
    // Bands named in alwaysShown are never hidden by a restore: without the
    // menu band the program's menus could not be reached.
    explicit CRebarStateAdapter(std::shared_ptr<IBandList> bands,
                                std::vector<std::uint32_t> alwaysShown = {});

    void Store(IStorge& key) const override;
    // Moves each stored band, found by its id, to its stored position and
    // gives it its stored style and sizes. Bands that no longer exist and
    // damaged records are skipped.
    bool Restore(IStorge& key, const ScaleRatios& ratios) override;
    // The bands keep their creation order.
    void RestoreDefault() override {}

private:
    BandInfo Sanitized(BandInfo info) const;

    std::shared_ptr<IBandList> m_bands;
    std::vector<std::uint32_t> m_alwaysShown;
};

}  // namespace sstate
