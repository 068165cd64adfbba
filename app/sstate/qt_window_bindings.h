#pragma once
// The frame window and the status bar as the layout code sees them.

#include "app/sstate/window_interfaces.h"

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include <vector>

namespace sstate {

// Qt's rectangles as the layout rules see them, and the screens' areas free
// of panels, which every window the layout places must fit.
LayoutRect ToLayoutRect(const QRect& r);
LayoutRect PrimaryWorkArea();
std::vector<LayoutRect> ScreenWorkAreas();

// A top-level window: its normal geometry, maximised and minimised state,
// and the primary screen's available geometry as the work area.
class CQtTopLevelWindow : public ITopLevelWindow {
public:
    explicit CQtTopLevelWindow(QWidget& window) : m_window(&window) {}

    LayoutRect WorkArea() const override;
    std::vector<LayoutRect> ScreenAreas() const override;
    WindowMetrics Metrics() const override;
    std::optional<WindowPlacement> GetPlacement() const override;
    void SetPlacement(const WindowPlacement& placement) override;
    void Show(std::int32_t showCommand) override;
    void BringToForeground() override;

private:
    QPointer<QWidget> m_window;
};

// A child widget that is shown or hidden, such as the status bar.
class CQtToggleWidget : public IToggleWindow {
public:
    explicit CQtToggleWidget(QWidget& widget) : m_widget(&widget) {}

    // The widget's own visibility, whether or not its window is shown.
    bool IsVisible() const override;
    void Show(std::int32_t showCommand) override;

private:
    QPointer<QWidget> m_widget;
};

}  // namespace sstate
