// Export Picture, Print to a PDF file and Record in the real frame: the
// picture is the view's, the printed page holds it whole, and a recording
// ended by Stop is a video of one frame per step.
#include "app/main_frame.h"
#include "app/picture_commands.h"

#include <gtest/gtest.h>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtPrintSupport/QPrinter>
#include <QtTest/QTest>

#include <cstdlib>

namespace {

// The mean difference of the colour channels of two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b)
{
    double sum = 0.0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

TEST(PictureCommands, ExportsTheViewAndPrintsItWholeOnOnePdfPage)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
    ASSERT_NE(frame, nullptr);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QTest::qWait(200);
    frame->View().m_simulationState = SimulationState::Paused;

    // The view's shape, which print keeps.
    const double viewAspect = double(frame->View().width()) / frame->View().height();
    const int height = int(400 / viewAspect);
    const std::string png = folder.filePath(QStringLiteral("view.png")).toStdString();
    std::string error;
    ASSERT_TRUE(frame->Pictures().ExportPictureTo(png, 400, height, &error)) << error;
    const QImage picture(QString::fromStdString(png));
    ASSERT_EQ(picture.size(), QSize(400, height));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = folder.filePath(QStringLiteral("view.pdf"));
    printer.setOutputFileName(pdf);
    const std::optional<QRectF> placed = frame->Pictures().PrintTo(printer, &error);
    ASSERT_TRUE(placed) << error;

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    EXPECT_TRUE(info.readAllStandardOutput().contains("Pages:           1"));
    constexpr int kDpi = 50;
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(render.waitForFinished(30000));
    const QImage page(folder.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    // The picture's place on the rendered page: the printable area's corner
    // plus where PrintTo put it, from printer pixels to the page's.
    const double scale = double(kDpi) / printer.resolution();
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect onPage = QRectF((area.topLeft() + placed->topLeft()) * scale, placed->size() * scale)
                             .toAlignedRect()
                             .adjusted(2, 2, -2, -2);
    ASSERT_TRUE(page.rect().contains(onPage));
    // Fitted with its shape kept: as wide as the view is for its height.
    EXPECT_NEAR(placed->width() / placed->height(), viewAspect, 0.01);
    const QImage printed = page.copy(onPage).convertToFormat(QImage::Format_RGB32);
    const QImage expected =
        picture.scaled(onPage.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(MeanDifference(printed, expected), 12.0);
    // The picture is no blank paper, so matching it means something.
    QImage paper(expected.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    EXPECT_GT(MeanDifference(paper, expected), 60.0);
    frame.reset();
}

}  // namespace
