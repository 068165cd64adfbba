#pragma once
// The Graph pane: the kept history's numbers drawn over simulated time, one
// small chart per quantity stacked above a shared time axis, each with its
// own scale, since a height in metres and an energy in joules share none.
// A vertical line marks the moment shown; a click or a drag moves it there.
// Ctrl+C copies the plotted numbers as CSV. The pane only draws: the series
// and the scrub come from whoever owns the history.

#include "edit/plot_scale.h"
#include "edit/plot_series.h"

#include <QtWidgets/QWidget>

#include <functional>

class CGraphPane : public QWidget {
public:
    struct Sources {
        std::function<PlotSeries()> series;
        // Shows the kept moment at these simulated seconds; false when it
        // cannot (the world is not paused).
        std::function<bool(double seconds)> scrubTo;
    };

    CGraphPane(Sources sources, QWidget* parent);

    // Takes the series again and repaints when it changed. The owner calls
    // it a few times a second while the pane shows.
    void Refresh();
    // The plotted series on the clipboard as CSV text; the number of
    // moments copied, 0 when there is no history to copy.
    int Copy();

    const PlotSeries& Shown() const { return m_series; }
    // Where a time is drawn across the pane, in its logical pixels; the
    // time axis's map is empty until the pane is big enough to draw.
    const AxisMap& TimeAxis() const { return m_timeAxis; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Layout;
    Layout Arrange() const;
    void ScrubAt(double x);

    Sources m_sources;
    PlotSeries m_series;
    AxisMap m_timeAxis{{0, 1}, 0, 0};
};
