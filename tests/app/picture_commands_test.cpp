// Export Picture, Print to a PDF file and Record in the real frame: the
// picture is the view's, the printed page holds it whole, and a recording
// ended by Stop is a video of one frame per step.
#include "app/main_frame.h"
#include "app/picture_commands.h"
#include "media/png_picture.h"

#include <gtest/gtest.h>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtCore/QTimer>
#include <QtPrintSupport/QPageSetupDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QApplication>
#include <QtTest/QTest>

#include <cstdlib>
#include <functional>

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
    for (int wait = 0; wait < 200 && frame->View().Stats().steps < 3; ++wait)
        QTest::qWait(50);
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

    // The simulated time since the world started: Stop starts it again.
    const auto timeOf = [](const std::string& path) {
        for (const PngText& text : ReadPngTexts(path))
            if (text.key == "Simulated time")
                return text.value;
        return std::string("none");
    };
    EXPECT_NE(timeOf(png), "0.00 s");
    EXPECT_TRUE(frame->OnCommand(CommandId::SimulationStop));
    const std::string stopped = folder.filePath(QStringLiteral("stopped.png")).toStdString();
    ASSERT_TRUE(frame->Pictures().ExportPictureTo(stopped, 40, 30, &error)) << error;
    EXPECT_EQ(timeOf(stopped), "0.00 s");
    frame.reset();
}

// Print, Print Preview and Print Setup each open their own modal dialog, which
// a cancel closes with nothing printed; Ctrl+P is Print.
TEST(PictureCommands, PrintCommandsOpenTheirDialogs)
{
    std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
    ASSERT_NE(frame, nullptr);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    const auto modalDuring = [](const std::function<void()>& run) {
        QString seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
            }
        });
        poll.start(50);
        run();
        return seen;
    };
    EXPECT_EQ(modalDuring([&] { frame->OnCommand(CommandId::FilePrint); }),
              QStringLiteral("QPrintDialog"));
    EXPECT_EQ(modalDuring([&] { frame->OnCommand(CommandId::FilePrintPreview); }),
              QStringLiteral("QPrintPreviewDialog"));
    EXPECT_EQ(modalDuring([&] { frame->OnCommand(CommandId::FilePrintSetup); }),
              QStringLiteral("QPageSetupDialog"));
    EXPECT_EQ(modalDuring([&] {
                  QTest::keyClick(&frame->View(), Qt::Key_P, Qt::ControlModifier);
              }),
              QStringLiteral("QPrintDialog"));
    frame.reset();
}

// Codec, size and the frames a player decodes, as ffprobe reads them.
QString Probe(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                 QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                 QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_name,width,height,nb_read_frames"),
                 QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    probe.waitForFinished(60000);
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}

TEST(RecordingCommands, RecordsAFramePerStepUntilRecordAgainOrNewEndsIt)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
    ASSERT_NE(frame, nullptr);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    CKinettaView& view = frame->View();
    view.m_simulationState = SimulationState::Running;

    const QString first = folder.filePath(QStringLiteral("first.mp4"));
    std::string error;
    ASSERT_TRUE(frame->Recording().StartTo(first.toStdString(), &error)) << error;
    const int width = view.ViewportWidth() & ~1, height = view.ViewportHeight() & ~1;
    const std::uint64_t startSteps = view.Stats().steps;
    QTest::qWait(2000);
    // A pause adds no frames: the video holds moments of the world.
    view.m_simulationState = SimulationState::Paused;
    QTest::qWait(300);
    const std::uint64_t steps = view.Stats().steps - startSteps;
    ASSERT_GT(steps, 10u);
    EXPECT_TRUE(frame->OnCommand(CommandId::SimulationRecord));
    EXPECT_FALSE(frame->Recording().Recording());
    const QStringList fields = Probe(first).split(QLatin1Char(','));
    ASSERT_EQ(fields.size(), 4) << Probe(first).toStdString();
    EXPECT_TRUE(fields[0] == QLatin1String("h264") || fields[0] == QLatin1String("vp9"));
    EXPECT_EQ(fields[1].toInt(), width);
    EXPECT_EQ(fields[2].toInt(), height);
    EXPECT_EQ(fields[3].toULongLong(), steps);

    // New ends a recording too, and what it wrote plays.
    const QString second = folder.filePath(QStringLiteral("second.mp4"));
    view.m_simulationState = SimulationState::Running;
    ASSERT_TRUE(frame->Recording().StartTo(second.toStdString(), &error)) << error;
    const std::uint64_t secondStart = view.Stats().steps;
    for (int wait = 0; wait < 200 && view.Stats().steps < secondStart + 5; ++wait)
        QTest::qWait(50);
    EXPECT_TRUE(frame->OnCommand(CommandId::FileNew));
    EXPECT_FALSE(frame->Recording().Recording());
    EXPECT_GE(Probe(second).section(QLatin1Char(','), 3).toInt(), 5);

    // A folder that is not there: refused at once, nothing recording.
    EXPECT_FALSE(frame->Recording().StartTo(
        folder.filePath(QStringLiteral("none/v.mp4")).toStdString(), &error));
    EXPECT_FALSE(frame->Recording().Recording());
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    frame.reset();
}

}  // namespace
