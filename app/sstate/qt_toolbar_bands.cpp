#include "app/sstate/qt_toolbar_bands.h"

#include <QtCore/QSignalBlocker>
#include <QtGui/QAction>
#include <QtWidgets/QLayout>

#include <algorithm>
#include <memory>

namespace sstate {

CQtToolBarBands::CQtToolBarBands(QMainWindow& window, std::vector<QtToolBarBand> bands)
    : m_window(&window), m_bands(std::move(bands))
{
}

std::vector<QtToolBarBand> CQtToolBarBands::InTopArea() const
{
    std::vector<QtToolBarBand> found;
    if (!m_window)
        return found;
    for (const QtToolBarBand& band : m_bands) {
        if (band.toolbar && !band.toolbar->isFloating() &&
            m_window->toolBarArea(band.toolbar) == Qt::TopToolBarArea)
            found.push_back(band);
    }
    return found;
}

std::vector<CQtToolBarBands::Slot> CQtToolBarBands::Arrangement() const
{
    const std::vector<QtToolBarBand> bands = InTopArea();
    std::vector<Slot> placed;
    if (bands.empty())
        return placed;

    // A hidden toolbar keeps its place in the layout but not its geometry:
    // show it for the time of one synchronous layout pass, with no painting
    // and no signals in between.
    std::vector<QToolBar*> hidden;
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    const bool updates = m_window->updatesEnabled();
    m_window->setUpdatesEnabled(false);
    for (const QtToolBarBand& band : bands) {
        if (!band.toolbar->isHidden())
            continue;
        hidden.push_back(band.toolbar);
        blockers.push_back(std::make_unique<QSignalBlocker>(band.toolbar.data()));
        blockers.push_back(std::make_unique<QSignalBlocker>(band.toolbar->toggleViewAction()));
        band.toolbar->setVisible(true);
    }
    if (QLayout* layout = m_window->layout()) {
        layout->invalidate();
        layout->activate();
    }
    for (const QtToolBarBand& band : bands) {
        QToolBar* bar = band.toolbar;
        const bool wasHidden = std::find(hidden.begin(), hidden.end(), bar) != hidden.end();
        placed.push_back({band.id, bar, m_window->toolBarBreak(bar), wasHidden, bar->geometry()});
    }
    for (QToolBar* bar : hidden)
        bar->setVisible(false);
    blockers.clear();
    m_window->setUpdatesEnabled(updates);

    std::stable_sort(placed.begin(), placed.end(), [](const Slot& a, const Slot& b) {
        if (a.geometry.y() != b.geometry.y())
            return a.geometry.y() < b.geometry.y();
        return a.geometry.x() < b.geometry.x();
    });
    return placed;
}

void CQtToolBarBands::Refresh()
{
    m_slots = Arrangement();
}

const std::vector<CQtToolBarBands::Slot>& CQtToolBarBands::Slots() const
{
    if (!m_slots || std::any_of(m_slots->begin(), m_slots->end(),
                                [](const Slot& slot) { return slot.toolbar.isNull(); }))
        m_slots = Arrangement();
    return *m_slots;
}

int CQtToolBarBands::Count() const
{
    return static_cast<int>(Slots().size());
}

std::optional<BandInfo> CQtToolBarBands::GetBand(int index) const
{
    const std::vector<Slot>& placed = Slots();
    if (index < 0 || index >= static_cast<int>(placed.size()))
        return std::nullopt;
    const Slot& slot = placed[static_cast<std::size_t>(index)];
    const QSize minimum = slot.toolbar->minimumSizeHint();
    BandInfo info;
    info.fStyle = kBandStyleChildEdge;
    if (!slot.toolbar->actions().isEmpty())
        info.fStyle |= kBandStyleUseChevron;
    if (slot.rowBreak)
        info.fStyle |= kBandStyleBreak;
    if (slot.hidden)
        info.fStyle |= kBandStyleHidden;
    info.cxMinChild = static_cast<std::uint32_t>(std::max(0, minimum.width()));
    info.cyMinChild = static_cast<std::uint32_t>(std::max(0, minimum.height()));
    info.cx = static_cast<std::uint32_t>(std::max(0, slot.geometry.width()));
    info.wID = slot.id;
    info.cyChild = static_cast<std::uint32_t>(std::max(0, slot.geometry.height()));
    info.cyMaxChild = info.cyChild;
    info.cxIdeal = static_cast<std::uint32_t>(std::max(0, slot.toolbar->sizeHint().width()));
    return info;
}

int CQtToolBarBands::IdToIndex(std::uint32_t id) const
{
    const std::vector<Slot>& placed = Slots();
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

bool CQtToolBarBands::MoveBand(int from, int to)
{
    std::vector<Slot> placed = Slots();
    const int count = static_cast<int>(placed.size());
    if (from < 0 || from >= count || to < 0 || to >= count)
        return false;
    if (from != to) {
        const Slot moving = placed[static_cast<std::size_t>(from)];
        placed.erase(placed.begin() + from);
        placed.insert(placed.begin() + to, moving);
        Rebuild(placed);
        m_slots = std::move(placed);
    }
    return true;
}

void CQtToolBarBands::Rebuild(const std::vector<Slot>& order)
{
    // Removing a toolbar hides it; each gets its own visibility back.
    for (const Slot& slot : order)
        m_window->removeToolBar(slot.toolbar);
    bool first = true;
    for (const Slot& slot : order) {
        if (!first && slot.rowBreak)
            m_window->addToolBarBreak(Qt::TopToolBarArea);
        m_window->addToolBar(Qt::TopToolBarArea, slot.toolbar);
        slot.toolbar->setVisible(!slot.hidden);
        first = false;
    }
}

bool CQtToolBarBands::SetBand(int index, const BandInfo& info)
{
    const std::vector<Slot>& placed = Slots();
    if (index < 0 || index >= static_cast<int>(placed.size()))
        return false;
    Slot& slot = (*m_slots)[static_cast<std::size_t>(index)];
    QToolBar* bar = slot.toolbar;
    if (info.fMask & kBandMaskStyle) {
        // The first band's row break means nothing.
        const bool wantBreak = index > 0 && (info.fStyle & kBandStyleBreak) != 0;
        const bool hasBreak = m_window->toolBarBreak(bar);
        if (wantBreak && !hasBreak)
            m_window->insertToolBarBreak(bar);
        else if (!wantBreak && hasBreak)
            m_window->removeToolBarBreak(bar);
        bar->setVisible((info.fStyle & kBandStyleHidden) == 0);
        slot.rowBreak = wantBreak;
        slot.hidden = bar->isHidden();
    }
    return true;
}

}  // namespace sstate
