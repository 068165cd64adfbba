#pragma once
// The frame's bands: the registered toolbars that sit in the main window's
// top toolbar area, ordered row by row and left to right.

#include "app/sstate/window_interfaces.h"

#include <QtCore/QPointer>
#include <QtCore/QRect>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QToolBar>

#include <cstdint>
#include <optional>
#include <vector>

namespace sstate {

struct QtToolBarBand {
    std::uint32_t id = 0;
    QPointer<QToolBar> toolbar;
};

class CQtToolBarBands : public IBandList {
public:
    CQtToolBarBands(QMainWindow& window, std::vector<QtToolBarBand> bands);

    // One layout pass: a hidden band's place is only known with it shown.
    void Refresh() override;
    int Count() const override;
    std::optional<BandInfo> GetBand(int index) const override;
    int IdToIndex(std::uint32_t id) const override;
    bool MoveBand(int from, int to) override;
    // Applies visibility and row breaks. Widths are not applied: Qt gives
    // each toolbar the length its buttons need and the last of a row the rest.
    bool SetBand(int index, const BandInfo& info) override;

private:
    struct Slot {
        std::uint32_t id;
        QPointer<QToolBar> toolbar;
        bool rowBreak;
        bool hidden;
        QRect geometry;
    };

    std::vector<QtToolBarBand> InTopArea() const;
    // The bands in their current order with their geometry.
    std::vector<Slot> Arrangement() const;
    // The arrangement taken by the last Refresh, taken anew if there was
    // none or a band has gone since.
    const std::vector<Slot>& Slots() const;
    // Puts the bands back into the top area in the given order.
    void Rebuild(const std::vector<Slot>& order);

    QPointer<QMainWindow> m_window;
    std::vector<QtToolBarBand> m_bands;
    mutable std::optional<std::vector<Slot>> m_slots;
};

}  // namespace sstate
