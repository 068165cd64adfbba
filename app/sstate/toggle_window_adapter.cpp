#include "app/sstate/toggle_window_adapter.h"

namespace sstate {

namespace {
constexpr std::string_view kVisible = "visible";
}

CToggleWindowAdapter::CToggleWindowAdapter(std::shared_ptr<IToggleWindow> window,
                                           std::int32_t defaultShowCommand)
    : m_window(std::move(window)), m_defaultShowCommand(defaultShowCommand)
{
}

void CToggleWindowAdapter::Store(IStorge& key) const
{
    key.SetBinaryValue(kVisible, EncodeDword(m_window->IsVisible() ? 1 : 0));
}

bool CToggleWindowAdapter::Restore(IStorge& key, const ScaleRatios&)
{
    const auto bytes = key.QueryBinaryValue(kVisible);
    const std::optional<std::uint32_t> visible = bytes ? DecodeDword(*bytes) : std::nullopt;
    if (!visible) {
        RestoreDefault();
        return false;
    }
    m_window->Show(*visible != 0 ? kShowNA : kShowHide);
    return true;
}

void CToggleWindowAdapter::RestoreDefault()
{
    m_window->Show(m_defaultShowCommand);
}

}  // namespace sstate
