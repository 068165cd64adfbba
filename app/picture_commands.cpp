#include "app/picture_commands.h"

#include "app/busy_cursor.h"
#include "media/png_picture.h"
#include "view/kinetta_view.h"
#include "view/offscreen_picture.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLocale>
#include <QtGui/QOpenGLContext>
#include <QtGui/QPainter>
#include <QtPrintSupport/QPageSetupDialog>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

// Enough for print; more only makes the picture slower to draw and send.
constexpr double kMaxPrintDpi = 600.0;

glw::GlProc CurrentContextProc(const char* name)
{
    return QOpenGLContext::currentContext()->getProcAddress(name);
}

QString FromLocal(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToLocal(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The size dialog of Export Picture; nothing when cancelled.
std::optional<QSize> AskPictureSize(QWidget* parent, QSize start)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export Picture"));
    auto* form = new QFormLayout(&dialog);
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* side : {width, height}) {
        side->setRange(1, kMaxPictureSide);
        side->setSuffix(QStringLiteral(" pixels"));
    }
    width->setValue(start.width());
    height->setValue(start.height());
    form->addRow(QStringLiteral("&Width:"), width);
    form->addRow(QStringLiteral("&Height:"), height);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return QSize(width->value(), height->value());
}

}  // namespace

std::optional<RgbaPicture> DrawViewPicture(CKinettaView& view, int width, int height,
                                           std::string* error)
{
    std::optional<RgbaPicture> picture;
    std::string problem = "the view has no OpenGL context to draw with";
    view.WithContext([&] {
        PictureDrawer drawer(&CurrentContextProc);
        // The view's own renderer options and debug drawing; a renderer of
        // its own so the window's state tracking is left alone.
        FrameRenderer renderer;
        renderer.SetDebugMode(view.DebugMode());
        PictureView eye;
        eye.camera = view.Camera();
        eye.fovY = view.Projection().fovY;
        eye.zNear = view.Projection().zNear;
        eye.zFar = view.Projection().zFar;
        if (Scene* scene = view.SceneIfBuilt())
            picture = drawer.Draw(renderer, *scene, eye, width, height);
        problem = drawer.Error();
    });
    if (!picture && error)
        *error = problem;
    return picture;
}

QImage ToImage(const RgbaPicture& picture)
{
    // A deep copy: the QImage outlives the picture's buffer.
    return QImage(picture.pixels.data(), picture.width, picture.height,
                  static_cast<qsizetype>(picture.RowBytes()), QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_RGB32);
}

QString PictureCaptionName(const std::string& worldPath)
{
    return worldPath.empty() ? QStringLiteral("Kinetta") : QFileInfo(FromLocal(worldPath)).fileName();
}

QRectF PictureRectOnPage(const QRectF& paintRect, double aspect, double captionHeight)
{
    const double width = paintRect.width();
    const double height = std::max(0.0, paintRect.height() - captionHeight);
    if (aspect <= 0.0 || width <= 0.0 || height <= 0.0)
        return {};
    QSizeF size(width, width / aspect);
    if (size.height() > height)
        size = QSizeF(height * aspect, height);
    return QRectF(paintRect.left() + (width - size.width()) / 2.0, paintRect.top(), size.width(),
                  size.height());
}

CPictureCommands::CPictureCommands(QMainWindow& frame, CKinettaView& view,
                                   std::function<std::string()> worldPath,
                                   std::function<void(const QString&)> say)
    : QObject(&frame),
      m_frame(frame),
      m_view(view),
      m_worldPath(std::move(worldPath)),
      m_say(std::move(say))
{
}

CPictureCommands::~CPictureCommands() = default;

void CPictureCommands::RestartClock()
{
    m_clockStart = m_view.Stats().steps;
}

QPrinter& CPictureCommands::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CPictureCommands::ShowFailure(const QString& what, const std::string& reason)
{
    QMessageBox::warning(&m_frame, QStringLiteral("Kinetta"),
                         what + QStringLiteral("\n\n") + QString::fromStdString(reason));
}

bool CPictureCommands::ExportPictureTo(const std::string& path, int width, int height,
                                       std::string* error)
{
    std::string problem;
    const std::optional<RgbaPicture> picture = DrawViewPicture(m_view, width, height, &problem);
    if (picture) {
        const std::string world = m_worldPath();
        const double seconds = double(m_view.Stats().steps - m_clockStart) * kFixedTimeStep;
        const PngWriteResult written = WritePngFile(
            path, *picture,
            {{"Title", world.empty() ? "Kinetta start scene" : world},
             {"Simulated time", QString::number(seconds, 'f', 2).toStdString() + " s"},
             {"Software", "Kinetta " KINETTA_VERSION}});
        if (written.ok)
            return true;
        problem = written.error;
    }
    if (error)
        *error = problem;
    return false;
}

void CPictureCommands::ExportPicture()
{
    const qreal ratio = m_view.devicePixelRatio();
    const QSize viewSize(std::max(1, int(m_view.width() * ratio)),
                         std::max(1, int(m_view.height() * ratio)));
    const std::optional<QSize> size = AskPictureSize(&m_frame, viewSize);
    if (!size)
        return;
    const std::string world = m_worldPath();
    const QString suggested =
        world.empty() ? QDir::home().filePath(QStringLiteral("kinetta.png"))
                      : QFileInfo(FromLocal(world)).dir().filePath(
                            QFileInfo(FromLocal(world)).completeBaseName() + QStringLiteral(".png"));
    QString path = QFileDialog::getSaveFileName(&m_frame, QStringLiteral("Export Picture"),
                                                suggested, QStringLiteral("PNG Pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    std::string error;
    bool ok = false;
    {
        BusyCursor busy;
        ok = ExportPictureTo(ToLocal(path), size->width(), size->height(), &error);
    }
    if (!ok) {
        ShowFailure(QStringLiteral("Cannot export the picture to %1.").arg(path), error);
        return;
    }
    m_say(QStringLiteral("Picture saved: %1").arg(QFileInfo(path).fileName()));
}

std::optional<QRectF> CPictureCommands::PrintTo(QPrinter& printer, std::string* error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = "the printer cannot start a page";
        return std::nullopt;
    }
    const QRectF paintRect = printer.pageLayout().paintRectPixels(printer.resolution());
    // Painter coordinates start at the printable area's corner.
    const QRectF area(QPointF(0, 0), paintRect.size());
    QFont font = painter.font();
    font.setPointSizeF(10.0);
    painter.setFont(font);
    const double lineHeight = painter.fontMetrics().height();
    const double aspect =
        m_view.height() > 0 ? double(m_view.width()) / double(m_view.height()) : 4.0 / 3.0;
    const QRectF target = PictureRectOnPage(area, aspect, lineHeight * 2.0);
    const double scale = std::min(1.0, kMaxPrintDpi / std::max(1, printer.resolution()));
    const int width = std::clamp(int(std::lround(target.width() * scale)), 1, kMaxPictureSide);
    const int height = std::clamp(int(std::lround(target.height() * scale)), 1, kMaxPictureSide);
    std::optional<RgbaPicture> picture;
    {
        BusyCursor busy;
        picture = DrawViewPicture(m_view, width, height, error);
    }
    if (!picture) {
        painter.end();
        return std::nullopt;
    }
    painter.drawImage(target, ToImage(*picture));
    const QString caption =
        PictureCaptionName(m_worldPath()) + QStringLiteral(" \u2014 ") +
        QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
    painter.drawText(QRectF(target.left(), target.bottom() + lineHeight * 0.5, target.width(),
                            lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.end();
    return target;
}

void CPictureCommands::Print()
{
    QPrintDialog dialog(&Printer(), &m_frame);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::string error;
    if (!PrintTo(Printer(), &error)) {
        ShowFailure(QStringLiteral("Cannot print the picture."), error);
        return;
    }
    m_say(Printer().outputFormat() == QPrinter::PdfFormat
              ? QStringLiteral("Printed to %1").arg(QFileInfo(Printer().outputFileName()).fileName())
              : QStringLiteral("Printed"));
}

void CPictureCommands::PrintPreview()
{
    QPrintPreviewDialog dialog(&Printer(), &m_frame);
    std::string error;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this, &error](QPrinter* printer) { PrintTo(*printer, &error); });
    dialog.exec();
    if (!error.empty())
        ShowFailure(QStringLiteral("Cannot print the picture."), error);
}

void CPictureCommands::PrintSetup()
{
    QPageSetupDialog dialog(&Printer(), &m_frame);
    dialog.exec();
}
