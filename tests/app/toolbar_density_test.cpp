// The toolbar's buttons as they reach the screen, at whatever scale the test
// runs (QT_SCALE_FACTOR): every button must show its picture pixel for pixel
// from the strip drawn for that density, not a scaled copy of another.

#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/main_frame.h"
#include "app/ui_state_table.h"
#include "glw/resources.h"

#include <gtest/gtest.h>
#include <QtGui/QAction>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QMenu>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kCellWidth = 16;
constexpr int kCellHeight = 15;
constexpr int kButtonImages = 13;

// The embedded toolbar strip drawn for scale, straight from the resources.
QImage EmbeddedStrip(int scale)
{
    const glw::ResourceModule& module = glw::ExecutableModule();
    for (std::size_t i = 0; i < module.count; ++i) {
        const glw::ResourceEntry& entry = module.entries[i];
        if (entry.id != 128 || strcasecmp(entry.type, "BITMAP") != 0)
            continue;
        QImage image;
        if (image.loadFromData(entry.data, static_cast<int>(entry.size), "PNG") &&
            image.height() == kCellHeight * scale)
            return image.convertToFormat(QImage::Format_ARGB32);
    }
    return {};
}

QImage Cell(const QImage& strip, int index, int scale)
{
    return strip.copy(index * kCellWidth * scale, 0, kCellWidth * scale, kCellHeight * scale);
}

// The mean difference per channel between the picture's opaque pixels and
// the screen, at the offset inside the button where they agree best. Only
// opaque pixels count: the rest blend with the button's own background.
double BestMatch(const QImage& screen, const QImage& picture)
{
    double best = std::numeric_limits<double>::max();
    for (int oy = 0; oy + picture.height() <= screen.height(); ++oy)
        for (int ox = 0; ox + picture.width() <= screen.width(); ++ox) {
            long long sum = 0;
            int count = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QRgb p = picture.pixel(x, y);
                    if (qAlpha(p) != 255)
                        continue;
                    const QRgb s = screen.pixel(ox + x, oy + y);
                    sum += std::abs(qRed(p) - qRed(s)) + std::abs(qGreen(p) - qGreen(s)) +
                           std::abs(qBlue(p) - qBlue(s));
                    ++count;
                }
            if (count > 0)
                best = std::min(best, static_cast<double>(sum) / (3.0 * count));
        }
    return best;
}

TEST(ToolbarDensity, ButtonsShowThePictureDrawnForTheScreensDensity)
{
    std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
    ASSERT_NE(frame, nullptr);
    frame->move(0, 0);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTest::qWait(300);

    const qreal ratio = frame->devicePixelRatio();
    const int scale = static_cast<int>(std::lround(ratio));
    ASSERT_TRUE(scale == 1 || scale == 2) << "run at scale 1 or 2, not " << ratio;
    const QImage strip = EmbeddedStrip(scale);
    const QImage smallStrip = EmbeddedStrip(1);
    ASSERT_EQ(strip.size(), QSize(kCellWidth * kButtonImages * scale, kCellHeight * scale));

    QScreen* screen = frame->screen();
    int index = 0;
    double pictureErrors = 0.0, enlargedErrors = 0.0;
    for (QAction* action : frame->Bars().ToolActions()) {
        if (action->isSeparator())
            continue;
        SCOPED_TRACE("button image " + std::to_string(index));
        QWidget* button = frame->Bars().ToolBand()->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible());
        const QPoint origin = button->mapToGlobal(QPoint(0, 0));
        const QImage shot = screen->grabWindow(0, origin.x(), origin.y(), button->width(),
                                               button->height())
                                .toImage()
                                .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(shot.width(), qRound(button->width() * ratio));

        const QImage picture = Cell(strip, index, scale);
        const double pictureError = BestMatch(shot, picture);
        EXPECT_LT(pictureError, 1.0);
        if (scale == 2) {
            // What a screen shows when only the small picture is at hand.
            const QImage enlarged =
                Cell(smallStrip, index, 1).scaled(picture.size(), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
            const double enlargedError = BestMatch(shot, enlarged);
            pictureErrors += pictureError;
            enlargedErrors += enlargedError;
        }
        ++index;
    }
    EXPECT_EQ(index, kButtonImages);
    // Thin pictures have few opaque pixels to tell the two apart; the whole
    // row has plenty.
    if (scale == 2) {
        EXPECT_GT(enlargedErrors, 4.0 * pictureErrors + 2.0 * kButtonImages);
    }

    // Menu items take the same pictures: File > New draws from the large one
    // wherever a menu is drawn at twice the density.
    QAction* fileNew = nullptr;
    for (QAction* action : frame->Bars().MenuActions())
        if (CommandOf(*action) == ToInt(CommandId::FileNew))
            fileNew = action;
    ASSERT_NE(fileNew, nullptr);
    const QImage menuPicture = fileNew->icon()
                                   .pixmap(QSize(kCellWidth, kCellHeight), 2.0)
                                   .toImage()
                                   .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(menuPicture, Cell(EmbeddedStrip(2), 0, 2));
}

}  // namespace
