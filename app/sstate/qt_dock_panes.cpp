#include "app/sstate/qt_dock_panes.h"
#include "app/sstate/qt_window_bindings.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtGui/QWindow>

namespace sstate {

namespace {

QRect ToQRect(const LayoutRect& r)
{
    return QRect(r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height()));
}

bool SideIsVertical(std::uint32_t side)
{
    return side == kPaneLeft || side == kPaneRight;
}

}  // namespace

PanePlacement CQtDockPanes::Get(int index) const
{
    PanePlacement p;
    QDockWidget* dock = m_panes.at(index).dock;
    if (!dock || !m_frame)
        return p;
    p.shown = !dock->isHidden();
    p.floating = dock->isFloating();
    const Qt::DockWidgetArea area = m_frame->dockWidgetArea(dock);
    p.side = area == Qt::NoDockWidgetArea ? kPaneLeft : static_cast<std::uint32_t>(area);
    if (p.floating)
        p.floatingRect = ToLayoutRect(dock->geometry());
    else
        p.size = SideIsVertical(p.side) ? dock->width() : dock->height();
    return p;
}

void CQtDockPanes::Set(int index, const PanePlacement& placement)
{
    QDockWidget* dock = m_panes.at(index).dock;
    if (!dock || !m_frame)
        return;
    const auto area = static_cast<Qt::DockWidgetArea>(placement.side);
    if (m_frame->dockWidgetArea(dock) != area)
        m_frame->addDockWidget(area, dock);
    dock->setFloating(placement.floating);
    if (placement.floating)
        dock->setGeometry(ToQRect(placement.floatingRect));
    dock->setVisible(placement.shown);
    if (!placement.floating && placement.shown && placement.size > 0)
        m_frame->resizeDocks({dock}, {placement.size},
                             SideIsVertical(placement.side) ? Qt::Horizontal : Qt::Vertical);
}

LayoutRect CQtDockPanes::WorkArea() const
{
    return PrimaryWorkArea();
}

std::vector<LayoutRect> CQtDockPanes::ScreenAreas() const
{
    return ScreenWorkAreas();
}

WindowMetrics CQtDockPanes::FloatingMetrics(int index) const
{
    WindowMetrics metrics;
    QDockWidget* dock = m_panes.at(index).dock;
    if (!dock)
        return metrics;
    const QSize minimum = dock->minimumSize().expandedTo(dock->minimumSizeHint());
    metrics.minimumWidth = minimum.width();
    metrics.minimumHeight = minimum.height();
    // The frame the window system drew around the pane when it last floated;
    // the frame window's own when the pane never floated.
    const QWindow* window = dock->isWindow() && dock->windowHandle() ? dock->windowHandle()
                            : m_frame                                ? m_frame->windowHandle()
                                                                     : nullptr;
    if (window != nullptr) {
        const QMargins frame = window->frameMargins();
        metrics.frameLeft = frame.left();
        metrics.frameTop = frame.top();
        metrics.frameRight = frame.right();
        metrics.frameBottom = frame.bottom();
    }
    return metrics;
}

std::int32_t CQtDockPanes::MaxDockedSize(std::uint32_t side) const
{
    if (!m_frame)
        return 0;
    // A docked pane always leaves the view some room.
    const QSize room = m_frame->size();
    return (SideIsVertical(side) ? room.width() : room.height()) * 2 / 3;
}

}  // namespace sstate
