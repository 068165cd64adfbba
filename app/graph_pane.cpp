#include "app/graph_pane.h"

#include "edit/plot_csv.h"

#include <QtGui/QClipboard>
#include <QtGui/QFontMetricsF>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Told apart by colour-blind eyes too; none of them is the moment's red.
const QColor kCurveColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e),
                                QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd)};
const QColor kMomentColour(0xd6, 0x27, 0x28);

constexpr int kMostValueTicks = 6;
constexpr int kMostTimeTicks = 12;

QColor CurveColour(std::size_t column)
{
    return kCurveColours[column % std::size(kCurveColours)];
}

QString Heading(const PlotColumn& column)
{
    const QString name = QString::fromStdString(column.name);
    return column.unit.empty() ? name
                               : QStringLiteral("%1 (%2)").arg(name, QString::fromStdString(column.unit));
}

// The value at the moment shown, as a reading beside the curve's name.
QString Reading(const PlotSeries& series, std::size_t column)
{
    const auto& values = series.values[column];
    const int row = series.currentRow;
    if (row < 0 || static_cast<std::size_t>(row) >= values.size() || !std::isfinite(values[row]))
        return QStringLiteral("\u2013");
    // QString::number writes a '.' whatever the locale, as the ticks do.
    const QString number = QString::number(values[row], 'g', 4);
    const std::string& unit = series.columns[column].unit;
    return unit.empty() ? number : number + QLatin1Char(' ') + QString::fromStdString(unit);
}

bool SameNumbers(const std::vector<double>& a, const std::vector<double>& b)
{
    // A missing value is the same as another missing one.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](double x, double y) {
        return x == y || (std::isnan(x) && std::isnan(y));
    });
}

bool SameSeries(const PlotSeries& a, const PlotSeries& b)
{
    if (a.title != b.title || a.currentRow != b.currentRow || a.columns.size() != b.columns.size() ||
        a.values.size() != b.values.size() || !SameNumbers(a.times, b.times))
        return false;
    for (std::size_t c = 0; c < a.columns.size(); ++c)
        if (a.columns[c].name != b.columns[c].name || a.columns[c].unit != b.columns[c].unit)
            return false;
    for (std::size_t c = 0; c < a.values.size(); ++c)
        if (!SameNumbers(a.values[c], b.values[c]))
            return false;
    return true;
}

}  // namespace

// Where everything goes at the pane's present size, in logical pixels.
struct CGraphPane::Layout {
    bool drawable = false;  // false: too small to draw anything
    double line = 0;        // the font's line height
    double tick = 0;        // a tick mark's length
    QRectF title;           // the row above the charts
    struct Band {
        QRectF plot;
        QRectF heading;  // the curve's name and reading, above its plot
        AxisMap y;
        AxisTicks ticks;
    };
    std::vector<Band> bands;
    AxisMap time{{0, 1}, 0, 0};
    AxisTicks timeTicks;
    double bottom = 0;  // of the last plot
};

CGraphPane::CGraphPane(Sources sources, QWidget* parent)
    : QWidget(parent), m_sources(std::move(sources))
{
    setObjectName(QStringLiteral("graph"));
    // A click gives the pane the keyboard, for its Ctrl+C.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CGraphPane::sizeHint() const
{
    return {480, 220};
}

QSize CGraphPane::minimumSizeHint() const
{
    // The frame gives way to its view first: a pane may be squeezed to nothing.
    return {0, 0};
}

void CGraphPane::Refresh()
{
    if (!m_sources.series)
        return;
    PlotSeries next = m_sources.series();
    if (SameSeries(next, m_series))
        return;
    m_series = std::move(next);
    m_timeAxis = Arrange().time;
    update();
}

int CGraphPane::Copy()
{
    if (m_series.Empty())
        return 0;
    QGuiApplication::clipboard()->setText(QString::fromStdString(PlotCsv(m_series)));
    return static_cast<int>(m_series.times.size());
}

CGraphPane::Layout CGraphPane::Arrange() const
{
    Layout layout;
    const QFontMetricsF metrics(font());
    layout.line = std::ceil(metrics.height());
    layout.tick = std::ceil(layout.line / 3);
    const double pad = layout.tick;
    const double line = layout.line;
    const std::size_t count = std::min(m_series.columns.size(), m_series.values.size());
    if (count == 0)
        return layout;

    // Rows from the top: the title, then per chart its heading and plot,
    // then the time axis's labels and its name.
    const double top = pad + line + pad;
    const double bottom = height() - pad - 2 * line - layout.tick;
    const double perBand = (bottom - top - (count - 1) * pad) / count;
    const double plotHeight = perBand - line;
    if (width() < 8 * line || plotHeight < 1.5 * line)
        return layout;

    double labelWidth = 0;
    layout.bands.resize(count);
    const int valueTicks = std::clamp(static_cast<int>(plotHeight / (1.2 * line)) + 1, 2, kMostValueTicks);
    for (std::size_t c = 0; c < count; ++c) {
        Layout::Band& band = layout.bands[c];
        const double plotTop = top + c * (perBand + pad) + line;
        band.plot = QRectF(0, plotTop, 0, plotHeight);
        const PlotRange range = RoundedOut(ValueRange(m_series.values[c]), valueTicks);
        band.ticks = RoundTicks(range, valueTicks);
        band.y = AxisMap{range, plotTop + plotHeight, plotTop};
        for (const double value : band.ticks.values)
            labelWidth = std::max(labelWidth,
                                  metrics.horizontalAdvance(QString::fromStdString(TickLabel(value, band.ticks))));
    }

    const double left = pad + std::ceil(labelWidth) + layout.tick;
    const double right = width() - pad - metrics.horizontalAdvance(QStringLiteral("000.0")) / 2;
    if (right - left < 3 * line)
        return layout;
    for (Layout::Band& band : layout.bands) {
        band.plot.setLeft(left);
        band.plot.setRight(right);
        band.heading = QRectF(left, band.plot.top() - line, right - left, line);
    }
    layout.title = QRectF(pad, pad, width() - 2 * pad, line);
    layout.bottom = layout.bands.back().plot.bottom();
    layout.time = AxisMap{TimeRange(m_series.times), left, right};
    const double labelRoom = metrics.horizontalAdvance(QStringLiteral("0000.0")) + line;
    layout.timeTicks = RoundTicks(layout.time.from,
                                  std::clamp(static_cast<int>((right - left) / labelRoom), 2, kMostTimeTicks));
    layout.drawable = true;
    return layout;
}

void CGraphPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_timeAxis = Arrange().time;
}

void CGraphPane::paintEvent(QPaintEvent*)
{
    const Layout layout = Arrange();
    QPainter painter(this);
    const QPalette& colours = palette();
    // A pane too small for a chart is blank, never left with an old picture.
    painter.fillRect(rect(), colours.color(QPalette::Base));
    if (width() < 2 * layout.line || height() < 2 * layout.line)
        return;
    if (hasFocus()) {
        // Where Ctrl+C goes.
        painter.setPen(QPen(colours.color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    const QColor text = colours.color(QPalette::Text);
    if (m_series.Empty() || !layout.drawable) {
        if (m_series.Empty()) {
            painter.setPen(colours.color(QPalette::PlaceholderText));
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No history yet"));
        }
        return;
    }

    const bool moment = m_series.currentRow >= 0 &&
                        static_cast<std::size_t>(m_series.currentRow) < m_series.times.size();
    painter.setPen(text);
    painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(m_series.title));
    if (moment)
        painter.drawText(layout.title, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 s").arg(m_series.times[m_series.currentRow], 0, 'f', 2));

    QColor grid = colours.color(QPalette::Mid);
    grid.setAlpha(80);
    for (std::size_t c = 0; c < layout.bands.size(); ++c) {
        const Layout::Band& band = layout.bands[c];
        const QRectF& plot = band.plot;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(grid);
        for (const double t : layout.timeTicks.values) {
            const double x = layout.time.Pixel(t);
            painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        for (const double value : band.ticks.values) {
            const double y = band.y.Pixel(value);
            painter.setPen(grid);
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            painter.setPen(text);
            painter.drawLine(QPointF(plot.left() - layout.tick, y), QPointF(plot.left(), y));
            const QRectF label(0, y - layout.line / 2, plot.left() - layout.tick - 2, layout.line);
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                             QString::fromStdString(TickLabel(value, band.ticks)));
        }
        painter.setPen(text);
        painter.drawLine(plot.bottomLeft(), plot.topLeft());
        painter.drawLine(plot.bottomLeft(), plot.bottomRight());

        // The heading is the legend: the curve's colour, name and unit, and
        // its reading at the moment shown.
        const QColor colour = CurveColour(c);
        const double swatchY = band.heading.center().y();
        painter.setPen(QPen(colour, 2));
        painter.drawLine(QPointF(band.heading.left(), swatchY),
                         QPointF(band.heading.left() + layout.line, swatchY));
        painter.setPen(text);
        const QRectF words = band.heading.adjusted(layout.line * 1.4, 0, 0, 0);
        painter.drawText(words, Qt::AlignLeft | Qt::AlignVCenter, Heading(m_series.columns[c]));
        painter.drawText(words, Qt::AlignRight | Qt::AlignVCenter, Reading(m_series, c));

        // One line through each run of values; a missing value breaks it.
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
        painter.setPen(QPen(colour, 1.5));
        const std::vector<double>& values = m_series.values[c];
        QPainterPath path;
        bool drawing = false;
        const std::size_t rows = std::min(values.size(), m_series.times.size());
        for (std::size_t row = 0; row < rows; ++row) {
            if (!std::isfinite(values[row])) {
                drawing = false;
                continue;
            }
            const QPointF point(layout.time.Pixel(m_series.times[row]), band.y.Pixel(values[row]));
            if (drawing)
                path.lineTo(point);
            else
                path.moveTo(point);
            drawing = true;
        }
        painter.drawPath(path);
        // A lone value between missing ones is a dot, not nothing.
        for (std::size_t row = 0; row < rows; ++row) {
            const bool alone = std::isfinite(values[row]) &&
                               (row == 0 || !std::isfinite(values[row - 1])) &&
                               (row + 1 == rows || !std::isfinite(values[row + 1]));
            if (alone)
                painter.drawPoint(QPointF(layout.time.Pixel(m_series.times[row]), band.y.Pixel(values[row])));
        }
        painter.setClipping(false);
    }

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(text);
    for (const double t : layout.timeTicks.values) {
        const double x = layout.time.Pixel(t);
        painter.drawLine(QPointF(x, layout.bottom), QPointF(x, layout.bottom + layout.tick));
        const QRectF label(x - 4 * layout.line, layout.bottom + layout.tick, 8 * layout.line, layout.line);
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                         QString::fromStdString(TickLabel(t, layout.timeTicks)));
    }
    const QRectF axisName(layout.time.at, layout.bottom + layout.tick + layout.line,
                          layout.time.to - layout.time.at, layout.line);
    painter.drawText(axisName, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("time (s)"));

    if (moment) {
        const double x = layout.time.Pixel(m_series.times[m_series.currentRow]);
        painter.setPen(QPen(kMomentColour, 1.5));
        painter.drawLine(QPointF(x, layout.bands.front().heading.bottom()), QPointF(x, layout.bottom));
    }
}

void CGraphPane::ScrubAt(double x)
{
    if (m_series.Empty() || m_timeAxis.to == m_timeAxis.at || !m_sources.scrubTo)
        return;
    // The kept moment nearest the click (the first or last past either end),
    // so the line lands where the world is.
    const int row = NearestRow(m_series.times, m_timeAxis.Value(x));
    if (row >= 0 && m_sources.scrubTo(m_series.times[static_cast<std::size_t>(row)]))
        Refresh();
}

void CGraphPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    ScrubAt(event->position().x());
    event->accept();
}

void CGraphPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    ScrubAt(event->position().x());
    event->accept();
}

bool CGraphPane::event(QEvent* event)
{
    // Copy is the pane's own while it has the keyboard, not a shortcut's.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void CGraphPane::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
