// The Graph pane on its own, fed a hand-made history: a click or a drag
// scrubs to the kept moment under the pointer, Ctrl+C puts the CSV on the
// clipboard, and the curves and the moment's line are drawn where the axes
// say, at any size without harm. KINETTA_GRAPH_SHOT=FILE.png saves the
// drawn pane for a look.

#include "app/graph_pane.h"
#include "edit/plot_csv.h"

#include <gtest/gtest.h>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A ball dropped at 0.5 s from 5 m: nothing before it was thrown.
PlotSeries DroppedBall()
{
    PlotSeries series;
    series.title = "Ball 3";
    series.columns = {{"height", "m"}, {"speed", "m/s"}, {"kinetic energy", "J"}};
    series.values.resize(3);
    for (int row = 0; row <= 40; ++row) {
        const double t = row * 0.1;
        series.times.push_back(t);
        const double fall = std::min(t - 0.5, 1.0);
        const bool there = t >= 0.5;
        series.values[0].push_back(there ? 5 - 5 * fall * fall : kNaN);
        series.values[1].push_back(there ? 10 * fall : kNaN);
        series.values[2].push_back(there ? 0.5 * 2 * 100 * fall * fall : kNaN);
    }
    series.currentRow = 40;
    return series;
}

class GraphPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pane.resize(480, 300);
        m_pane.show();
        m_pane.Refresh();
        ASSERT_GT(m_pane.TimeAxis().to, m_pane.TimeAxis().at) << "nothing drawn at 480 x 300";
    }

    void Mouse(QEvent::Type type, double seconds, Qt::MouseButtons buttons)
    {
        const QPointF at(m_pane.TimeAxis().Pixel(seconds), 150);
        QMouseEvent event(type, at, m_pane.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&m_pane, &event);
    }
    bool Key(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(type, key, modifiers);
        event.ignore();
        QApplication::sendEvent(&m_pane, &event);
        return event.isAccepted();
    }

    PlotSeries m_history = DroppedBall();
    bool m_paused = true;
    std::vector<double> m_scrubs;
    CGraphPane m_pane{{[this] { return m_history; },
                       [this](double seconds) {
                           m_scrubs.push_back(seconds);
                           if (!m_paused)
                               return false;
                           for (std::size_t row = 0; row < m_history.times.size(); ++row)
                               if (m_history.times[row] == seconds)
                                   m_history.currentRow = static_cast<int>(row);
                           return true;
                       }},
                      nullptr};
};

TEST_F(GraphPaneTest, AClickOrADragScrubsToTheKeptMomentUnderThePointer)
{
    const AxisMap& time = m_pane.TimeAxis();
    EXPECT_GT(time.at, 0) << "no room left for the value labels";
    EXPECT_LT(time.to, m_pane.width());
    EXPECT_DOUBLE_EQ(time.from.low, 0);
    EXPECT_DOUBLE_EQ(time.from.high, m_history.times.back());

    // 1.23 s is drawn nearest the moment kept at 1.2 s.
    Mouse(QEvent::MouseButtonPress, 1.23, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 1.23, Qt::NoButton);
    ASSERT_EQ(m_scrubs.size(), 1u);
    EXPECT_EQ(m_scrubs[0], m_history.times[12]);
    EXPECT_EQ(m_pane.Shown().currentRow, 12) << "the line waited for the next refresh";

    // A drag follows the pointer, held to the kept span past its end.
    Mouse(QEvent::MouseButtonPress, 0.48, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 2.96, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 9.0, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 9.0, Qt::NoButton);
    EXPECT_EQ(m_scrubs, (std::vector<double>{m_history.times[12], m_history.times[5],
                                             m_history.times[30], m_history.times[40]}));
    EXPECT_EQ(m_pane.Shown().currentRow, 40);
    // Moving over the pane with no button held scrubs nothing.
    Mouse(QEvent::MouseMove, 2.0, Qt::NoButton);
    EXPECT_EQ(m_scrubs.size(), 4u);

    // While running the world refuses, and the line stays where it was.
    m_paused = false;
    Mouse(QEvent::MouseButtonPress, 1.0, Qt::LeftButton);
    EXPECT_EQ(m_scrubs.size(), 5u);
    EXPECT_EQ(m_pane.Shown().currentRow, 40);
}

TEST_F(GraphPaneTest, CtrlCPutsThePlottedNumbersOnTheClipboardAsCsv)
{
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(QStringLiteral("before"));
    EXPECT_TRUE(Key(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier))
        << "a shortcut elsewhere would take the pane's Copy";
    Key(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    const QString csv = clipboard.text();
    EXPECT_EQ(csv.toStdString(), PlotCsv(m_history));
    EXPECT_TRUE(csv.startsWith("time (s),height (m),speed (m/s),kinetic energy (J)\n0,,,\n"))
        << csv.left(80).toStdString();
    EXPECT_EQ(csv.count(QLatin1Char('\n')), 42);

    // Nothing kept: nothing copied, and the clipboard keeps what it had.
    clipboard.setText(QStringLiteral("before"));
    m_history = PlotSeries{};
    m_pane.Refresh();
    Key(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_pane.Copy(), 0);
    EXPECT_EQ(clipboard.text(), "before");
}

// Pixels of a colour, give or take the edges' smoothing.
int CountNear(const QImage& image, QColor colour, int column = -1)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = column < 0 ? 0 : column; x < (column < 0 ? image.width() : column + 1); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    return count;
}

TEST_F(GraphPaneTest, TheCurvesAndTheMomentAreDrawnWhereTheAxesSayAtAnySize)
{
    const QColor moment(0xd6, 0x27, 0x28);
    const QColor height(0x1f, 0x77, 0xb4);
    m_history.currentRow = 20;
    m_pane.Refresh();
    const QPixmap drawn = m_pane.grab();
    if (const QByteArray shot = qgetenv("KINETTA_GRAPH_SHOT"); !shot.isEmpty())
        drawn.save(QString::fromLocal8Bit(shot));
    // Counted in logical pixels, whatever the screen's density.
    const QImage image = drawn.toImage().scaled(m_pane.size());
    const int x = static_cast<int>(std::lround(m_pane.TimeAxis().Pixel(m_history.times[20])));
    EXPECT_GT(CountNear(image, moment, x), 150) << "no line for the moment at " << x;
    EXPECT_LT(CountNear(image, moment, x - 30), 5);
    EXPECT_GT(CountNear(image, height), 100) << "no height curve";
    // Before the drop there is no height: no curve just left of 0.5 s
    // (the legend's swatch is further left).
    const int thrown = static_cast<int>(m_pane.TimeAxis().Pixel(0.45));
    for (int column = static_cast<int>(m_pane.TimeAxis().Pixel(0.25)); column < thrown; ++column)
        EXPECT_EQ(CountNear(image, height, column), 0) << "a curve where the ball was not, at " << column;

    // Empty, tiny and zero-sized panes draw no curve and never fail.
    m_history = PlotSeries{};
    m_pane.Refresh();
    EXPECT_EQ(CountNear(m_pane.grab().toImage(), moment), 0);
    m_history = DroppedBall();
    m_pane.Refresh();
    for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(6, 300), QSize(480, 14), QSize(40, 40)}) {
        m_pane.resize(size);
        const QImage tiny = m_pane.grab().toImage();
        EXPECT_EQ(CountNear(tiny, height), 0) << size.width() << " x " << size.height();
        Mouse(QEvent::MouseButtonPress, 1.0, Qt::LeftButton);
    }
    EXPECT_TRUE(m_scrubs.empty()) << "a pane too small to draw scrubbed";
}

}  // namespace
