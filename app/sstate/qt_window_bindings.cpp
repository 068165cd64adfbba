#include "app/sstate/qt_window_bindings.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtGui/QWindow>

namespace sstate {

LayoutRect ToLayoutRect(const QRect& r)
{
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

LayoutRect PrimaryWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? ToLayoutRect(screen->availableGeometry()) : LayoutRect{};
}

std::vector<LayoutRect> ScreenWorkAreas()
{
    std::vector<LayoutRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(ToLayoutRect(screen->availableGeometry()));
    return areas;
}

namespace {

// Qt has no icon or maximised position of its own; "not set" is stored.
constexpr LayoutPoint kUnsetPosition{-1, -1};

}  // namespace

LayoutRect CQtTopLevelWindow::WorkArea() const
{
    return PrimaryWorkArea();
}

std::vector<LayoutRect> CQtTopLevelWindow::ScreenAreas() const
{
    return ScreenWorkAreas();
}

WindowMetrics CQtTopLevelWindow::Metrics() const
{
    WindowMetrics metrics;
    if (!m_window)
        return metrics;
    // A top-level window's layout keeps it at least at its minimum size hint.
    const QSize minimum = m_window->minimumSize().expandedTo(m_window->minimumSizeHint());
    metrics.minimumWidth = minimum.width();
    metrics.minimumHeight = minimum.height();
    // Asked of the window itself: the widget's copy may predate the frame.
    if (const QWindow* window = m_window->windowHandle()) {
        const QMargins frame = window->frameMargins();
        metrics.frameLeft = frame.left();
        metrics.frameTop = frame.top();
        metrics.frameRight = frame.right();
        metrics.frameBottom = frame.bottom();
    }
    return metrics;
}

std::optional<WindowPlacement> CQtTopLevelWindow::GetPlacement() const
{
    if (!m_window)
        return std::nullopt;
    const Qt::WindowStates state = m_window->windowState();
    WindowPlacement p;
    if (state & Qt::WindowMinimized) {
        p.showCmd = kShowMinimized;
        // Qt keeps the maximised flag while a maximised window is minimised.
        if (state & Qt::WindowMaximized)
            p.flags = kRestoreToMaximized;
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        p.showCmd = kShowMaximized;
    } else {
        p.showCmd = kShowNormal;
    }
    p.minPosition = kUnsetPosition;
    p.maxPosition = kUnsetPosition;
    QRect normal = m_window->normalGeometry();
    if (!normal.isValid())
        normal = m_window->geometry();
    p.normalPosition = ToLayoutRect(normal);
    return p;
}

void CQtTopLevelWindow::SetPlacement(const WindowPlacement& placement)
{
    if (!m_window)
        return;
    const LayoutRect& r = placement.normalPosition;
    // The normal geometry can only be given to a window in the normal state;
    // the show command that follows maximises it again if need be.
    const Qt::WindowStates special =
        Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (m_window->windowState() & special)
        m_window->setWindowState(m_window->windowState() & ~special);
    m_window->setGeometry(r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height()));
}

void CQtTopLevelWindow::Show(std::int32_t showCommand)
{
    if (!m_window)
        return;
    switch (showCommand) {
        case kShowHide:
            m_window->hide();
            break;
        case kShowMaximized:
            m_window->showMaximized();
            break;
        case kShowMinimized:
        case kShowMinimize:
        case kShowMinNoActive:
        case kShowForceMinimize:
            m_window->showMinimized();
            break;
        case kShowNormal:
        case kShowNoActivate:
        case kShowRestore:
            m_window->showNormal();
            break;
        default:
            // Show, show without activating, the default: as it is now.
            m_window->show();
            break;
    }
}

void CQtTopLevelWindow::BringToForeground()
{
    if (!m_window || !m_window->isVisible())
        return;
    m_window->raise();
    m_window->activateWindow();
}

bool CQtToggleWidget::IsVisible() const
{
    return m_widget && !m_widget->isHidden();
}

void CQtToggleWidget::Show(std::int32_t showCommand)
{
    if (m_widget)
        m_widget->setVisible(showCommand != kShowHide);
}

}  // namespace sstate
