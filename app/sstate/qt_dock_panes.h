#pragma once
// The frame's dock panes as the layout code sees them.

#include "app/sstate/dock_wnd_mgr.h"

#include <QtCore/QPointer>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QMainWindow>

#include <functional>
#include <vector>

namespace sstate {

struct QtPane {
    QPointer<QDockWidget> dock;
    std::string name;  // the record's value name
    std::uint32_t defaultSide = kPaneLeft;
};

class CQtDockPanes : public IPaneList {
public:
    struct Choices {
        std::function<PaneChoices()> get;
        std::function<void(const PaneChoices&)> set;
    };

    CQtDockPanes(QMainWindow& frame, std::vector<QtPane> panes, Choices choices)
        : m_frame(&frame), m_panes(std::move(panes)), m_choices(std::move(choices))
    {
    }

    int Count() const override { return static_cast<int>(m_panes.size()); }
    std::string Name(int index) const override { return m_panes.at(index).name; }
    PanePlacement Get(int index) const override;
    PanePlacement DefaultPlacement(int index) const override
    {
        PanePlacement p;
        p.side = m_panes.at(index).defaultSide;
        return p;
    }
    void Set(int index, const PanePlacement& placement) override;
    LayoutRect WorkArea() const override;
    std::vector<LayoutRect> ScreenAreas() const override;
    WindowMetrics FloatingMetrics(int index) const override;
    std::int32_t MaxDockedSize(std::uint32_t side) const override;
    PaneChoices GetChoices() const override { return m_choices.get ? m_choices.get() : PaneChoices{}; }
    void SetChoices(const PaneChoices& choices) override
    {
        if (m_choices.set)
            m_choices.set(choices);
    }

private:
    QPointer<QMainWindow> m_frame;
    std::vector<QtPane> m_panes;
    Choices m_choices;
};

}  // namespace sstate
