#include "app/sstate/rebar_state_adapter.h"

#include <algorithm>
#include <string>

namespace sstate {

namespace {

// Band extents beyond this are damage, not a band anyone has dragged.
constexpr std::uint32_t kMaxBandExtent = 1 << 16;

std::string BandValueName(int index)
{
    return "band" + std::to_string(index);
}

}  // namespace

CRebarStateAdapter::CRebarStateAdapter(std::shared_ptr<IBandList> bands,
                                       std::vector<std::uint32_t> alwaysShown)
    : m_bands(std::move(bands)), m_alwaysShown(std::move(alwaysShown))
{
}

void CRebarStateAdapter::Store(IStorge& key) const
{
    m_bands->Refresh();
    const int count = m_bands->Count();
    for (int i = 0; i < count; ++i) {
        std::optional<BandInfo> info = m_bands->GetBand(i);
        if (!info)
            continue;
        info->cbSize = kBandInfoSize;
        info->fMask = kBandMaskStored;
        key.SetBinaryValue(BandValueName(i), EncodeBandInfo(*info));
    }
}

BandInfo CRebarStateAdapter::Sanitized(BandInfo info) const
{
    // Only the fields this program stores are ever applied, whatever the
    // record's mask claims.
    info.fMask &= kBandMaskStored;
    if (info.cx > kMaxBandExtent || info.cxIdeal > kMaxBandExtent)
        info.fMask &= ~(kBandMaskSize | kBandMaskIdealSize);
    if (info.cxMinChild > kMaxBandExtent || info.cyMinChild > kMaxBandExtent ||
        info.cyChild > kMaxBandExtent || info.cyMaxChild > kMaxBandExtent ||
        info.cyIntegral > kMaxBandExtent)
        info.fMask &= ~kBandMaskChildSize;
    if (std::find(m_alwaysShown.begin(), m_alwaysShown.end(), info.wID) != m_alwaysShown.end())
        info.fStyle &= ~kBandStyleHidden;
    return info;
}

bool CRebarStateAdapter::Restore(IStorge& key, const ScaleRatios&)
{
    m_bands->Refresh();
    const int count = m_bands->Count();
    for (int i = 0; i < count; ++i) {
        const auto bytes = key.QueryBinaryValue(BandValueName(i));
        const std::optional<BandInfo> info = bytes ? DecodeBandInfo(*bytes) : std::nullopt;
        if (!info)
            continue;
        const int from = m_bands->IdToIndex(info->wID);
        if (from < 0)
            continue;
        if (from != i)
            m_bands->MoveBand(from, i);
        m_bands->SetBand(i, Sanitized(*info));
    }
    return true;
}

}  // namespace sstate
